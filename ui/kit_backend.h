// What every control-kit backend provides to the kit's portable part.
#pragma once

#include <string_view>

#include "ui/control_kit.h"

namespace kit {

// Control kinds, numbered as the kit's control classes.
enum class Kind { kButton = 1, kEditField = 2, kTextLabel = 3, kCheckBox = 4, kImage = 9 };

// Creates a control of `kind` in the current window under `number`
// (destroying a control already there). 0 on failure, the number then
// left as it was.
ControlHandle MakeControl(Kind kind, int number, int x, int y, int w, int h,
                          std::string_view text);

}  // namespace kit
