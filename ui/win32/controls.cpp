// The five control kinds over the platform's own control classes: creation,
// the kit's replacement window procedure, texts, states, enabling and Tab
// navigation.
#include <algorithm>
#include <climits>
#include <type_traits>

#include "ui/event_queue.h"
#include "ui/win32/win32_kit.h"

namespace kit {
namespace {

using ControlTable = NumberedTable<ControlRecord, 50>;

// The window property that marks a control with its number + 1.
constexpr char kNumberProperty[] = "LapbundleControl";

struct ControlState {
  ControlTable table;
  std::uint64_t made = 0;  // controls made so far, for the creation order
};

ControlState& Controls() {
  static ControlState state;
  return state;
}

std::intptr_t CheckState(const ControlRecord& record) {
  return SendMessageA(record.hwnd, BM_GETCHECK, 0, 0) & 1;
}

void SetCheck(ControlRecord& record, std::intptr_t value) {
  SendMessageA(record.hwnd, BM_SETCHECK, value != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Style bits: child, visible, group; tab stop for the three that take input.
constexpr ControlClass kClasses[] = {
    {Kind::kButton, "Button", 0x50030000, 0, nullptr, nullptr, CheckState, SetCheck},
    {Kind::kEditField, "Edit", 0x50030080, WS_EX_CLIENTEDGE, nullptr, nullptr, nullptr, nullptr},
    {Kind::kTextLabel, "Static", 0x50020000, 0, nullptr, nullptr, nullptr, nullptr},
    {Kind::kCheckBox, "Button", 0x50030003, 0, nullptr, nullptr, CheckState, SetCheck},
    {Kind::kImage, "STATIC", 0x50000100, 0, ImageNotify, ImageRelease, ImageGetState,
     ImageSetState},
};

// Frees a control's number and whatever its class holds for it.
void ForgetControl(int number, ControlRecord& record) {
  if (record.kind->release) record.kind->release(record);
  Controls().table.release(number);
  ForgetControlEvents(number);
}

LRESULT CALLBACK ControlProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const int number = ControlNumberOf(hwnd);
  ControlRecord* record = Controls().table.get(number);
  if (!record) return DefWindowProcA(hwnd, message, wParam, lParam);
  const WNDPROC old = record->oldProcedure;
  if (message == WM_NCDESTROY) {
    // The last message of the control: give the platform its procedure
    // back and free the number.
    RemovePropA(hwnd, kNumberProperty);
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
    ForgetControl(number, *record);
    return CallWindowProcA(old, hwnd, message, wParam, lParam);
  }
  if (message == WM_DESTROY) RevokeDragDrop(hwnd);
  LRESULT result = 0;
  if (record->kind->notify && record->kind->notify(*record, message, wParam, lParam, &result)) {
    return result;
  }
  return CallWindowProcA(old, hwnd, message, wParam, lParam);
}

// The procedure goes into the window through a cast; make sure it has the
// platform's calling convention (the 32-bit build would fail here).
static_assert(std::is_same_v<decltype(&ControlProcedure), WNDPROC>,
              "control procedures use the platform's calling convention");

void DestroyControl(int number) {
  ControlRecord* record = Controls().table.get(number);
  if (!record) return;
  HWND hwnd = record->hwnd;
  DestroyWindow(hwnd);
  // Normally the control's last message freed the number already.
  if ((record = Controls().table.get(number)) != nullptr && record->hwnd == hwnd) {
    ForgetControl(number, *record);
  }
}

bool CanTakeFocus(const ControlRecord& record) {
  const LONG_PTR style = GetWindowLongPtrA(record.hwnd, GWL_STYLE);
  return (style & WS_TABSTOP) && IsWindowEnabled(record.hwnd) && IsWindowVisible(record.hwnd);
}

}  // namespace

ControlHandle MakeControl(Kind kind, int number, int x, int y, int w, int h,
                          std::string_view text) {
  int window = -1;
  HWND parent = CurrentWindow(&window);
  if (!parent || number < 0 || number > ControlTable::kMaxNumber) return 0;
  const ControlClass& cls = ClassOf(kind);
  const std::string caption(text);
  const WindowRecord* owner = FindWindow(window);
  const RECT layout = {
      x, y, static_cast<LONG>(std::min<long long>(x + std::max<long long>(w, 0), INT_MAX)),
      static_cast<LONG>(std::min<long long>(y + std::max<long long>(h, 0), INT_MAX))};
  const RECT at = ScaledRect(layout, owner->scale);
  HWND hwnd = CreateWindowExA(cls.exStyle, cls.platformClass, caption.c_str(), cls.style, at.left,
                              at.top, at.right - at.left, at.bottom - at.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(number & 0xFFFF)),
                              Instance(), nullptr);
  if (!hwnd) return 0;
  DestroyControl(number);
  ControlRecord* record = Controls().table.allocate(number);
  record->hwnd = hwnd;
  record->kind = &cls;
  record->window = window;
  record->order = ++Controls().made;
  record->layout = layout;
  SetPropA(hwnd, kNumberProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(number) + 1));
  record->oldProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProcedure)));
  SetWindowLongPtrA(hwnd, GWLP_ID, number);
  SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont(owner)), TRUE);
  // The kit imposes no length limit on typed text (0 = the largest limit).
  if (kind == Kind::kEditField) SendMessageA(hwnd, EM_SETLIMITTEXT, 0, 0);
  return reinterpret_cast<ControlHandle>(hwnd);
}

