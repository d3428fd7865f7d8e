#include "toolkit/terminal/key_decoder.h"

#include <curses.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "toolkit/terminal/grid.h"

namespace toolkit {
namespace {

TEST(KeyDecoderTest, KeyCodesAndCharacters) {
  KeyDecoder decoder({{600, KeyInput{kKeyPageUp, kCtrl, 0}}});
  struct Case {
    int code;
    bool is_key_code;
    KeyInput key;
  } cases[] = {
      {KEY_F(1), true, {kKeyF1, 0, 0}},          {KEY_F(13), true, {kKeyF1, kShift, 0}},
      {KEY_F(36), true, {kKeyF12, kCtrl, 0}},    {KEY_F(49), true, {kKeyF1, kAlt, 0}},
      {KEY_BTAB, true, {kKeyTab, kShift, 9}},    {KEY_HOME, true, {kKeyHome, 0, 0}},
      {KEY_SR, true, {kKeyUp, kShift, 0}},       {KEY_SNEXT, true, {kKeyPageDown, kShift, 0}},
      {KEY_DC, true, {kKeyDelete, 0, 0}},        {KEY_BACKSPACE, true, {kKeyBackspace, 0, 8}},
      {600, true, {kKeyPageUp, kCtrl, 0}},       {'\r', false, {kKeyEnter, 0, 13}},
      {127, false, {kKeyBackspace, 0, 8}},       {'\t', false, {kKeyTab, 0, 9}},
      {3, false, {'C', kCtrl, 3}},               {'a', false, {'A', 0, 'a'}},
      {0x20AC, false, {kKeyPacket, 0, 0x80}},    // euro sign: Windows-1252 0x80
      {0x3A9, false, {0, 0, 0}},                 // Omega: refused
  };
  for (const Case& c : cases) {
    EXPECT_EQ(decoder.Feed(c.code, c.is_key_code), std::vector<KeyInput>{c.key}) << c.code;
  }
}

TEST(KeyDecoderTest, EscapeAloneOrAsAlt) {
  KeyDecoder decoder;
  EXPECT_TRUE(decoder.Feed(27, false).empty());
  EXPECT_TRUE(decoder.EscapePending());
  EXPECT_EQ(decoder.Feed('c', false), (std::vector<KeyInput>{{'C', kAlt, 0}}));
  EXPECT_TRUE(decoder.Feed(27, false).empty());
  EXPECT_EQ(decoder.Timeout(), (std::vector<KeyInput>{{kKeyEscape, 0, 27}}));
  EXPECT_TRUE(decoder.Timeout().empty());
  // ESC followed by a key code: Escape, then that key.
  decoder.Feed(27, false);
  EXPECT_EQ(decoder.Feed(KEY_UP, true),
            (std::vector<KeyInput>{{kKeyEscape, 0, 27}, {kKeyUp, 0, 0}}));
}

// An ncurses screen of a given terminal type whose keyboard is a pipe: what
// the test writes is read back through ncurses as the front end reads it.
class PipedTerminal {
 public:
  explicit PipedTerminal(const char* type) {
    if (pipe(fds_) != 0) return;
    input_ = fdopen(fds_[0], "r");
    output_ = std::fopen("/dev/null", "w");
    screen_ = newterm(type, output_, input_);
    if (!screen_) return;
    raw();
    noecho();
    keypad(stdscr, TRUE);
    decoder_ = KeyDecoder(RegisterModifiedKeys());
  }
  ~PipedTerminal() {
    if (screen_) {
      endwin();
      delscreen(screen_);
    }
    if (input_) std::fclose(input_);
    if (output_) std::fclose(output_);
    close(fds_[1]);
  }
  bool Ready() const { return screen_ != nullptr; }

