#include "toolkit/window/close_request.h"

namespace toolkit {

InputEvent CloseRequestEvent(const Form* form) {
  for (int16_t i = 0; form && i < form->ControlCount(); ++i) {
    const Control& control = form->ControlAt(i);
    if (control.kind() == ControlKind::kCommandButton &&
        static_cast<const CommandButton&>(control).Cancel) {
      return InputEvent::Click(control.name(), control.index());
    }
  }
  return InputEvent::Key(NamedKey(kKeyEscape));
}

}  // namespace toolkit
