// The transfer screen's destination prompt. What the answers in the
// confirmation field do is tested with the driver, whose procedure reads them.
#include "screen/testing/screen_fixture.h"

namespace dext {
namespace {

using TransferScreenTest = ScreenTest;

TEST_F(TransferScreenTest, TheLowerAreaShowsAtTheGrownHeight) {
  // At the designed size only the title and the stock number are inside.
  auto inside = [&](const char* name, int16_t index = -1) {
    const toolkit::Control& control = *form().FindControl(name, index);
    return control.Top + control.Height <= form().ClientHeight &&
           control.Left + control.Width <= form().ClientWidth;
  };
  EXPECT_TRUE(inside("L1000"));
  EXPECT_TRUE(inside("kvf", 0));
  EXPECT_FALSE(inside("kvf", 1));
  EXPECT_FALSE(inside("kvf", 2));
  ShowDestinationPrompt();
  EXPECT_EQ(form().Height(), kDestinationPromptHeight);
  for (const char* name : {"L1001", "Label1"}) EXPECT_TRUE(inside(name)) << name;
  EXPECT_TRUE(inside("kvf", 1));
  EXPECT_TRUE(inside("kvf", 2));
  EXPECT_FALSE(inside("ButCancel"));  // never seen; reached by Escape and Alt+C
}

TEST_F(TransferScreenTest, TheSavedDestinationIsEditedWithoutItsPadding) {
  SetScreenField(1, "F:\\OLD");  // the saved destination, still hidden
  ShowDestinationPrompt();
  EXPECT_EQ(Field(1).Text(), "F:\\OLD");
  Type("{End}{Backspace}{Backspace}{Backspace}dlr{Enter}");
  EXPECT_EQ(GetScreenField(1), "F:\\DLR" + std::string(14, ' '));
  EXPECT_EQ(Procedures(), std::vector<std::string>{"DNP"});
}

}  // namespace
}  // namespace dext