  std::vector<KeyInput> Keys(const std::string& bytes) {
    if (write(fds_[1], bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) return {};
    std::vector<KeyInput> keys;
    timeout(50);
    wint_t code;
    for (int result; (result = get_wch(&code)) != ERR;) {
      for (const KeyInput& key : decoder_.Feed(static_cast<int>(code), result == KEY_CODE_YES)) {
        keys.push_back(key);
      }
    }
    return keys;
  }

 private:
  int fds_[2] = {-1, -1};
  FILE* input_ = nullptr;
  FILE* output_ = nullptr;
  SCREEN* screen_ = nullptr;
  KeyDecoder decoder_;
};

// The same key and shift state as the window front end gives, whether the
// terminal description names the sequence (xterm, rxvt) or not (screen).
TEST(KeyDecoderTest, ModifiedNavigationKeysFromTheTerminal) {
  const struct {
    const char* type;
    const char* bytes;
    KeyInput key;
  } cases[] = {
      {"xterm", "\033[1;2A", {kKeyUp, kShift, 0}},
      {"xterm", "\033[1;5B", {kKeyDown, kCtrl, 0}},
      {"xterm", "\033[1;3A", {kKeyUp, kAlt, 0}},
      {"xterm", "\033[1;6B", {kKeyDown, kCtrl | kShift, 0}},
      {"xterm", "\033[5;2~", {kKeyPageUp, kShift, 0}},
      {"xterm", "\033[6;5~", {kKeyPageDown, kCtrl, 0}},
      {"xterm", "\033[5;3~", {kKeyPageUp, kAlt, 0}},
      {"xterm", "\033[1;5H", {kKeyHome, kCtrl, 0}},
      {"xterm", "\033[1;2D", {kKeyLeft, kShift, 0}},
      {"xterm", "\033[1;5P", {kKeyF1, kCtrl, 0}},
      {"screen", "\033[1;2B", {kKeyDown, kShift, 0}},
      {"screen", "\033[1;5A", {kKeyUp, kCtrl, 0}},
      {"screen", "\033[6;3~", {kKeyPageDown, kAlt, 0}},
      {"screen", "\033[1;5H", {kKeyHome, kCtrl, 0}},
      {"screen", "\033[Z", {kKeyTab, kShift, 9}},
      {"rxvt", "\033Oa", {kKeyUp, kCtrl, 0}},
      {"rxvt", "\033[b", {kKeyDown, kShift, 0}},
      {"rxvt", "\033[6$", {kKeyPageDown, kShift, 0}},
  };
  for (const auto& c : cases) {
    PipedTerminal terminal(c.type);
    if (!terminal.Ready()) {
      ADD_FAILURE() << "no terminal description for " << c.type;
      continue;
    }
    EXPECT_EQ(terminal.Keys(c.bytes), std::vector<KeyInput>{c.key}) << c.type << " " << c.bytes + 1;
  }
}

TEST(GridTest, TwipsColoursAndCaptions) {
  EXPECT_EQ(ColumnOf(6690), 56);
  EXPECT_EQ(RowOf(2760), 12);
  EXPECT_EQ(ColumnsOf(60), 1);
  EXPECT_EQ(TerminalColor(0x0000C0, 8), COLOR_BLUE);
  EXPECT_EQ(TerminalColor(0xC0C0FF, 8), COLOR_WHITE);
  EXPECT_EQ(TerminalColor(0x000000, 8), COLOR_BLACK);
  EXPECT_EQ(TerminalColor(0xFF0000, 256), 16 + 36 * 5);
  EXPECT_EQ(CaptionStart(15, 23, 32), 6);  // the question ends at its box
  EXPECT_EQ(CaptionStart(15, 40, 32), 15);
  EXPECT_EQ(CaptionStart(2, 5, 32), 0);
}

TEST(GridTest, FocusedTextBoxShowsItsSelectionAndCaret) {
  TextBox box("box");
  box.SetText("abcdef");
  box.SetSelStart(4);
  box.HandleNavigationKey(kKeyLeft, kShift);
  box.HandleNavigationKey(kKeyLeft, kShift);  // "cd" selected, caret before c
  TextBoxCells cells = LayOutTextBox(box, 8, true);
  EXPECT_EQ(cells.shown, "abcdef  ");
  EXPECT_EQ(cells.selection_begin, 2);
  EXPECT_EQ(cells.selection_end, 4);
  EXPECT_EQ(cells.caret, 2);
  // Unfocused: neither selection nor caret.
  cells = LayOutTextBox(box, 8, false);
  EXPECT_EQ(cells.selection_end, cells.selection_begin);
  EXPECT_EQ(cells.caret, -1);
  box.HandleNavigationKey(kKeyEnd, kShift);  // "ef", caret after f
  cells = LayOutTextBox(box, 8, true);
  EXPECT_EQ(cells.selection_begin, 4);
  EXPECT_EQ(cells.selection_end, 6);
  EXPECT_EQ(cells.caret, 6);
  // Cut to a narrower box: so are the selection and the caret.
  cells = LayOutTextBox(box, 5, true);
  EXPECT_EQ(cells.shown, "abcde");
  EXPECT_EQ(cells.selection_begin, 4);
  EXPECT_EQ(cells.selection_end, 5);
  EXPECT_EQ(cells.caret, 4);
}

}  // namespace
}  // namespace toolkit
