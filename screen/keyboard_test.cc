// Key scripts through the toolkit's routing into the screen's handlers.
#include "screen/field_definition.h"
#include "screen/handlers.h"
#include "screen/testing/screen_fixture.h"

namespace dext {
namespace {

class KeyboardTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    ShowDestinationPrompt();
  }
  const std::string kTyped = "F:\\DLR" + std::string(14, ' ');
};

TEST_F(KeyboardTest, CompletingKeysRunTheFieldProcedure) {
  for (const char* key : {"{Enter}", "{Tab}", "{Up}", "{Down}", "{Home}"}) {
    SetUp();
    const int beeps = front_end_.beeps();
    // Home completes only at the start of the field.
    const std::string script = std::string(key) == "{Home}" ? "f:\\dlr{Home}{Home}"
                                                             : std::string("f:\\dlr") + key;
    EXPECT_EQ(Type(script), std::nullopt);
    EXPECT_EQ(Procedures(), std::vector<std::string>{"DNP"}) << key;
    EXPECT_EQ(Field(1).Text(), kTyped) << key;
    EXPECT_EQ(FocusedField(), 2) << key;
    EXPECT_EQ(Field(2).Text(), "Y") << key;
    EXPECT_EQ(front_end_.beeps(), beeps + 1) << key;
    TearDown();
  }
}

TEST_F(KeyboardTest, FillingTheFieldCompletesIt) {
  Type("abcdefghij0123456789");
  EXPECT_EQ(Procedures(), std::vector<std::string>{"DNP"});
  EXPECT_EQ(Field(1).Text(), "ABCDEFGHIJ0123456789");
}

TEST_F(KeyboardTest, ShiftTabSkipsTheProcedureUnlessProcessOnBackTab) {
  Type("x{Shift+Tab}");
  EXPECT_TRUE(Procedures().empty());
  EXPECT_EQ(FocusedField(), 0);
  // Completing STKNO only moves on to DNP.
  Type("{Enter}");
  EXPECT_EQ(FocusedField(), 1);
  EXPECT_TRUE(Procedures().empty());

  Session().ProcessOnBackTab = 1;
  Type("{Shift+Tab}");
  EXPECT_EQ(Procedures(), std::vector<std::string>{"DNP"});
  EXPECT_EQ(FocusedField(), 2);  // the procedure placed the focus
}

TEST_F(KeyboardTest, TypingOverASelectionEmptiesTheField) {
  Type("abc{Home}{Shift+End}x");
  EXPECT_EQ(Field(1).Text(), "X");
  // A selection taken back to the caret is gone: the key is typed in.
  Type("b{Left}{Shift+Left}{Shift+Right}y");
  EXPECT_EQ(Field(1).Text(), "XYB");
  // A refused character typed over a selection still empties the field.
  Field(1).Tag = FieldDefinitionText({.name = "DNP", .type = 'D'});
  Type("12{Home}{Shift+Right}%");
  EXPECT_EQ(Field(1).Text(), "");
  Type("1.2-");  // digits only
  EXPECT_EQ(Field(1).Text(), "12");
}

TEST_F(KeyboardTest, AFullFieldTakesTheNewCharacterInPlaceOfItsLast) {
  const std::string full = "ABCDEFGHIJKLMNOPQRST";
  SetScreenField(1, full);
  MoveFocus(0);
  MoveFocus(1);  // caret at the start
  Type("z");
  EXPECT_EQ(Field(1).Text(), "Z" + full.substr(0, 19));
  EXPECT_TRUE(Procedures().empty());  // caret at 1, not 20
}

TEST_F(KeyboardTest, EndDoesNotCompleteHomeAtTheStartDoes) {
  Type("abc");
  Type("{End}");
  EXPECT_EQ(Field(1).SelStart(), 3);
  Type("{Home}");
  EXPECT_EQ(Field(1).SelStart(), 0);
  EXPECT_TRUE(Procedures().empty());
  // A full field with the caret brought to its end by End stays.
  SetScreenField(1, "ABCDEFGHIJKLMNOPQRST");
  Type("{End}");
  EXPECT_EQ(Field(1).SelStart(), 20);
  EXPECT_TRUE(Procedures().empty());
  // Backspace never completes.
  Type("{Backspace}");
  EXPECT_EQ(Field(1).Text(), "ABCDEFGHIJKLMNOPQRS");
  EXPECT_TRUE(Procedures().empty());
  // Without a procedure, Home at the start restarts at the first field.
  RegisterFieldProcedure("DNP", nullptr);
  Type("{Home}{Home}");
  EXPECT_EQ(FocusedField(), 0);
}

