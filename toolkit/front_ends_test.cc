#include "toolkit/front_ends.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

TEST(ChooseFrontEndTest, RequestThenDisplayThenTerminal) {
  struct Case {
    const char* requested;
    bool display, terminal;
    const char* chosen;
  } cases[] = {
      {"", true, true, "window"},          {"", false, true, "terminal"},
      {"", false, false, "headless"},      {"terminal", true, false, "terminal"},
      {"headless", true, true, "headless"}, {"window", false, true, "window"},
      {"curses", true, true, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseFrontEnd(c.requested, c.display, c.terminal), c.chosen)
        << c.requested << c.display << c.terminal;
  }
}

}  // namespace
}  // namespace toolkit
