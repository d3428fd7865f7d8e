#include "toolkit/window/form_window.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/cp1252.h"
#include "toolkit/window/key_translation.h"
#include "toolkit/window/layout.h"

namespace toolkit {

namespace {

// Windows' colours for selected text and button faces.
constexpr Color kSelectionBack = 0x000080;
constexpr Color kSelectionFore = 0xFFFFFF;
constexpr Color kButtonFace = 0xC0C0C0;
// The sunken frame of a text box, in pixels.
constexpr int kTextBoxFrame = 2;
constexpr int kTextMargin = 1;

Fl_Color FlColor(Color rgb) {
  return fl_rgb_color(static_cast<uchar>(rgb >> 16), static_cast<uchar>(rgb >> 8),
                      static_cast<uchar>(rgb));
}

Fl_Font FlFont(const FontChoice& choice) {
  if (choice.fixed_pitch) return choice.bold ? FL_SCREEN_BOLD : FL_SCREEN;
  return choice.bold ? FL_HELVETICA_BOLD : FL_HELVETICA;
}

// Selects the control's font, shrunk where needed so `utf8` fits in room.
void SelectFont(const Form& form, const Control& control, const std::string& utf8, int room) {
  const FontChoice choice = ChooseFont(FontOf(form, control));
  const Fl_Font face = FlFont(choice);
  const int size = FittingSize(choice.pixels, room, [&](int candidate) {
    fl_font(face, candidate);
    return static_cast<int>(fl_width(utf8.c_str()));
  });
  fl_font(face, size);
}

int TextWidth(const std::string& utf8) {
  return utf8.empty() ? 0 : static_cast<int>(fl_width(utf8.c_str()));
}

// Draws a piece of text from x on the baseline, on `back` when given;
// returns where the next piece starts.
int DrawRun(const std::string& utf8, int x, int baseline, int top, int height, Color fore,
            std::optional<Color> back) {
  const int width = TextWidth(utf8);
  if (back) fl_rectf(x, top, width, height, FlColor(*back));
  fl_color(FlColor(fore));
  if (!utf8.empty()) fl_draw(utf8.c_str(), x, baseline);
  return x + width;
}

}  // namespace

FormWindow::FormWindow(std::function<void(const InputEvent&)> on_input,
                       std::function<void()> on_close, const std::string& window_class)
    : Fl_Double_Window(1, 1), on_input_(std::move(on_input)), on_close_(std::move(on_close)) {
  end();
  callback(CloseRequested, this);
  if (!window_class.empty()) xclass(window_class.c_str());  // FLTK keeps a copy
}

void FormWindow::CloseRequested(Fl_Widget*, void* data) {
  // FLTK also runs the window's callback for Escape; only a real close
  // request counts, Escape reaches the form as a key.
  if (Fl::event() == FL_CLOSE) static_cast<FormWindow*>(data)->on_close_();
}

void FormWindow::Follow(const Form* form) {
  if (!form || !form->Visible()) {
    if (shown()) hide();
    return;
  }
  const std::string caption = platform::Utf8FromCp1252(form->Caption);
  if (caption != caption_) {
    caption_ = caption;
    copy_label(caption_.c_str());
  }
  const PixelRect client = ClientRectOf(*form);
  if (client.width != w() || client.height != h()) size(client.width, client.height);
  if (!shown()) ShowFirstTime(*form);
  if (form->window_state == WindowState::kMinimized && visible()) iconize();
  redraw();
}

void FormWindow::ShowFirstTime(const Form& form) {
  position(PixelsFromTwips(form.Left), PixelsFromTwips(form.Top));
  show();
  take_focus();
}

void FormWindow::draw() {
  const Form* form = ActiveForm();
  fl_rectf(0, 0, w(), h(), FlColor(form ? form->BackColor : kButtonFace));
  if (!form) return;
  for (int16_t i = 0; i < form->ControlCount(); ++i) {
    const Control& control = form->ControlAt(i);
    if (!control.Visible) continue;
    switch (control.kind()) {
      case ControlKind::kTextBox:
        DrawTextBox(*form, static_cast<const TextBox&>(control));
        break;
      case ControlKind::kLabel:
        DrawLabel(*form, static_cast<const Label&>(control));
        break;
      case ControlKind::kCommandButton:
        DrawButton(*form, static_cast<const CommandButton&>(control));
        break;
    }
  }
}

void FormWindow::DrawTextBox(const Form& form, const TextBox& box) {
  const PixelRect r = RectOf(box);
  fl_rectf(r.x, r.y, r.width, r.height, FlColor(box.BackColor));
  fl_draw_box(FL_DOWN_FRAME, r.x, r.y, r.width, r.height, FL_BLACK);
  const int inner_x = r.x + kTextBoxFrame, inner_y = r.y + kTextBoxFrame;
  const int inner_w = r.width - 2 * kTextBoxFrame, inner_h = r.height - 2 * kTextBoxFrame;
  if (inner_w <= 0 || inner_h <= 0) return;
  fl_push_clip(inner_x, inner_y, inner_w, inner_h);
  const std::string& text = box.Text();
  const size_t start = std::min<size_t>(box.SelStart(), text.size());
  const size_t end = std::min<size_t>(start + box.SelLength(), text.size());
  const std::string before = platform::Utf8FromCp1252(text.substr(0, start));
  const std::string selected = platform::Utf8FromCp1252(text.substr(start, end - start));
  const std::string after = platform::Utf8FromCp1252(text.substr(end));
  const FontChoice font = ChooseFont(FontOf(form, box));
  fl_font(FlFont(font), font.pixels);
  const int line = fl_height();
  const int top = inner_y + std::max(0, (inner_h - line) / 2);
  const int baseline = top + line - fl_descent();
  int x = inner_x + kTextMargin;
  x = DrawRun(before, x, baseline, top, line, box.ForeColor, std::nullopt);
  const int caret_x = x;
  x = DrawRun(selected, x, baseline, top, line, kSelectionFore, kSelectionBack);
  DrawRun(after, x, baseline, top, line, box.ForeColor, std::nullopt);
  const bool focused = form.ActiveControl() == &box && Fl::focus() == this;
  if (focused && selected.empty()) {
    fl_color(FlColor(box.ForeColor));
    fl_yxline(caret_x, top, top + line - 1);
  }
  fl_pop_clip();
}

void FormWindow::DrawLabel(const Form& form, const Label& label) {
  const PixelRect r = RectOf(label);
  fl_rectf(r.x, r.y, r.width, r.height, FlColor(label.BackColor));
  const std::string caption = platform::Utf8FromCp1252(label.Caption);
  fl_push_clip(r.x, r.y, r.width, r.height);
  SelectFont(form, label, caption, r.width);
  fl_color(FlColor(label.ForeColor));
  fl_draw(caption.c_str(), r.x, r.y + fl_height() - fl_descent());
  fl_pop_clip();
}

void FormWindow::DrawButton(const Form& form, const CommandButton& button) {
  const PixelRect r = RectOf(button);
  fl_draw_box(FL_UP_BOX, r.x, r.y, r.width, r.height, FlColor(kButtonFace));
  // FLTK's label drawing underlines the letter after "&", as the access key.
  const std::string caption = platform::Utf8FromCp1252(button.Caption);
  SelectFont(form, button, button.ShownCaption(), r.width - 4);
  fl_color(FlColor(button.ForeColor));
  fl_draw(caption.c_str(), r.x, r.y, r.width, r.height, FL_ALIGN_CENTER | FL_ALIGN_CLIP);
}

int FormWindow::handle(int event) {
  switch (event) {
    case FL_FOCUS:
    case FL_UNFOCUS:
      redraw();  // the caret shows only while the window has the keyboard
      return 1;
    case FL_KEYDOWN:
    case FL_SHORTCUT:
      return HandleKey() ? 1 : Fl_Double_Window::handle(event);
    case FL_KEYUP:
      return 1;  // the toolkit runs the form's KeyUp with the key itself
    case FL_PUSH:
      HandleClick();
      return 1;
  }
  return Fl_Double_Window::handle(event);
}

bool FormWindow::HandleKey() {
  const std::optional<KeyInput> key = KeyFromFltk(
      Fl::event_key(), Fl::event_state(), std::string_view(Fl::event_text(), Fl::event_length()));
  if (key) on_input_(InputEvent::Key(*key));
  // Modifier keys are used up too: FLTK must never act on a key by itself
  // (Tab moving its own focus, Escape closing the window).
  return true;
}

void FormWindow::HandleClick() {
  take_focus();
  const Form* form = ActiveForm();
  if (!form) return;
  const Control* control = ControlAtPixel(*form, Fl::event_x(), Fl::event_y());
  on_input_(control ? InputEvent::Click(control->name(), control->index()) : InputEvent::Click());
}

}  // namespace toolkit
