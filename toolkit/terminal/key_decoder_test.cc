#include "toolkit/terminal/key_decoder.h"

#include <curses.h>
#include <gtest/gtest.h>

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
