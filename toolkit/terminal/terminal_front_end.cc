#include "toolkit/terminal/terminal_front_end.h"

#include <curses.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <csignal>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/cp1252.h"
#include "toolkit/form.h"
#include "toolkit/message_box.h"
#include "toolkit/terminal/grid.h"
#include "toolkit/terminal/key_decoder.h"

namespace toolkit {

namespace {

constexpr int kEscapeWaitMs = 30;
constexpr int kCrashSignals[] = {SIGSEGV, SIGABRT, SIGTERM, SIGINT, SIGHUP, SIGBUS, SIGFPE};

volatile std::sig_atomic_t terminal_taken = 0;

// Gives the terminal back, then dies of the same signal.
void RestoreAndReraise(int signal_number) {
  if (terminal_taken) {
    terminal_taken = 0;
    endwin();
  }
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

std::vector<std::string> WrapParagraph(const std::string& text, size_t width) {
  std::vector<std::string> lines;
  std::string line;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    std::string word = text.substr(at, end - at);
    while (word.size() > width) {
      if (!line.empty()) lines.push_back(line), line.clear();
      lines.push_back(word.substr(0, width));
      word = word.substr(width);
    }
    if (!line.empty() && line.size() + 1 + word.size() > width) lines.push_back(line), line.clear();
    line += (line.empty() ? "" : " ") + word;
    at = end + 1;
  }
  if (!line.empty() || lines.empty()) lines.push_back(line);
  return lines;
}

std::vector<std::string> WrapText(const std::string& text, size_t width) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (true) {
    const size_t end = std::min(text.find('\n', at), text.size());
    for (std::string& line : WrapParagraph(text.substr(at, end - at), width)) {
      lines.push_back(std::move(line));
    }
    if (end == text.size()) return lines;
    at = end + 1;
  }
}

// What a key does to a message box whose buttons are OK and, with
// has_cancel, Cancel: the answer it gives, or 0 when the box stays up (Tab,
// Shift+Tab and the arrows move `selected` between OK, 0, and Cancel, 1).
int BoxAnswer(const KeyInput& key, bool has_cancel, int& selected) {
  if (key.key_code == kKeyEnter || key.key_code == kKeySpace) {
    return selected == 1 ? kAnswerCancel : kAnswerOk;
  }
  // Escape and Ctrl+C (raw input delivers it as a key, not as a signal)
  // close the box: Cancel where there is one.
  if (key.key_code == kKeyEscape || (key.key_code == 'C' && key.shift == kCtrl)) {
    return has_cancel ? kAnswerCancel : kAnswerOk;
  }
  if ((key.shift & kCtrl) == 0 && key.key_code == 'O') return kAnswerOk;  // O or Alt+O
  if ((key.shift & kCtrl) == 0 && key.key_code == 'C' && has_cancel) return kAnswerCancel;
  const bool moves = key.key_code == kKeyTab || key.key_code == kKeyLeft ||
                     key.key_code == kKeyRight || key.key_code == kKeyUp ||
                     key.key_code == kKeyDown;
  if (moves && has_cancel) selected = 1 - selected;
  return 0;
}

class TerminalFrontEnd : public FrontEnd {
 public:
  explicit TerminalFrontEnd(const Application& application)
      : application_title_(application.title) {
    std::setlocale(LC_ALL, "");
    set_escdelay(25);
    initscr();
    terminal_taken = 1;
    for (int signal_number : kCrashSignals) std::signal(signal_number, RestoreAndReraise);
    raw();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    if (has_colors()) {
      start_color();
      colors_ = COLORS;
    }
    modified_keys_ = RegisterModifiedKeys();
    decoder_ = KeyDecoder(modified_keys_);
  }

  ~TerminalFrontEnd() override {
    if (terminal_taken) {
      terminal_taken = 0;
      endwin();
    }
    for (int signal_number : kCrashSignals) std::signal(signal_number, SIG_DFL);
  }

  void ShowMessage(const std::string& text, int style, const std::string& title) override {
    AskMessage(text, style, title);
  }
  int AskMessage(const std::string& text, int style, const std::string& title) override;
  void Beep() override { beep(); }
  void ShowStatus(const std::string& text) override {
    status_ = text;
    DrawStatus();
    refresh();
  }
  std::optional<InputEvent> NextInput(bool wait) override;
  void Repaint() override;

