#include "toolkit/front_ends.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <stdexcept>

#include "toolkit/headless.h"

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

// The variables are the application's: the front end follows the one it
// names, and a headless one types the keys of the other.
TEST(CreateFrontEndTest, ReadsTheVariablesTheApplicationNames) {
  Application application;
  application.front_end_variable = "TOOLKIT_TEST_UI";
  application.key_script_variable = "TOOLKIT_TEST_KEYS";
  ASSERT_EQ(setenv("DISPLAY", "", 1), 0);  // no display is opened
  ASSERT_EQ(setenv("TOOLKIT_TEST_UI", "headless", 1), 0);
  ASSERT_EQ(setenv("TOOLKIT_TEST_KEYS", "a{Esc}", 1), 0);
  std::unique_ptr<FrontEnd> front_end = CreateFrontEnd(application);
  ASSERT_NE(dynamic_cast<HeadlessFrontEnd*>(front_end.get()), nullptr);
  std::optional<InputEvent> first = front_end->NextInput(true);
  std::optional<InputEvent> second = front_end->NextInput(true);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->key.character, 'a');
  EXPECT_EQ(second->key.key_code, kKeyEscape);
  EXPECT_EQ(front_end->NextInput(true), std::nullopt);

  // Without a key-script variable, the keys stay untyped.
  application.key_script_variable.clear();
  front_end = CreateFrontEnd(application);
  EXPECT_EQ(front_end->NextInput(true), std::nullopt);

  ASSERT_EQ(setenv("TOOLKIT_TEST_UI", "curses", 1), 0);
  try {
    CreateFrontEnd(application);
    ADD_FAILURE() << "an unknown choice was taken";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "TOOLKIT_TEST_UI=curses: expected window, terminal or headless");
  }
  ASSERT_EQ(setenv("TOOLKIT_TEST_UI", "window", 1), 0);
  try {
    CreateFrontEnd(application);
    ADD_FAILURE() << "a window without a display";
  } catch (const FrontEndUnavailable& error) {
    EXPECT_STREQ(error.what(), "TOOLKIT_TEST_UI=window needs a display (DISPLAY is not usable)");
  }
  unsetenv("TOOLKIT_TEST_UI");
  unsetenv("TOOLKIT_TEST_KEYS");
}

}  // namespace
}  // namespace toolkit
