#include "toolkit/window/window_front_end.h"

#include <FL/Fl.H>
#include <FL/Fl_Pixmap.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/fl_ask.H>
#include <X11/Xlib.h>

#include <deque>
#include <string>

#include "toolkit/form.h"
#include "toolkit/message_box.h"
#include "toolkit/window/close_request.h"
#include "toolkit/window/form_window.h"
#include "toolkit/window/icon.h"
#include "toolkit/window/message_dialog.h"

namespace toolkit {

namespace {

class WindowFrontEnd : public FrontEnd {
 public:
  explicit WindowFrontEnd(const Application& application)
      : application_title_(application.title),
        window_([this](const InputEvent& event) { pending_.push_back(event); },
                [this] { RequestClose(); }, application.window_class) {
    Fl::visual(FL_DOUBLE | FL_RGB);
    Fl_Pixmap pixmap(IconXpm());
    Fl_RGB_Image icon(&pixmap);
    window_.icon(&icon);  // FLTK keeps its own copy
  }

  ~WindowFrontEnd() override {
    window_.hide();
    Fl::flush();
  }

  void ShowMessage(const std::string& text, int style, const std::string& title) override {
    AskMessage(text, style, title);
  }
  int AskMessage(const std::string& text, int style, const std::string& title) override {
    Repaint();
    return RunMessageDialog(text, style, title.empty() ? application_title_ : title);
  }

  void ShowFarewell(const std::string& text) override {
    RunMessageDialog(text, kOkOnly, application_title_);
  }

  void Beep() override { fl_beep(FL_BEEP_DEFAULT); }

  std::optional<InputEvent> NextInput(bool wait) override {
    if (pending_.empty()) {
      if (wait) {
        while (pending_.empty() && !closed_ && window_.shown()) Fl::wait();
      } else {
        Fl::check();
      }
    }
    if (pending_.empty()) return std::nullopt;
    InputEvent event = pending_.front();
    pending_.pop_front();
    return event;
  }

  void Repaint() override {
    window_.Follow(ActiveForm());
    Fl::flush();
  }

 private:
  void RequestClose() {
    closed_ = true;
    pending_.push_back(CloseRequestEvent(ActiveForm()));
  }

  // The title of a box whose caller gives none.
  const std::string application_title_;
  FormWindow window_;
  std::deque<InputEvent> pending_;
  bool closed_ = false;
};

}  // namespace

bool WindowDisplayAvailable() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XCloseDisplay(display);
  return true;
}

std::unique_ptr<FrontEnd> CreateWindowFrontEnd(const Application& application) {
  return std::make_unique<WindowFrontEnd>(application);
}

}  // namespace toolkit
