// A form: an ordered collection of controls with an active control, key
// preview handlers and the window properties a front end draws from.
#ifndef DEXT_TOOLKIT_FORM_H_
#define DEXT_TOOLKIT_FORM_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/controls.h"

namespace toolkit {

enum class WindowState { kNormal, kMinimized, kMaximized };

class Form {
 public:
  // Caption bar and borders added to the client height to give the outer height.
  static constexpr int kFrameHeight = 405;

  explicit Form(std::string name);
  ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& name() const { return name_; }

  // Adds a control at the end of the design order and returns it.
  template <typename T>
  T& Add(std::unique_ptr<T> control) {
    T& added = *control;
    AddControl(std::move(control));
    return added;
  }
  int16_t ControlCount() const { return static_cast<int16_t>(controls_.size()); }
  // position 0 to ControlCount() - 1.
  Control& ControlAt(int16_t position) const { return *controls_.at(position); }
  // The control of that name (and array index), or nullptr.
  Control* FindControl(const std::string& name, int16_t index = -1) const;

  // The control with the focus, or nullptr.
  Control* ActiveControl() const { return active_; }
  // Moves the focus: LostFocus of the old control, then GotFocus of the new
  // one, synchronously. Giving the focus to the control that has it, or to
  // one that cannot take it, does nothing.
  void SetFocus(Control& control);

  // Not modal: makes the form visible and the active form of the toolkit.
  void Show();
  bool Visible() const { return visible_; }
  // Outer height = client height + kFrameHeight.
  int Height() const { return ClientHeight + kFrameHeight; }
  void SetHeight(int outer_twips) { ClientHeight = outer_twips - kFrameHeight; }

  std::string Caption;
  Color BackColor = 0xC0C0C0;
  Color ForeColor = 0x000000;
  Font font;
  int Left = 0, Top = 0, ClientWidth = 0, ClientHeight = 0;
  WindowState window_state = WindowState::kNormal;
  bool KeyPreview = false;

  // Key preview handlers (run only with KeyPreview on), and the click.
  std::function<void(int16_t& key_code, int shift)> on_key_down;
  std::function<void(int16_t& character)> on_key_press;
  std::function<void(int16_t& key_code, int shift)> on_key_up;
  std::function<void()> on_click;

 private:
  void AddControl(std::unique_ptr<Control> control);

  std::string name_;
  std::vector<std::unique_ptr<Control>> controls_;
  Control* active_ = nullptr;
  bool visible_ = false;
};

// The form that has the user's focus (the one last shown), or nullptr.
Form* ActiveForm();
// Makes a form the active one; nullptr for none. A form being destroyed
// stops being active.
void SetActiveForm(Form* form);

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_FORM_H_
