#include "toolkit/window/message_dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Return_Button.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "platform/cp1252.h"

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

void Close(Fl_Widget* widget, void*) {
  widget->window() ? widget->window()->hide() : widget->hide();
}

}  // namespace

bool WantsExclamation(int style) { return (style & 0x70) == 48; }

void RunMessageDialog(const std::string& text, int style, const std::string& title) {
  const std::string message = platform::Utf8FromCp1252(text);
  const std::string heading = platform::Utf8FromCp1252(title.empty() ? kApplicationTitle : title);
  const bool icon = WantsExclamation(style);

  fl_font(FL_HELVETICA, kTextFontSize);
  int text_w = kWidestText, text_h = 0;
  fl_measure(message.c_str(), text_w, text_h, 0);
  // Labels are drawn a few pixels in from the box's edges: room for that.
  text_w = std::min(std::max(text_w, 120), kWidestText) + kLabelInset;
  text_h = std::max(text_h, icon ? kIconSide : kTextFontSize + 4);
  const int text_x = kMargin + (icon ? kIconSide + kMargin : 0);
  const int width = text_x + text_w + kMargin;
  const int height = kMargin + text_h + kMargin + kButtonHeight + kMargin;

  Fl_Double_Window dialog(width, height);
  dialog.copy_label(heading.c_str());
  if (icon) new ExclamationIcon(kMargin, kMargin);
  auto* body = new Fl_Box(text_x, kMargin, text_w, text_h);
  body->copy_label(message.c_str());
  body->labelfont(FL_HELVETICA);
  body->labelsize(kTextFontSize);
  body->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  auto* ok = new Fl_Return_Button((width - kButtonWidth) / 2, height - kMargin - kButtonHeight,
                                  kButtonWidth, kButtonHeight, "OK");
  ok->callback(Close);
  dialog.end();
  dialog.callback(Close);  // the close button and Escape answer the box too
  dialog.set_modal();
  dialog.position((Fl::w() - width) / 2, (Fl::h() - height) / 2);
  dialog.show();
  ok->take_focus();
  while (dialog.shown()) Fl::wait();
}

}  // namespace toolkit