const ControlClass& ClassOf(Kind kind) {
  for (const ControlClass& cls : kClasses) {
    if (cls.kind == kind) return cls;
  }
  return kClasses[0];
}

ControlRecord* FindControl(int number) { return Controls().table.get(number); }

int ControlNumberOf(HWND hwnd) {
  if (!hwnd) return -1;
  const auto mark = reinterpret_cast<INT_PTR>(GetPropA(hwnd, kNumberProperty));
  if (mark <= 0 || mark > ControlTable::kMaxNumber + 1) return -1;
  const int number = static_cast<int>(mark - 1);
  ControlRecord* record = Controls().table.get(number);
  return record && record->hwnd == hwnd ? number : -1;
}

std::vector<ControlRecord*> ControlsOf(int window) {
  std::vector<ControlRecord*> controls;
  ControlTable& table = Controls().table;
  for (std::size_t n = 0; n < table.capacity(); ++n) {
    ControlRecord* record = table.get(static_cast<std::int64_t>(n));
    if (record && record->window == window) controls.push_back(record);
  }
  std::sort(controls.begin(), controls.end(),
            [](const ControlRecord* a, const ControlRecord* b) { return a->order < b->order; });
  return controls;
}

void MoveFocus(int window, bool forward) {
  const std::vector<ControlRecord*> controls = ControlsOf(window);
  const int count = static_cast<int>(controls.size());
  if (count == 0) return;
  // Start just outside the list when the focus is on no control of it.
  int at = forward ? -1 : count;
  HWND focus = GetFocus();
  for (int i = 0; i < count; ++i) {
    if (controls[static_cast<std::size_t>(i)]->hwnd == focus) at = i;
  }
  const int step = forward ? 1 : -1;
  for (int tried = 0; tried < count; ++tried) {
    at = ((at + step) % count + count) % count;
    const ControlRecord& next = *controls[static_cast<std::size_t>(at)];
    if (CanTakeFocus(next)) {
      SetFocus(next.hwnd);
      return;
    }
  }
}

}  // namespace kit

using kit::Kind;

void SetControlState(int control, std::intptr_t value) {
  kit::ControlRecord* record = kit::FindControl(control);
  if (record && record->kind->setState) record->kind->setState(*record, value);
}

std::intptr_t GetControlState(int control) {
  kit::ControlRecord* record = kit::FindControl(control);
  if (!record || !record->kind->getState) return 0;
  return record->kind->getState(*record);
}

void SetControlText(int control, std::string_view text) {
  if (kit::ControlRecord* record = kit::FindControl(control)) {
    const std::string copy(text);
    SetWindowTextA(record->hwnd, copy.c_str());
  }
}

std::string GetControlText(int control) {
  kit::ControlRecord* record = kit::FindControl(control);
  if (!record) return {};
  // The length may be larger than the text (multi-byte conversions), never smaller.
  const int length = GetWindowTextLengthA(record->hwnd);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(record->hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

void DisableControl(int control, int flag) {
  if (kit::ControlRecord* record = kit::FindControl(control)) {
    EnableWindow(record->hwnd, flag ? FALSE : TRUE);
  }
}
