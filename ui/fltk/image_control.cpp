// The image control: shows an image handle unscaled at its top-left corner,
// takes the image's size, and reports clicks, double-clicks and drags.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/fl_draw.H>

#include <cstdlib>

#include "ui/event_queue.h"
#include "ui/fltk/fltk_kit.h"

namespace kit {
namespace {

// How far the pointer must move with the left button held before a drag
// starts (the usual platform default).
constexpr int kDragDistance = 4;

class ImageControl : public Fl_Box {
 public:
  ImageControl(int number, int x, int y, int w, int h)
      : Fl_Box(FL_NO_BOX, x, y, w, h, nullptr), number_(number) {
    clear_visible_focus();
  }

  ImageHandle image() const { return image_; }

  void Show(ImageHandle image) {
    RepaintBeneath();
    image_ = image;
    ImageView view;
    if (ViewImage(image, &view)) {
      view_ = view;
      size(view.width, view.height);
    } else {
      image_ = nullptr;
      view_ = ImageView{};
    }
    redraw();
  }

  void draw() override {
    if (!image_ || view_.width <= 0 || view_.height <= 0) return;
    fl_draw_image(CopyRow, this, x(), y(), view_.width, view_.height, 3);
  }

  int handle(int event) override;

 private:
  // The parent repaints the area the control covered, so that no stale
  // pixels remain when the image shrinks or goes away.
  void RepaintBeneath() {
    if (parent()) parent()->damage(FL_DAMAGE_ALL, x(), y(), w(), h());
  }

  // Converts part of one row from blue-green-red-unused to red-green-blue.
  static void CopyRow(void* data, int x, int y, int w, uchar* out) {
    const ImageView& view = static_cast<ImageControl*>(data)->view_;
    const std::uint8_t* in =
        view.pixels + static_cast<std::size_t>(y) * view.stride + static_cast<std::size_t>(x) * 4;
    for (int i = 0; i < w; ++i, in += 4, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }

  void Raise(int type) { RaiseControlEvent(number_, type); }

  int number_;
  ImageHandle image_ = nullptr;
  ImageView view_;
  int pressX_ = 0, pressY_ = 0;
  bool dragging_ = false;      // the left button is held
  bool dragReported_ = false;  // this press has raised its drag event
  bool skipRightRelease_ = false;
};

int ImageControl::handle(int event) {
  switch (event) {
    case FL_PUSH:
      if (Fl::event_button() == FL_LEFT_MOUSE) {
        Raise(Fl::event_clicks() ? DoubleClickEvent : ClickedEvent);
        pressX_ = Fl::event_x_root();
        pressY_ = Fl::event_y_root();
        dragging_ = true;
        dragReported_ = false;
      } else if (Fl::event_button() == FL_RIGHT_MOUSE && Fl::event_clicks()) {
        Raise(RightDoubleClickEvent);
        skipRightRelease_ = true;
      }
      return 1;
    case FL_DRAG:
      if (dragging_ && !dragReported_ &&
          (std::abs(Fl::event_x_root() - pressX_) > kDragDistance ||
           std::abs(Fl::event_y_root() - pressY_) > kDragDistance)) {
        dragReported_ = true;
        Raise(DragStartEvent);
      }
      return 1;
    case FL_RELEASE:
      if (Fl::event_button() == FL_LEFT_MOUSE) {
        dragging_ = false;
      } else if (Fl::event_button() == FL_RIGHT_MOUSE) {
        if (skipRightRelease_) {
          skipRightRelease_ = false;
        } else {
          Raise(RightReleaseEvent);
        }
      }
      return 1;
    default:
      return Fl_Box::handle(event);
  }
}

}  // namespace

Fl_Widget* NewImageControl(int number, int x, int y, int width, int height) {
  return new ImageControl(number, x, y, width, height);
}

void ShowImage(Fl_Widget* control, ImageHandle image) {
  static_cast<ImageControl*>(control)->Show(image);
}

ImageHandle ShownImage(Fl_Widget* control) { return static_cast<ImageControl*>(control)->image(); }

}  // namespace kit
