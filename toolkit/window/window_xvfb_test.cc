// The window front end on a virtual X display: xdotool types, the screen is
// read back with XGetImage. Skipped where Xvfb or xdotool are missing
// (scripts/setup installs them).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "toolkit/message_box.h"
#include "toolkit/window/testing/virtual_display.h"
#include "toolkit/window/window_front_end.h"

namespace {

using std::chrono::milliseconds;
using toolkit::testing::Eventually;
using toolkit::testing::OnPath;
using toolkit::testing::VirtualDisplay;
using toolkit::testing::WaitForExit;

// The window front end's message box in a process of its own, its answer
// the exit status. A box without a title of its own has the application's.
TEST(MessageDialogTest, ButtonsKeysAndCloseButtonAnswer) {
  if (!OnPath("Xvfb") || !OnPath("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
  VirtualDisplay display;
  ASSERT_TRUE(display.ok()) << "Xvfb did not start";
  const std::string three_lines = "First line\nSecond line\nThird line";
  const struct {
    int style;
    const char* how;  // keys for xdotool, or "close" for the close button
    int answer;
    const std::string& text;
    std::string title;  // given to MessageBox; the box shows it, or the application's
  } cases[] = {
      {49, "Return", 1, three_lines, "Question"},
      {49, "Tab Return", 2, three_lines, "Question"},
      {49, "Right space", 2, three_lines, ""},
      {49, "Escape", 2, three_lines, "Question"},
      {1, "close", 2, three_lines, "Question"},
      {0, "close", 1, "One line", ""},
  };
  int heights[2] = {0, 0};  // without the icon: three lines, one line
  for (const auto& c : cases) {
    const std::string trace = std::to_string(c.style) + " " + c.how;
    const std::string shown = c.title.empty() ? "Toolkit test" : c.title;
    const pid_t box = fork();
    if (box == 0) {
      setenv("DISPLAY", display.name().c_str(), 1);
      toolkit::Application application;
      application.title = "Toolkit test";
      std::unique_ptr<toolkit::FrontEnd> front_end = toolkit::CreateWindowFrontEnd(application);
      toolkit::SetFrontEnd(front_end.get());
      _exit(toolkit::MessageBox(c.text, c.style, c.title));
    }
    const Window window = display.WaitForWindow(shown);
    ASSERT_NE(window, 0u) << trace;
    if (c.style < 48) heights[c.text == three_lines ? 0 : 1] = display.Height(window);
    if (std::string(c.how) == "close") {
      display.RequestClose(window);
    } else {
      display.Type(window, c.how, /*named=*/true);
    }
    const std::optional<int> status = WaitForExit(box, milliseconds(8000));
    if (!status) kill(box, SIGKILL), waitpid(box, nullptr, 0);
    EXPECT_EQ(status, c.answer) << trace;
    ASSERT_TRUE(Eventually([&] { return display.Find(shown) == 0; })) << trace;
  }
  // The dialog grows with the lines of its text.
  EXPECT_GE(heights[0], heights[1] + 2 * 14) << "three lines, one line";
}

}  // namespace
