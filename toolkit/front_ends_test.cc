#include "toolkit/front_ends.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

TEST(ChooseFrontEndTest, RequestThenDisplayThenTerminal) {
  struct Case {
    const char* requested;
    bool display, window_built, terminal;
    const char* chosen;
  } cases[] = {
      {"", true, true, true, "window"},       {"", true, false, true, "terminal"},
      {"", false, true, true, "terminal"},    {"", false, true, false, "headless"},
      {"", true, false, false, "headless"},   {"terminal", true, true, false, "terminal"},
      {"headless", true, true, true, "headless"}, {"window", false, false, true, "window"},
      {"curses", true, true, true, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseFrontEnd(c.requested, c.display, c.window_built, c.terminal), c.chosen)
        << c.requested << c.display << c.window_built << c.terminal;
  }
}

}  // namespace
}  // namespace toolkit
