// The real terminal front end in tmux: the transfer screen appears, a path
// typed into DNP shows in upper case, Escape ends the program and gives the
// terminal back.
#include <gtest/gtest.h>
#include <string>

#include "toolkit/terminal/testing/tmux_session.h"

namespace {

TEST(TerminalFrontEndTest, DestinationPromptInTmux) {
  if (system("command -v tmux >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "tmux is not installed: the terminal front end is not exercised";
  }
  toolkit::testing::Tmux tmux;
  tmux.Start(std::string("TERM=xterm-256color DEXT_UI=terminal ") + SCREEN_DEMO_PATH);
  ASSERT_TRUE(tmux.WaitFor("Transferring Customer Data To Accounting")) << tmux.Screen();
  EXPECT_TRUE(tmux.WaitFor("Is Drive and Path Correct (Y/N):")) << tmux.Screen();
  EXPECT_NE(tmux.Screen().find("DEXT"), std::string::npos);

  tmux.Keys("'f:\\dlr'");
  ASSERT_TRUE(tmux.WaitFor("F:\\DLR")) << tmux.Screen();
  EXPECT_EQ(tmux.Screen().find("f:\\dlr"), std::string::npos);

  tmux.Keys("Escape");
  ASSERT_TRUE(tmux.WaitFor("ended 2")) << tmux.Screen();
  // The terminal is back: the form is gone and the shell's output shows.
  const std::string after = tmux.Screen();
  EXPECT_EQ(after.find("Transferring Customer Data"), std::string::npos) << after;
  EXPECT_NE(after.find("cancelled"), std::string::npos) << after;
}

}  // namespace
