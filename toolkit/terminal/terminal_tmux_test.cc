// The real terminal front end in tmux: message boxes and their answers, and a
// form larger than the terminal. (A terminal type nobody knows: dext's own
// test in app/.) Skipped where tmux is missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "toolkit/terminal/testing/tmux_session.h"

namespace {

class TerminalTest : public testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v tmux >/dev/null 2>&1") != 0) {
      GTEST_SKIP() << "tmux is not installed: the terminal front end is not exercised";
    }
  }
  toolkit::testing::Tmux tmux_;
};

const std::string kDemo =
    std::string("TERM=xterm-256color TOOLKIT_DEMO_UI=terminal ") + TERMINAL_DEMO_PATH;

TEST_F(TerminalTest, MessageBoxAnswersOkOrCancel) {
  const struct {
    int style;
    const char* keys;
    int answer;
  } cases[] = {
      {49, "Enter", 1},       {49, "Tab Enter", 2}, {49, "Right Left Space", 1},
      {49, "Escape", 2},      {49, "C-c", 2},       {48, "Escape", 1},
      {0, "C-c", 1},
  };
  for (const auto& c : cases) {
    const std::string trace = std::to_string(c.style) + " " + c.keys;
    tmux_.Start(kDemo + " box " + std::to_string(c.style) + " \"First line\\nSecond line\"");
    ASSERT_TRUE(tmux_.WaitFor("[ OK ]")) << trace << "\n" << tmux_.Screen();
    const std::string screen = tmux_.Screen();
    EXPECT_EQ(screen.find("[ Cancel ]") != std::string::npos, (c.style & 1) != 0) << trace;
    // A box without a title of its own has the application's.
    EXPECT_NE(screen.find(" Toolkit demo "), std::string::npos) << screen;
    // Each line of the text on a line of its own.
    EXPECT_NE(screen.find("First line "), std::string::npos) << screen;
    EXPECT_EQ(screen.find("First line Second"), std::string::npos) << screen;
    tmux_.Keys(c.keys);
    EXPECT_TRUE(tmux_.WaitFor("answer " + std::to_string(c.answer) + " ended 0"))
        << trace << "\n" << tmux_.Screen();
  }
}

TEST_F(TerminalTest, FormLargerThanTheTerminalIsNotDrawnUntilItFits) {
  tmux_.Start(kDemo + " form 60 16", 40, 10);
  ASSERT_TRUE(tmux_.WaitFor(
      "The terminal is too small for this form: it needs 62 columns and 18 rows"))
      << tmux_.Screen();
  tmux_.Keys("abc");  // typed into a form nobody sees: not taken
  tmux_.Resize(70, 20);
  ASSERT_TRUE(tmux_.WaitFor("Demo")) << tmux_.Screen();
  EXPECT_EQ(tmux_.Screen().find("too small"), std::string::npos) << tmux_.Screen();
  tmux_.Keys("xyz");
  ASSERT_TRUE(tmux_.WaitFor("xyz")) << tmux_.Screen();
  tmux_.Resize(50, 20);
  ASSERT_TRUE(tmux_.WaitFor("it needs 62 columns and 18 rows")) << tmux_.Screen();
  tmux_.Keys("Escape");  // reaches the form all the same
  EXPECT_TRUE(tmux_.WaitFor("typed [xyz] ended 0")) << tmux_.Screen();
}

}  // namespace
