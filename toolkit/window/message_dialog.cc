#include "toolkit/window/message_dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Return_Button.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstdint>

#include "platform/cp1252.h"
#include "toolkit/message_box.h"

namespace toolkit {

namespace {

constexpr int kMargin = 12;
constexpr int kIconSide = 32;
constexpr int kTextFontSize = 14;
constexpr int kWidestText = 420;
constexpr int kLabelInset = 8;
constexpr int kButtonWidth = 80, kButtonHeight = 26;

// Windows' exclamation sign: a yellow triangle with a black "!".
class ExclamationIcon : public Fl_Widget {
 public:
  ExclamationIcon(int x, int y) : Fl_Widget(x, y, kIconSide, kIconSide) {}
  void draw() override {
    const int left = x(), top = y(), side = w();
    fl_color(fl_rgb_color(255, 255, 0));
    fl_polygon(left + side / 2, top + 1, left + side - 1, top + side - 2, left + 1, top + side - 2);
    fl_color(FL_BLACK);
    fl_loop(left + side / 2, top + 1, left + side - 1, top + side - 2, left + 1, top + side - 2);
    fl_font(FL_HELVETICA_BOLD, side / 2 + 4);
    fl_draw("!", left, top + 6, side, side - 8, FL_ALIGN_CENTER);
  }
};

// The dialog and its answer: each button's callback gives its answer and
// closes; the window's own callback (the close button, Escape) gives the
// answer closing stands for.
class Dialog : public Fl_Double_Window {
 public:
  Dialog(int width, int height, int closing_answer)
      : Fl_Double_Window(width, height), closing_answer_(closing_answer), answer_(closing_answer) {
    callback([](Fl_Widget* window, void*) {
      static_cast<Dialog*>(window)->Answer(static_cast<Dialog*>(window)->closing_answer_);
    });
  }
  void AddButton(Fl_Button* button, int answer) {
    button->callback(
        [](Fl_Widget* widget, void* value) {
          static_cast<Dialog*>(widget->window())->Answer(static_cast<int>(
              reinterpret_cast<intptr_t>(value)));
        },
        reinterpret_cast<void*>(static_cast<intptr_t>(answer)));
  }
  int answer() const { return answer_; }

  int handle(int event) override {
    // Enter presses the button with the focus, as Space does; FLTK would
    // give it to the OK button (Fl_Return_Button) whichever has the focus.
    if (event == FL_KEYBOARD && !(Fl::event_state() & (FL_SHIFT | FL_CTRL | FL_ALT)) &&
        (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter)) {
      if (auto* focused = dynamic_cast<Fl_Button*>(Fl::focus());
          focused && focused->window() == this) {
        focused->do_callback();
        return 1;
      }
    }
    return Fl_Double_Window::handle(event);
  }

 private:
  void Answer(int answer) {
    answer_ = answer;
    hide();
  }

  int closing_answer_;
  int answer_;
};

}  // namespace

bool WantsExclamation(int style) { return (style & 0x70) == 48; }

int RunMessageDialog(const std::string& text, int style, const std::string& title) {
  const std::string message = platform::Utf8FromCp1252(text);
  const std::string heading = platform::Utf8FromCp1252(title);
  const bool icon = WantsExclamation(style);
  const bool has_cancel = (style & kOkCancel) != 0;

  fl_font(FL_HELVETICA, kTextFontSize);
  int text_w = kWidestText, text_h = 0;
  fl_measure(message.c_str(), text_w, text_h, 0);
  // Labels are drawn a few pixels in from the box's edges: room for that.
  text_w = std::min(std::max(text_w, 120), kWidestText) + kLabelInset;
  text_h = std::max(text_h, icon ? kIconSide : kTextFontSize + 4);
  const int text_x = kMargin + (icon ? kIconSide + kMargin : 0);
  const int buttons_w = has_cancel ? 2 * kButtonWidth + kMargin : kButtonWidth;
  const int width = std::max(text_x + text_w + kMargin, kMargin + buttons_w + kMargin);
  const int height = kMargin + text_h + kMargin + kButtonHeight + kMargin;

  Dialog dialog(width, height, has_cancel ? kAnswerCancel : kAnswerOk);
  dialog.copy_label(heading.c_str());
  if (icon) new ExclamationIcon(kMargin, kMargin);
  auto* body = new Fl_Box(text_x, kMargin, text_w, text_h);
  body->copy_label(message.c_str());
  body->labelfont(FL_HELVETICA);
  body->labelsize(kTextFontSize);
  body->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  const int buttons_x = (width - buttons_w) / 2, buttons_y = height - kMargin - kButtonHeight;
  auto* ok = new Fl_Return_Button(buttons_x, buttons_y, kButtonWidth, kButtonHeight, "OK");
  dialog.AddButton(ok, kAnswerOk);
  if (has_cancel) {
    dialog.AddButton(new Fl_Button(buttons_x + kButtonWidth + kMargin, buttons_y, kButtonWidth,
                                   kButtonHeight, "Cancel"),
                     kAnswerCancel);
  }
  dialog.end();
  dialog.set_modal();
  dialog.position((Fl::w() - width) / 2, (Fl::h() - height) / 2);
  dialog.show();
  ok->take_focus();
  while (dialog.shown()) Fl::wait();
  return dialog.answer();
}

}  // namespace toolkit
