#include "toolkit/events.h"

#include <cctype>

#include "toolkit/form.h"

namespace toolkit {

namespace {

bool IsNavigationKey(int16_t key_code) {
  return key_code == kKeyLeft || key_code == kKeyRight || key_code == kKeyHome ||
         key_code == kKeyEnd || key_code == kKeyDelete;
}

TextBox* ActiveTextBox(Form& form) {
  Control* active = form.ActiveControl();
  return active && active->IsTextBox() ? static_cast<TextBox*>(active) : nullptr;
}

CommandButton* ButtonWhere(const Form& form, bool (*matches)(const CommandButton&, int),
                           int argument) {
  for (int16_t i = 0; i < form.ControlCount(); ++i) {
    Control& control = form.ControlAt(i);
    if (control.kind() != ControlKind::kCommandButton) continue;
    auto& button = static_cast<CommandButton&>(control);
    if (matches(button, argument)) return &button;
  }
  return nullptr;
}

CommandButton* ButtonWithAccessKey(const Form& form, int16_t key_code) {
  return ButtonWhere(
      form, [](const CommandButton& b, int key) { return b.AccessKey() == key; }, key_code);
}

CommandButton* CancelButton(const Form& form) {
  return ButtonWhere(form, [](const CommandButton& b, int) { return b.Cancel; }, 0);
}

bool IsAccessKey(const KeyInput& key) {
  return (key.shift & kAlt) && !(key.shift & kCtrl) && std::isalnum(key.key_code);
}

void Click(CommandButton& button) {
  if (button.on_click) button.on_click();
}

void DeliverClick(Form& form, const InputEvent& event) {
  if (event.control_name.empty()) {
    if (form.on_click) form.on_click();
    return;
  }
  Control* control = form.FindControl(event.control_name, event.control_index);
  if (control && control->kind() == ControlKind::kCommandButton) {
    Click(static_cast<CommandButton&>(*control));
  } else if (control) {
    form.SetFocus(*control);
  }
}

}  // namespace

void DeliverKey(Form& form, const KeyInput& key) {
  int16_t key_code = key.key_code;
  if (form.KeyPreview && form.on_key_down) form.on_key_down(key_code, key.shift);
  if (key_code != 0) {
    if (IsAccessKey(key)) {
      if (CommandButton* button = ButtonWithAccessKey(form, key.key_code)) Click(*button);
    } else if (TextBox* box = ActiveTextBox(form); box && IsNavigationKey(key_code)) {
      box->HandleNavigationKey(key_code, key.shift);
    }
    if (key.character != 0) {
      int16_t character = key.character;
      if (form.KeyPreview && form.on_key_press) form.on_key_press(character);
      if (character == kKeyEscape) {
        if (CommandButton* button = CancelButton(form)) Click(*button);
      } else if (character != 0) {
        if (TextBox* box = ActiveTextBox(form)) box->TypeCharacter(character);
      }
    }
  }
  int16_t up_code = key.key_code;
  if (form.KeyPreview && form.on_key_up) form.on_key_up(up_code, key.shift);
}

void Deliver(const InputEvent& event) {
  Form* form = ActiveForm();
  if (!form) return;
  if (event.kind == InputEvent::Kind::kClick) {
    DeliverClick(*form, event);
  } else {
    DeliverKey(*form, event.key);
  }
}

bool PassesWhileBusy(const InputEvent& event, const Form* form) {
  if (event.kind == InputEvent::Kind::kClick) {
    if (!form || event.control_name.empty()) return false;
    const Control* control = form->FindControl(event.control_name, event.control_index);
    return control && control->kind() == ControlKind::kCommandButton;
  }
  return event.key.key_code == kKeyEscape || IsAccessKey(event.key);
}

}  // namespace toolkit
