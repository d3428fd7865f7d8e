// The FLTK window that shows the active form: it draws the model and turns
// FLTK's key presses and clicks into the toolkit's input events, which it
// hands on without routing them (the toolkit routes, outside any FLTK
// callback, so a handler that ends the program never unwinds through FLTK).
#ifndef DEXT_TOOLKIT_WINDOW_FORM_WINDOW_H_
#define DEXT_TOOLKIT_WINDOW_FORM_WINDOW_H_

#include <FL/Fl_Double_Window.H>

#include <functional>
#include <string>

#include "toolkit/events.h"
#include "toolkit/form.h"

namespace toolkit {

class FormWindow : public Fl_Double_Window {
 public:
  // on_input receives every key and click; on_close the window manager's
  // close request (FLTK's own closing, also by Escape, is never used).
  // window_class is the window's X11 class; empty keeps FLTK's default.
  FormWindow(std::function<void(const InputEvent&)> on_input, std::function<void()> on_close,
             const std::string& window_class);

  // Takes the form's caption, client size and state, shows or hides the
  // window accordingly and schedules drawing. nullptr hides the window.
  // Drawing and clicks always use the active form, never a kept pointer.
  void Follow(const Form* form);

  int handle(int event) override;
  void draw() override;

 private:
  static void CloseRequested(Fl_Widget* widget, void* data);
  void ShowFirstTime(const Form& form);
  void DrawTextBox(const Form& form, const TextBox& box);
  void DrawLabel(const Form& form, const Label& label);
  void DrawButton(const Form& form, const CommandButton& button);
  bool HandleKey();
  void HandleClick();

  std::function<void(const InputEvent&)> on_input_;
  std::function<void()> on_close_;
  std::string caption_;
};

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_WINDOW_FORM_WINDOW_H_
