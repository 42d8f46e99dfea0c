// The four text controls (check box, text label, edit field, button) and the
// operations every control kind shares: texts, states, enabling.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Input.H>

#include <algorithm>
#include <climits>

#include "platform/platform.h"
#include "ui/event_queue.h"
#include "ui/fltk/fltk_kit.h"
#include "ui/scaling.h"

namespace kit {
namespace {

using ControlTable = NumberedTable<ControlRecord, 50>;

ControlTable& Controls() {
  static ControlTable table;
  return table;
}

int NumberOf(void* data) { return static_cast<int>(reinterpret_cast<std::intptr_t>(data)); }
void* DataOf(int number) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(number)); }

// Buttons and check boxes report every click as type 0.
void ClickCallback(Fl_Widget*, void* data) { RaiseControlEvent(NumberOf(data), ClickedEvent); }

// Edits report every change of their text.
void ChangeCallback(Fl_Widget*, void* data) { RaiseControlEvent(NumberOf(data), TextChangedEvent); }

// An edit field that also reports when it gains or loses the keyboard focus.
class EditField : public Fl_Input {
 public:
  EditField(int x, int y, int w, int h) : Fl_Input(x, y, w, h) {}
  int handle(int event) override {
    int result = Fl_Input::handle(event);
    if (event == FL_FOCUS && result) {
      RaiseControlEvent(NumberOf(user_data()), FocusGainedEvent);
    } else if (event == FL_UNFOCUS) {
      RaiseControlEvent(NumberOf(user_data()), FocusLostEvent);
    }
    return result;
  }
};

void DestroyControl(int number) {
  ControlRecord* record = Controls().get(number);
  if (!record) return;
  Fl_Widget* widget = record->widget;
  if (Fl_Group* parent = widget->parent()) {
    parent->damage(FL_DAMAGE_ALL, widget->x(), widget->y(), widget->w(), widget->h());
    parent->remove(widget);
  }
  delete widget;
  Controls().release(number);
  ForgetControlEvents(number);
}

// The far edge of a control at `start` of `size` (none below 0), within int.
int EdgeAfter(int start, int size) {
  const long long edge = static_cast<long long>(start) + std::max(size, 0);
  return static_cast<int>(std::min<long long>(edge, INT_MAX));
}

Fl_Widget* NewWidget(Kind kind, int number, int x, int y, int w, int h, int fontSize) {
  switch (kind) {
    case Kind::kButton: {
      auto* button = new Fl_Button(x, y, w, h);
      button->callback(ClickCallback, DataOf(number));
      return button;
    }
    case Kind::kCheckBox: {
      auto* box = new Fl_Check_Button(x, y, w, h);
      box->callback(ClickCallback, DataOf(number));
      box->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT | FL_ALIGN_CLIP);
      return box;
    }
    case Kind::kTextLabel: {
      auto* label = new Fl_Box(FL_FLAT_BOX, x, y, w, h, nullptr);
      label->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_WRAP | FL_ALIGN_CLIP);
      label->clear_visible_focus();
      return label;
    }
    case Kind::kEditField: {
      auto* edit = new EditField(x, y, w, h);
      edit->box(FL_DOWN_BOX);
      edit->textsize(fontSize);
      edit->maximum_size(INT_MAX);  // the kit imposes no length limit
      edit->when(FL_WHEN_CHANGED);
      edit->callback(ChangeCallback, DataOf(number));
      return edit;
    }
    case Kind::kImage:
      return NewImageControl(number, x, y, w, h);
  }
  return nullptr;
}

void ApplyText(ControlRecord& record, std::string utf8) {
  if (record.kind == Kind::kEditField) {
    static_cast<Fl_Input*>(record.widget)->value(utf8.data(), static_cast<int>(utf8.size()));
    return;
  }
  if (record.kind == Kind::kImage) return;
  record.text = std::move(utf8);
  record.widget->copy_label(record.text.c_str());
  record.widget->redraw();
}

}  // namespace

ControlHandle MakeControl(Kind kind, int number, int x, int y, int w, int h,
                          std::string_view text) {
  int windowNumber = -1;
  Fl_Double_Window* window = CurrentWindow(&windowNumber);
  if (!window || number < 0 || number > ControlTable::kMaxNumber) return 0;
  DestroyControl(number);
  Fl_Group::current(nullptr);
  // The edges are scaled, so that controls that touch keep touching.
  const double scale = FindWindow(windowNumber)->scale;
  const int left = Scaled(x, scale), top = Scaled(y, scale);
  const int right = Scaled(EdgeAfter(x, w), scale), bottom = Scaled(EdgeAfter(y, h), scale);
  const int fontSize = Scaled(kFontSize, scale);
  Fl_Widget* widget = NewWidget(kind, number, left, top, right - left, bottom - top, fontSize);
  widget->labeltype(kPlainLabel);
  widget->labelsize(fontSize);
  widget->user_data(DataOf(number));
  window->add(widget);
  ControlRecord* record = Controls().allocate(number);
  *record = ControlRecord{widget, kind, windowNumber, {}};
  ApplyText(*record, platform::Cp1252ToUtf8(text));
  widget->redraw();
  return reinterpret_cast<ControlHandle>(widget);
}

ControlRecord* FindControl(int number) { return Controls().get(number); }

void ForgetControlsOf(int window) {
  for (int number : UsedNumbers(Controls())) {
    if (Controls().get(number)->window == window) {
      Controls().release(number);  // the window deletes the widget with itself
      ForgetControlEvents(number);
    }
  }
}

}  // namespace kit

using kit::Kind;

void SetControlState(int control, std::intptr_t value) {
  kit::ControlRecord* record = kit::FindControl(control);
  if (!record) return;
  if (record->kind == Kind::kCheckBox) {
    static_cast<Fl_Button*>(record->widget)->value(value != 0 ? 1 : 0);
  } else if (record->kind == Kind::kImage) {
    kit::ShowImage(record->widget, reinterpret_cast<ImageHandle>(value));
  }
}

std::intptr_t GetControlState(int control) {
  kit::ControlRecord* record = kit::FindControl(control);
  if (!record) return 0;
  switch (record->kind) {
    case Kind::kCheckBox:
    case Kind::kButton:
      return static_cast<Fl_Button*>(record->widget)->value() & 1;
    case Kind::kImage:
      return reinterpret_cast<std::intptr_t>(kit::ShownImage(record->widget));
    default:
      return 0;
  }
}

void SetControlText(int control, std::string_view text) {
  if (kit::ControlRecord* record = kit::FindControl(control)) {
    kit::ApplyText(*record, platform::Cp1252ToUtf8(text));
  }
}

std::string GetControlText(int control) {
  kit::ControlRecord* record = kit::FindControl(control);
  if (!record) return {};
  if (record->kind == Kind::kEditField) {
    auto* edit = static_cast<Fl_Input*>(record->widget);
    return platform::Utf8ToCp1252(std::string_view(edit->value(), edit->size()));
  }
  return platform::Utf8ToCp1252(record->text);
}

void DisableControl(int control, int flag) {
  kit::ControlRecord* record = kit::FindControl(control);
  if (!record) return;
  if (flag) {
    record->widget->deactivate();
  } else {
    record->widget->activate();
  }
}
