#include "toolkit/form.h"

#include "toolkit/front_end.h"

namespace toolkit {

namespace {
Form* active_form = nullptr;
}  // namespace

Form* ActiveForm() { return active_form; }
void SetActiveForm(Form* form) { active_form = form; }

Form::Form(std::string name) : name_(std::move(name)) {}

Form::~Form() {
  if (active_form == this) active_form = nullptr;
}

void Form::AddControl(std::unique_ptr<Control> control) {
  control->form_ = this;
  controls_.push_back(std::move(control));
}

Control* Form::FindControl(const std::string& name, int16_t index) const {
  for (const auto& control : controls_) {
    if (control->name() == name && control->index() == index) return control.get();
  }
  return nullptr;
}

void Form::SetFocus(Control& control) {
  if (&control == active_ || !control.CanTakeFocus() || control.form() != this) return;
  Control* old = active_;
  active_ = &control;
  if (old && old->on_lost_focus) old->on_lost_focus();
  if (control.on_got_focus) control.on_got_focus();
}

void Form::Show() {
  visible_ = true;
  SetActiveForm(this);
  CurrentFrontEnd().Repaint();
}

}  // namespace toolkit
