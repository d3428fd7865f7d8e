// The transfer screen as designed and its destination prompt. What the
// answers in the confirmation field do is tested with the driver, whose
// procedure reads them.
#include <array>

#include "screen/testing/screen_fixture.h"

namespace dext {
namespace {

using TransferScreenTest = ScreenTest;

TEST_F(TransferScreenTest, FormAndControlsAsDesigned) {
  EXPECT_EQ(form().name(), "dext01");
  EXPECT_EQ(form().Caption, " DEXT");
  EXPECT_EQ(form().BackColor, 0xC0C0C0u);
  EXPECT_EQ(form().ForeColor, 0xFFFFFFu);
  EXPECT_EQ(form().font, (toolkit::Font{"Fixedsys", 9, false}));
  EXPECT_EQ((std::array{form().Left, form().Top, form().ClientWidth, form().ClientHeight}),
            (std::array{1215, 2415, 6690, 1815}));
  EXPECT_TRUE(form().KeyPreview);

  struct Design {
    const char* name;
    int16_t index;
    toolkit::ControlKind kind;
    int left, top, width, height;
    int16_t tab_index;
  };
  const Design designs[] = {
      {"kvf", 0, toolkit::ControlKind::kTextBox, 2550, 870, 1575, 405, 0},
      {"kvf", 1, toolkit::ControlKind::kTextBox, 2100, 2280, 2490, 240, 1},
      {"kvf", 2, toolkit::ControlKind::kTextBox, 4590, 2760, 180, 240, 2},
      {"ButCancel", -1, toolkit::ControlKind::kCommandButton, 6900, 2205, 720, 255, 3},
      {"Label1", -1, toolkit::ControlKind::kLabel, 1800, 2760, 2760, 195, 6},
      {"L1000", -1, toolkit::ControlKind::kLabel, 353, 150, 5985, 360, 4},
      {"L1001", -1, toolkit::ControlKind::kLabel, 1800, 1980, 3090, 195, 5},
  };
  ASSERT_EQ(form().ControlCount(), 7);
  for (int16_t i = 0; i < 7; ++i) {
    const toolkit::Control& control = form().ControlAt(i);
    const Design& d = designs[i];
    EXPECT_EQ(control.name(), d.name);
    EXPECT_EQ(control.index(), d.index);
    EXPECT_EQ(control.kind(), d.kind) << d.name;
    EXPECT_EQ((std::array{control.Left, control.Top, control.Width, control.Height}),
              (std::array{d.left, d.top, d.width, d.height}))
        << d.name;
    EXPECT_EQ(control.TabIndex, d.tab_index) << d.name;
    EXPECT_FALSE(control.TabStop) << d.name;
  }
  const std::string blanks(16, ' ');
  EXPECT_EQ(Field(0).Tag, "STKNO     XC YNNN" + blanks);
  EXPECT_EQ(Field(1).Tag, "DNP       XL YNNN" + blanks);
  EXPECT_EQ(Field(2).Tag, "DPYN      XL YNNN" + blanks);
  EXPECT_EQ((std::array{Field(0).MaxLength, Field(1).MaxLength, Field(2).MaxLength}),
            (std::array<int16_t, 3>{6, 20, 1}));
  EXPECT_EQ((std::array{Field(0).BackColor, Field(1).BackColor, Field(2).BackColor}),
            (std::array<toolkit::Color, 3>{0xE0E0E0, 0xC0C0FF, 0xC0C0C0}));
  EXPECT_EQ(Field(0).font, (toolkit::Font{"MS Sans Serif", 13.5, true}));
  EXPECT_FALSE(Field(1).font.has_value());
  const auto& cancel = static_cast<toolkit::CommandButton&>(*form().FindControl("ButCancel"));
  EXPECT_EQ(cancel.AccessKey(), 'C');
  const auto& question = static_cast<toolkit::Label&>(*form().FindControl("Label1"));
  EXPECT_EQ(question.Caption, "Is Drive and Path Correct (Y/N):");
  EXPECT_EQ(question.ForeColor, 0x0000C0u);
  EXPECT_EQ(static_cast<toolkit::Label&>(*form().FindControl("L1000")).Caption,
            "Transferring Customer Data To Accounting");
  EXPECT_EQ(static_cast<toolkit::Label&>(*form().FindControl("L1001")).Caption,
            "Drive and Path To Transfer Data To");
}

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

TEST_F(TransferScreenTest, EscapeEndsTheProgramInEveryField) {
  for (int16_t field = 0; field < 3; ++field) {
    SetUp();
    ShowDestinationPrompt();
    MoveFocus(field);
    EXPECT_EQ(Type("{Esc}"), ExitStatus::kCancelled) << field;
    TearDown();
  }
}

}  // namespace
}  // namespace dext
