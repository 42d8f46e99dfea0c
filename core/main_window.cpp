// The main window: the preview, the check boxes that choose what is packed,
// the labels that show what was found, the archive name and the one button.
#include <cmath>

#include "core/app.h"
#include "core/product.h"
#include "imaging/image_store.h"
#include "ui/control_kit.h"

namespace {

constexpr std::uint32_t kWindowStyle = WindowTitleBar | WindowSystemMenu;  // 0xC80000

// Each check box takes its state from the settings right after it is made.
void makeCheckBox(int number, int x, int y, int width, std::string_view caption,
                  std::int8_t state) {
  MakeCheckBox(number, x, y, width, 24, caption);
  SetControlState(number, state);
}

// The preview's size in screen pixels: 800 x 600 at the window's scale.
int previewSide(int side96) {
  double scale = WindowScale(0);
  if (!(scale >= 1.0)) scale = 1.0;
  return static_cast<int>(std::lround(side96 * scale));
}

}  // namespace

void buildMainWindow() {
  const AppState& s = app();
  MakeWindow(0, 10, 10, 840, 710, kWindowTitle, kWindowStyle);
  MakeImageControl(1, 20, 5, 800, 600, nullptr);
  makeCheckBox(2, 20, 620, 70, "Track", s.includeTrack);
  makeCheckBox(3, 20, 650, 70, "Game", s.includeGame);
  makeCheckBox(4, 20, 680, 70, "Screen", s.includeScreen);
  makeCheckBox(7, 320, 680, 60, " jpg", s.screenAsJpeg);
  MakeTextLabel(12, 100, 625, 300, 24, "-");
  MakeTextLabel(13, 100, 655, 300, 24, "-");
  MakeTextLabel(14, 100, 685, 200, 24, "-");
  MakeTextLabel(15, 410, 625, 38, 24, "Zip:");
  MakeEditField(5, 450, 620, 350, 24, "Zip");
  MakeButton(50, 450, 660, 80, 30, "Make Zip");
}

void showPreview() {
  const AppState& s = app();
  if (s.screenName.empty()) return;
  // Slot 2 keeps the full-size screenshot for a later JPEG conversion;
  // slot 3 holds only the stretched preview.
  if (LoadImageSlot(2, s.workDir + "Screens\\" + s.screenName) == nullptr) return;
  remakePreview();
}

void remakePreview() {
  // Always from the full-size screenshot, never from an earlier preview, so
  // that each scale gets the sharpest picture the screenshot gives.
  if (ImageSlotHandle(2) == nullptr) return;
  CopyImageSlot(2, 3);
  ResizeImageSlot(3, previewSide(800), previewSide(600), ResizeSmooth);
  SetControlState(1, reinterpret_cast<std::intptr_t>(ImageSlotHandle(3)));
}

void fatalStop() {
  // Windows-1252 text: 0xDF is the sharp s.
  ShowMessageBox("Finde \\Saves nicht", "Programm mu\xDF im Vantor-Verzeichnis stehen");
}