 private:
  int Pair(Color fore, Color back);
  void DrawControl(const Form& form, const Control& control, int y0, int x0, int rows, int cols);
  // One read from the window: nullopt when nothing came within the time
  // (-1: wait) or the input has closed.
  std::optional<int> ReadCode(WINDOW* window, int timeout_ms, bool& is_key_code);
  // The next key, decoded; nullopt as NextInput.
  std::optional<KeyInput> NextKey(bool wait);
  void DrawTooSmall(int rows, int cols);
  void DrawStatus();

  // The title of a box whose caller gives none.
  const std::string application_title_;
  std::map<int, KeyInput> modified_keys_;
  KeyDecoder decoder_;
  std::deque<KeyInput> keys_;
  std::map<std::pair<int, int>, int> pairs_;
  int colors_ = 0;
  int caret_y_ = -1, caret_x_ = -1;
  std::string status_;
  // The active form does not fit the terminal and is not drawn.
  bool form_hidden_ = false;
};

int TerminalFrontEnd::Pair(Color fore, Color back) {
  if (colors_ == 0) return 0;
  const std::pair<int, int> key{TerminalColor(fore, colors_), TerminalColor(back, colors_)};
  if (auto found = pairs_.find(key); found != pairs_.end()) return found->second;
  const int number = static_cast<int>(pairs_.size()) + 1;
  if (number >= COLOR_PAIRS) return 0;
  init_pair(static_cast<short>(number), static_cast<short>(key.first),
            static_cast<short>(key.second));
  pairs_[key] = number;
  return number;
}

void TerminalFrontEnd::DrawControl(const Form& form, const Control& control, int y0, int x0,
                                   int rows, int cols) {
  const int row = RowOf(control.Top);
  const int left = ColumnOf(control.Left);
  if (!control.Visible || row >= rows || left >= cols) return;
  const int width = std::min(ColumnsOf(control.Width), cols - left);
  const bool bold = control.font ? control.font->bold : form.font.bold;
  const attr_t attributes = COLOR_PAIR(Pair(control.ForeColor, control.BackColor)) |
                            (bold ? A_BOLD : A_NORMAL);
  std::string shown;
  int start = left;
  TextBoxCells cells;
  switch (control.kind()) {
    case ControlKind::kLabel: {
      const std::string& caption = static_cast<const Label&>(control).Caption;
      start = CaptionStart(left, width, static_cast<int>(caption.size()));
      shown = caption.substr(0, cols - start);
      break;
    }
    case ControlKind::kCommandButton:
      shown = "[" + static_cast<const CommandButton&>(control).ShownCaption() + "]";
      shown.resize(width, ' ');
      break;
    case ControlKind::kTextBox: {
      cells = LayOutTextBox(static_cast<const TextBox&>(control), width,
                            form.ActiveControl() == &control);
      shown = cells.shown;
      if (cells.caret >= 0) {
        caret_y_ = y0 + row;
        caret_x_ = x0 + left + cells.caret;
      }
      break;
    }
  }
  attron(attributes);
  mvaddstr(y0 + row, x0 + start, platform::Utf8FromCp1252(shown).c_str());
  attroff(attributes);
  if (cells.selection_end > cells.selection_begin) {
    // The selected cells in reverse video, over what was just drawn.
    const std::string selected =
        shown.substr(cells.selection_begin, cells.selection_end - cells.selection_begin);
    attron(attributes | A_REVERSE);
    mvaddstr(y0 + row, x0 + left + cells.selection_begin,
             platform::Utf8FromCp1252(selected).c_str());
    attroff(attributes | A_REVERSE);
  }
}

void TerminalFrontEnd::Repaint() {
  erase();
  caret_y_ = caret_x_ = -1;
  form_hidden_ = false;
  const Form* form = ActiveForm();
  if (form && form->Visible() && form->window_state != WindowState::kMinimized) {
    const int rows = RowOf(form->ClientHeight);
    const int cols = ColumnOf(form->ClientWidth);
    if (LINES < rows + 2 || COLS < cols + 2) {
      DrawTooSmall(rows + 2, cols + 2);
      return;
    }
    const int top = std::max(0, (LINES - rows - 2) / 2);
    const int left = std::max(0, (COLS - cols - 2) / 2);
    const attr_t back = COLOR_PAIR(Pair(form->ForeColor, form->BackColor));
    attron(back);
    for (int r = 0; r < rows + 2; ++r) mvhline(top + r, left, ' ', cols + 2);
    mvhline(top, left + 1, ACS_HLINE, cols);
    mvhline(top + rows + 1, left + 1, ACS_HLINE, cols);
    mvvline(top + 1, left, ACS_VLINE, rows);
    mvvline(top + 1, left + cols + 1, ACS_VLINE, rows);
    mvaddch(top, left, ACS_ULCORNER);
    mvaddch(top, left + cols + 1, ACS_URCORNER);
    mvaddch(top + rows + 1, left, ACS_LLCORNER);
    mvaddch(top + rows + 1, left + cols + 1, ACS_LRCORNER);
    mvaddstr(top, left + 2, platform::Utf8FromCp1252(form->Caption + " ").c_str());
    attroff(back);
    for (int16_t i = 0; i < form->ControlCount(); ++i) {
      DrawControl(*form, form->ControlAt(i), top + 1, left + 1, rows, cols);
    }
    if (top + rows + 2 < LINES) DrawStatus();  // below the form only
  }
  if (caret_y_ >= 0) {
    curs_set(1);
    move(caret_y_, caret_x_);
  } else {
    curs_set(0);
  }
  refresh();
}

void TerminalFrontEnd::DrawStatus() {
  move(LINES - 1, 0);
  clrtoeol();
  addnstr(platform::Utf8FromCp1252(status_).c_str(), COLS);
  if (caret_y_ >= 0) move(caret_y_, caret_x_);
}

void TerminalFrontEnd::DrawTooSmall(int rows, int cols) {
  // Part of a form would show fields cut off or not at all; say what it
  // needs instead, until the terminal is made larger (KEY_RESIZE repaints).
  form_hidden_ = true;
  const std::vector<std::string> lines =
      WrapText("The terminal is too small for this form: it needs " + std::to_string(cols) +
                   " columns and " + std::to_string(rows) + " rows",
               static_cast<size_t>(std::max(1, COLS)));
  const int top = std::max(0, (LINES - static_cast<int>(lines.size())) / 2);
  for (size_t i = 0; i < lines.size(); ++i) {
    const int left = std::max(0, (COLS - static_cast<int>(lines[i].size())) / 2);
    mvaddstr(top + static_cast<int>(i), left, lines[i].c_str());
  }
  curs_set(0);
  refresh();
}

std::optional<int> TerminalFrontEnd::ReadCode(WINDOW* window, int timeout_ms,
                                              bool& is_key_code) {
  const auto read = [&](int ms) -> std::optional<int> {
    wtimeout(window, ms);
    wint_t code;
    const int result = wget_wch(window, &code);
    if (result == ERR) return std::nullopt;
    is_key_code = result == KEY_CODE_YES;
    return static_cast<int>(code);
  };
  if (timeout_ms >= 0) return read(timeout_ms);
  // Waiting without end, the read still wakes now and then: a resize signal
  // that lands just before the read starts is only seen by the next read,
  // and the form would stay drawn for the old size until a key came.
  constexpr int kWakeMs = 250;
  for (;;) {
    const auto started = std::chrono::steady_clock::now();
    if (std::optional<int> code = read(kWakeMs)) return code;
    // A read that fails at once means the input has closed.
    if (std::chrono::steady_clock::now() - started < std::chrono::milliseconds(kWakeMs / 2)) {
      return std::nullopt;
    }
  }
}

std::optional<InputEvent> TerminalFrontEnd::NextInput(bool wait) {
  for (;;) {
    if (std::optional<KeyInput> key = NextKey(wait)) {
      const InputEvent event = InputEvent::Key(*key);
      // Keys typed while the form is hidden would change fields nobody can
      // see: only those that reach Cancel get through.
      if (form_hidden_ && !PassesWhileBusy(event, ActiveForm())) continue;
      return event;
    }
    return std::nullopt;
  }
}

std::optional<KeyInput> TerminalFrontEnd::NextKey(bool wait) {
  while (keys_.empty()) {
    const bool escape_pending = decoder_.EscapePending();
    bool is_key_code = false;
    const std::optional<int> code =
        ReadCode(stdscr, escape_pending ? kEscapeWaitMs : (wait ? -1 : 0), is_key_code);
    if (!code) {
      if (escape_pending) {
        for (const KeyInput& key : decoder_.Timeout()) keys_.push_back(key);
        continue;
      }
      return std::nullopt;  // nothing pending, or the input has closed
    }
    if (is_key_code && *code == KEY_RESIZE) {
      Repaint();
      continue;
    }
    for (const KeyInput& key : decoder_.Feed(*code, is_key_code)) keys_.push_back(key);
  }
  const KeyInput key = keys_.front();
  keys_.pop_front();
  return key;
}

int TerminalFrontEnd::AskMessage(const std::string& text, int style, const std::string& title) {
  const bool has_cancel = (style & kOkCancel) != 0;
  const std::string heading = title.empty() ? application_title_ : title;
  const std::string icon = (style & 48) == 48 ? "! " : "";
  const std::string ok = "[ OK ]", cancel = "[ Cancel ]", gap = "  ";
  const int buttons_width =
      static_cast<int>(ok.size() + (has_cancel ? gap.size() + cancel.size() : 0));
  int selected = 0;
  WINDOW* box_window = nullptr;
  // (Re)draws the box in the middle of the terminal as it now is, with the
  // selected button in reverse video.
  const auto draw = [&] {
    if (box_window) delwin(box_window);
    const size_t room = static_cast<size_t>(std::max(10, std::min(COLS - 6, 60)));
    std::vector<std::string> lines = WrapText(icon + text, room);
    lines.resize(std::min(lines.size(), static_cast<size_t>(std::max(1, LINES - 4))));
    // The heading is drawn as " heading " from the third column, inside the corners.
    const size_t heading_width = heading.empty() ? 0 : heading.size() + 2;
    size_t width = std::max(heading_width, static_cast<size_t>(buttons_width)) + 4;
    for (const std::string& line : lines) width = std::max(width, line.size() + 4);
    const int height = static_cast<int>(lines.size()) + 4;
    box_window = newwin(height, static_cast<int>(width), std::max(0, (LINES - height) / 2),
                        std::max(0, (COLS - static_cast<int>(width)) / 2));
    if (!box_window) return;  // no room at all: the keys still answer
    keypad(box_window, TRUE);
    wbkgd(box_window, COLOR_PAIR(Pair(0x000000, 0xC0C0C0)));
    box(box_window, 0, 0);
    if (!heading.empty()) {
      mvwaddstr(box_window, 0, 2, platform::Utf8FromCp1252(" " + heading + " ").c_str());
    }
    for (size_t i = 0; i < lines.size(); ++i) {
      mvwaddstr(box_window, static_cast<int>(i) + 1, 2,
                platform::Utf8FromCp1252(lines[i]).c_str());
    }
    const int left = (static_cast<int>(width) - buttons_width) / 2;
    const auto button = [&](int column, const std::string& caption, bool on) {
      if (on) wattron(box_window, A_REVERSE);
      mvwaddstr(box_window, height - 2, column, caption.c_str());
      if (on) wattroff(box_window, A_REVERSE);
    };
    button(left, ok, selected == 0);
    if (has_cancel) button(left + static_cast<int>(ok.size() + gap.size()), cancel, selected == 1);
    wrefresh(box_window);
  };

  curs_set(0);
  draw();
  beep();
  KeyDecoder decoder(modified_keys_);
  int answer = 0;
  while (answer == 0) {
    bool is_key_code = false;
    const std::optional<int> code = ReadCode(box_window ? box_window : stdscr,
                                             decoder.EscapePending() ? kEscapeWaitMs : -1,
                                             is_key_code);
    std::vector<KeyInput> keys;
    if (!code && !decoder.EscapePending()) {
      // The input has closed: nobody can answer, so the box is closed.
      answer = has_cancel ? kAnswerCancel : kAnswerOk;
    } else if (!code) {
      keys = decoder.Timeout();
    } else if (is_key_code && *code == KEY_RESIZE) {
      Repaint();
      draw();
    } else {
      keys = decoder.Feed(*code, is_key_code);
    }
    for (const KeyInput& key : keys) {
      const int was_selected = selected;
      if ((answer = BoxAnswer(key, has_cancel, selected)) != 0) break;
      if (selected != was_selected) draw();
    }
  }
  if (box_window) delwin(box_window);
  decoder_ = KeyDecoder(modified_keys_);
  Repaint();
  return answer;
}

}  // namespace

std::unique_ptr<FrontEnd> CreateTerminalFrontEnd(const Application& application) {
  if (const std::string problem = TerminalProblem(); !problem.empty()) {
    const std::string& variable = application.front_end_variable;
    const std::string instead = variable.empty() ? "" : "run with " + variable + "=headless or ";
    throw FrontEndUnavailable(problem + "; " + instead + "set TERM");
  }
  return std::make_unique<TerminalFrontEnd>(application);
}

}  // namespace toolkit