TEST_F(KeyboardTest, FunctionKeysEndTheEntryWithTheirCode) {
  const std::pair<const char*, int16_t> keys[] = {
      {"{F1}", 101},         {"{Shift+F1}", 121},      {"{Ctrl+F1}", 131},   {"{Alt+F1}", 111},
      {"{F12}", 112},        {"{Shift+F12}", 132},     {"{Ctrl+F12}", 142},  {"{Alt+F12}", 122},
      {"{PgUp}", 141},       {"{PgDn}", 142},          {"{Ctrl+PgUp}", 143}, {"{Ctrl+PgDn}", 144},
      {"{Shift+PgUp}", 141}, {"{Ctrl+Shift+F1}", 101},
  };
  Type("ab");
  for (auto [key, code] : keys) {
    Type(key);
    EXPECT_EQ(Session().ResultWord, code) << key;
    EXPECT_EQ(Session().ScreenState, ScreenState::kEntryEnded) << key;
    EXPECT_EQ(Field(1).Text(), "AB") << key;
    EXPECT_EQ(FocusedField(), 1) << key;
  }
  EXPECT_TRUE(Procedures().empty());
}

TEST_F(KeyboardTest, FocusStripsPaddingAndExchangesColours) {
  EXPECT_EQ(Field(1).BackColor, 0x000000u);
  EXPECT_EQ(Field(1).ForeColor, 0xC0C0FFu);
  SetScreenField(0, "  A1  ");
  Type("{Shift+Tab}");
  EXPECT_EQ(Field(0).Text(), "A1");
  EXPECT_EQ(Field(1).BackColor, 0xC0C0FFu);  // restored
  EXPECT_EQ(Field(1).ForeColor, 0x000000u);
  EXPECT_EQ(Field(0).BackColor, 0x000000u);
  EXPECT_EQ(Field(0).ForeColor, 0xE0E0E0u);

  // Pad "0", right-justified: leading zeros go, trailing ones stay.
  Field(1).Tag = FieldDefinitionText({.name = "DNP", .justification = 'R', .pad = '0'});
  Field(1).SetText("00120");
  MoveFocus(1);
  EXPECT_EQ(Field(1).Text(), "120");
  Field(1).Tag = FieldDefinitionText({.name = "DNP", .pad = '0'});
  Field(1).SetText(" 0120 0 ");
  MoveFocus(0);
  MoveFocus(1);
  EXPECT_EQ(Field(1).Text(), "12");
}

TEST_F(KeyboardTest, EscapeAltCAndTheCancelButtonEndTheProgramInEveryField) {
  for (const char* key : {"{Esc}", "{Alt+C}", "{Alt+c}", "{Click:ButCancel}"}) {
    for (int16_t field = 0; field < 3; ++field) {
      SetUp();
      MoveFocus(field);
      // In the destination, after typing (a character would complete the others).
      const std::string typed = field == 1 ? "ab" : "";
      EXPECT_EQ(Type(typed + key), ExitStatus::kCancelled) << key << " in " << field;
      TearDown();
    }
  }
}

TEST_F(KeyboardTest, OnlyEscapeGetsThroughWhileAProcedureRuns) {
  // Keys typed while DestinationEntered shows "Y" are discarded: no second
  // procedure starts inside the first.
  front_end_.ScriptWhileBusy(toolkit::ParseKeyScript("n{Enter}{Tab}"));
  Type("c:{Enter}");
  EXPECT_EQ(Procedures(), std::vector<std::string>{"DNP"});
  EXPECT_EQ(Field(2).Text(), "Y");
  // Escape does get through and ends the program.
  front_end_.ScriptWhileBusy(toolkit::ParseKeyScript("x{Esc}"));
  EXPECT_THROW(SetScreenField(0, "A1"), ProgramEnd);
}

TEST_F(KeyboardTest, CompletingKeyWithoutAFocusedFieldDoesNotFail) {
  DestroyTransferForm();
  CurrentScreen() = kNoScreen;
  ActivateScreen(kTransferScreen);
  ASSERT_EQ(form().ActiveControl(), nullptr);
  EXPECT_EQ(Type("{Enter}{Up}{Home}"), std::nullopt);
  EXPECT_TRUE(Procedures().empty());
}

TEST_F(KeyboardTest, NonWindows1252CharactersAreRefused) {
  Type("a\xCE\xA9\xC3\xA9");  // a, Greek Omega (none), e-acute (0xE9)
  EXPECT_EQ(Field(1).Text(), "A\xE9");
}

}  // namespace
}  // namespace dext
