// The control-making operations, the same for every backend.
#include "ui/kit_backend.h"

using kit::Kind;

ControlHandle MakeImageControl(int number, int x, int y, int width, int height, ImageHandle image) {
  ControlHandle handle = kit::MakeControl(Kind::kImage, number, x, y, width, height, {});
  if (handle) SetControlState(number, reinterpret_cast<std::intptr_t>(image));
  return handle;
}

ControlHandle MakeCheckBox(int number, int x, int y, int width, int height, std::string_view text) {
  return kit::MakeControl(Kind::kCheckBox, number, x, y, width, height, text);
}

ControlHandle MakeTextLabel(int number, int x, int y, int width, int height,
                            std::string_view text) {
  return kit::MakeControl(Kind::kTextLabel, number, x, y, width, height, text);
}

ControlHandle MakeEditField(int number, int x, int y, int width, int height,
                            std::string_view text) {
  return kit::MakeControl(Kind::kEditField, number, x, y, width, height, text);
}

ControlHandle MakeButton(int number, int x, int y, int width, int height, std::string_view text) {
  return kit::MakeControl(Kind::kButton, number, x, y, width, height, text);
}
