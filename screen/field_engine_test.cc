#include "screen/field_engine.h"

#include "screen/field_definition.h"
#include "screen/testing/screen_fixture.h"

namespace dext {
namespace {

using FieldEngineTest = ScreenTest;

TEST_F(FieldEngineTest, ActivationShowsTheDesignedFormWithoutFocus) {
  EXPECT_EQ(CurrentScreen(), kTransferScreen);
  EXPECT_TRUE(form().Visible());
  EXPECT_EQ(toolkit::ActiveForm(), &form());
  EXPECT_EQ(form().ActiveControl(), nullptr);
  EXPECT_EQ(Session().CurrentField, kNoField);
  // The fields are numbered in design order, before the other controls.
  EXPECT_EQ(ScreenFieldControl(0), 0);
  EXPECT_EQ(ScreenFieldControl(2), 2);
  EXPECT_EQ(ScreenFieldControl(7), 0);  // no such field: the first control
}

TEST_F(FieldEngineTest, TextFieldsArePaddedOrCutToMaxLength) {
  SetScreenField(1, "F:\\DLR");
  EXPECT_EQ(Field(1).Text(), "F:\\DLR" + std::string(14, ' '));
  EXPECT_EQ(GetScreenField(1), Field(1).Text());
  SetScreenField(0, "12345678");
  EXPECT_EQ(Field(0).Text(), "123456");
  ClearScreenField(1);
  EXPECT_EQ(GetScreenField(1), std::string(20, ' '));
  SetScreenField(2, "Y");
  EXPECT_EQ(GetScreenField(2), "Y");
}

TEST_F(FieldEngineTest, NumericTypesAreRoundedEditedAndLeftJustified) {
  Field(1).Tag = FieldDefinitionText({.name = "DNP", .type = '2'});
  SetScreenField(1, "1234.567");
  EXPECT_EQ(Field(1).Text(), "1,234.57" + std::string(12, ' '));

  Field(1).Tag = FieldDefinitionText({.name = "DNP", .type = '0'});
  SetScreenField(1, "-7.5");
  // Read back unedited, padded; so is a number field (N), which shows its
  // value as typed.
  EXPECT_EQ(GetScreenField(1), "-8" + std::string(18, ' '));
  Field(1).Tag = FieldDefinitionText({.name = "DNP", .type = 'N'});
  SetScreenField(1, "1,234.50");
  EXPECT_EQ(Field(1).Text(), "1,234.50" + std::string(12, ' '));
  EXPECT_EQ(GetScreenField(1), "1234.5" + std::string(14, ' '));
  EXPECT_TRUE(front_end_.messages().empty());
}

// Keeps each box's style and title, which the headless front end drops.
class BoxRecorder : public toolkit::HeadlessFrontEnd {
 public:
  struct Box {
    std::string text;
    int style;
    std::string title;
    bool operator==(const Box&) const = default;
  };
  void ShowMessage(const std::string& text, int style, const std::string& title) override {
    boxes.push_back({text, style, title});
  }
  std::vector<Box> boxes;
};

TEST_F(FieldEngineTest, NumberTooLargeShowsTheBoxAndBlanks) {
  BoxRecorder screen;
  toolkit::SetFrontEnd(&screen);
  // A numeric type, and a text type with a number picture: a plain box, no
  // icon, the application's title.
  for (const char* type_and_picture : {"2", "X999.99"}) {
    Field(1).Tag = FieldDefinitionText(
        {.name = "DNP", .type = type_and_picture[0], .picture = type_and_picture + 1});
    Field(1).SetText("x");
    screen.boxes.clear();
    SetScreenField(1, "99999999999999999");
    EXPECT_EQ(screen.boxes, (std::vector<BoxRecorder::Box>{{"Number too large for field",
                                                            toolkit::kOkOnly, ""}}))
        << type_and_picture;
    EXPECT_EQ(Field(1).Text(), std::string(20, ' ')) << type_and_picture;
  }
  toolkit::SetFrontEnd(&front_end_);
}

TEST_F(FieldEngineTest, PictureWithHashSkipsBlankValues) {
  Field(1).Tag = FieldDefinitionText({.name = "DNP", .type = 'R', .picture = "(###)###-####"});
  SetScreenField(1, "   ");
  EXPECT_EQ(Field(1).Text(), std::string(20, ' '));
  // Type R fills the picture from the right, the others from the left.
  SetScreenField(1, "1234567");
  EXPECT_EQ(Field(1).Text(), "(   )123-4567" + std::string(7, ' '));
  Field(1).Tag = FieldDefinitionText({.name = "DNP", .picture = "(###)###-####"});
  SetScreenField(1, "1234567");
  EXPECT_EQ(Field(1).Text(), "(123)456-7   " + std::string(7, ' '));
}

TEST_F(FieldEngineTest, MoveFocusDirectionsWrapAndPlacedFocus) {
  using enum ScreenState;
  const struct {
    ScreenState state_before;  // before MoveFocus(kFieldAfterKey)
    int16_t expected_field;
  } steps[] = {
      // Forward 0, 1, 2, 0 (wrap), then backward 2, 1, 0 and stop at 0.
      {kFieldBelow, 1}, {kNextField, 2},  {kEnter, 0},         {kTyping, 1},
      {kTyping, 2},     {kFieldAbove, 1}, {kPreviousField, 0}, {kFieldAbove, 0},
  };
  MoveFocus(0);
  for (size_t i = 0; i < std::size(steps); ++i) {
    Session().ScreenState = steps[i].state_before;
    MoveFocus(kFieldAfterKey);
    EXPECT_EQ(FocusedField(), steps[i].expected_field) << "step " << i;
    EXPECT_EQ(Session().CurrentField, steps[i].expected_field) << "step " << i;
  }
  EXPECT_EQ(Session().ScreenState, kFieldAbove);  // no target: nothing placed

  MoveFocus(2);
  MoveFocus(kFieldAfterKey);  // the focus was placed: ignored
  EXPECT_EQ(FocusedField(), 2);

  Session().ScreenState = kFirstField;
  MoveFocus(kFieldAfterKey);
  EXPECT_EQ(FocusedField(), 0);

  Session().ScreenState = kEntryEnded;
  Session().CurrentField = 1;
  MoveFocus(kFieldAfterKey);  // back to the current field
  EXPECT_EQ(FocusedField(), 1);

  Session().CurrentField = kNoField;
  Session().ScreenState = kTyping;
  MoveFocus(Session().CurrentField);  // starts again at the first field
  EXPECT_EQ(FocusedField(), 0);
}

TEST_F(FieldEngineTest, IneligibleFieldsArePassedBy) {
  Field(1).Tag = FieldDefinitionText({.name = "DNP", .eligible = false});
  MoveFocus(0);
  Session().ScreenState = ScreenState::kFieldBelow;
  MoveFocus(kFieldAfterKey);
  EXPECT_EQ(FocusedField(), 2);
  // Backward from a field that is not eligible goes to the first eligible one.
  Session().CurrentField = 1;
  Session().ScreenState = ScreenState::kFieldAbove;
  MoveFocus(kFieldAfterKey);
  EXPECT_EQ(FocusedField(), 0);
  // Focus given directly to it moves on from there.
  Session().ScreenState = ScreenState::kTyping;
  MoveFocus(1);
  EXPECT_EQ(FocusedField(), 2);
}

}  // namespace
}  // namespace dext
