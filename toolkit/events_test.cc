#include "toolkit/events.h"

#include <gtest/gtest.h>

#include <sstream>

#include "toolkit/form.h"
#include "toolkit/front_end.h"
#include "toolkit/headless.h"
#include "toolkit/message_box.h"

namespace toolkit {
namespace {

class RoutingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetFrontEnd(&front_end_);
    box_ = &form_.Add(std::make_unique<TextBox>("box"));
    other_ = &form_.Add(std::make_unique<TextBox>("other"));
    button_ = &form_.Add(std::make_unique<CommandButton>("ok"));
    button_->Caption = "&Cancel";
    button_->on_click = [this] { log_ += "click;"; };
    form_.KeyPreview = true;
    form_.on_key_down = [this](int16_t& key, int shift) {
      log_ += "down " + std::to_string(key) + "/" + std::to_string(shift) + ";";
      if (key == swallow_) key = 0;
    };
    form_.on_key_press = [this](int16_t& c) {
      log_ += "press " + std::to_string(c) + ";";
      if (c == refuse_) c = 0;
    };
    form_.on_key_up = [this](int16_t& key, int) { log_ += "up " + std::to_string(key) + ";"; };
    box_->on_got_focus = [this] { log_ += "got box;"; };
    box_->on_lost_focus = [this] { log_ += "lost box;"; };
    other_->on_got_focus = [this] { log_ += "got other;"; };
    form_.Show();
    form_.SetFocus(*box_);
    log_.clear();
  }
  void TearDown() override { SetFrontEnd(nullptr); }

  void Keys(const std::string& script) {
    for (const InputEvent& event : ParseKeyScript(script)) Deliver(event);
  }

  std::ostringstream messages_;
  HeadlessFrontEnd front_end_{messages_};
  Form form_{"test"};
  TextBox* box_;
  TextBox* other_;
  CommandButton* button_;
  std::string log_;
  int16_t swallow_ = -1;
  int16_t refuse_ = -1;
};

TEST_F(RoutingTest, OneKeyRunsDownPressUpInOrder) {
  Keys("a");
  EXPECT_EQ(log_, "down 65/0;press 97;up 65;");
  Keys("{Home}");
  EXPECT_EQ(log_, "down 65/0;press 97;up 65;down 36/0;up 36;");
  EXPECT_EQ(box_->Text(), "a");
  EXPECT_EQ(box_->SelStart(), 0);
}

TEST_F(RoutingTest, ZeroedKeysAndCharactersAreNotTaken) {
  Keys("abc");
  swallow_ = kKeyHome;
  Keys("{Home}");
  EXPECT_EQ(box_->SelStart(), 3);  // swallowed: no navigation
  refuse_ = 'x';
  Keys("x");
  EXPECT_EQ(box_->Text(), "abc");
  Keys("{Tab}{Enter}");  // control characters change nothing in a box
  EXPECT_EQ(box_->Text(), "abc");
}

TEST_F(RoutingTest, TextBoxEditing) {
  box_->MaxLength = 4;
  Keys("abcdef");
  EXPECT_EQ(box_->Text(), "abcd");  // full: takes no more
  Keys("{Left}{Left}{Backspace}");
  EXPECT_EQ(box_->Text(), "acd");
  EXPECT_EQ(box_->SelStart(), 1);
  Keys("{Delete}");
  EXPECT_EQ(box_->Text(), "ad");
  Keys("{Home}{Shift+Right}{Shift+Right}z");  // replaces the selection
  EXPECT_EQ(box_->Text(), "z");
  Keys("{End}{Backspace}{Backspace}");  // nothing left to delete: no fault
  EXPECT_EQ(box_->Text(), "");
}

TEST_F(RoutingTest, SelectionRunsFromItsAnchorToTheCaret) {
  Keys("abcd{Left}{Left}{Shift+Left}{Shift+Right}");
  EXPECT_EQ(box_->SelStart(), 2);  // back to an empty selection at the caret
  EXPECT_EQ(box_->SelLength(), 0);
  Keys("x");  // inserts, removes nothing
  EXPECT_EQ(box_->Text(), "abxcd");
  Keys("{Shift+Left}{Shift+Left}{Shift+Right}");  // shrinks from the caret end
  EXPECT_EQ(box_->SelStart(), 2);
  EXPECT_EQ(box_->SelLength(), 1);
  Keys("{Shift+End}");  // crosses the anchor (3): the lower end is SelStart
  EXPECT_EQ(box_->SelStart(), 3);
  EXPECT_EQ(box_->SelLength(), 2);
  Keys("{Shift+Home}");
  EXPECT_EQ(box_->SelStart(), 0);
  EXPECT_EQ(box_->SelLength(), 3);
  Keys("{Right}");  // a plain move ends the selection at its far end
  EXPECT_EQ(box_->SelStart(), 3);
  EXPECT_EQ(box_->SelLength(), 0);
  // Set from code, the selection is anchored at SelStart, caret at its end.
  box_->SetSelStart(1);
  box_->SetSelLength(3);
  Keys("{Shift+Left}");
  EXPECT_EQ(box_->SelStart(), 1);
  EXPECT_EQ(box_->SelLength(), 2);
}

TEST_F(RoutingTest, AccessKeyAndEscapeReachTheButton) {
  Keys("{Alt+C}");
  EXPECT_EQ(log_, "down 67/4;click;up 67;");
  EXPECT_EQ(box_->Text(), "");
  log_.clear();
  Keys("{Alt+X}{Esc}");  // no button has X; Escape clicks only a Cancel button
  EXPECT_EQ(log_.find("click"), std::string::npos);
  button_->Cancel = true;
  Keys("{Esc}");
  EXPECT_NE(log_.find("press 27;click;"), std::string::npos) << log_;
}

TEST_F(RoutingTest, FocusChangeRunsLostThenGot) {
  form_.SetFocus(*other_);
  form_.SetFocus(*other_);  // already there: nothing
  Label& label = form_.Add(std::make_unique<Label>("label"));
  form_.SetFocus(label);    // labels take no focus
  EXPECT_EQ(log_, "lost box;got other;");
  EXPECT_EQ(form_.ActiveControl(), other_);
}

TEST_F(RoutingTest, DoEventsLetsOnlyEscapeAccessKeysAndButtonsThrough) {
  front_end_.ScriptWhileBusy(ParseKeyScript("ab{Enter}{Click:ok}{Alt+C}{Click:box}"));
  DoEvents();
  EXPECT_EQ(box_->Text(), "");
  EXPECT_EQ(log_, "click;down 67/4;click;up 67;");
  EXPECT_EQ(form_.ActiveControl(), box_);
  // The main loop delivers everything.
  EXPECT_EQ(front_end_.NextInput(false), std::nullopt);
}

TEST(HeadlessMessageTest, WritesTheTextAndAnswersOkEvenWithCancel) {
  std::ostringstream messages;
  HeadlessFrontEnd headless(messages);
  SetFrontEnd(&headless);
  EXPECT_EQ(MessageBox("Record locked.\nTry again?", kExclamation + kOkCancel, "Error"), kAnswerOk);
  SetFrontEnd(nullptr);
  EXPECT_EQ(messages.str(), "Error: Record locked.\nTry again?\n");
}

TEST(KeyScriptTest, NamesModifiersAndErrors) {
  const std::vector<InputEvent> events = ParseKeyScript("A{Shift+Tab}{Ctrl+F5}{{{Click}");
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0].key, (KeyInput{'A', kShift, 'A'}));
  EXPECT_EQ(events[1].key, (KeyInput{kKeyTab, kShift, 9}));
  EXPECT_EQ(events[2].key, (KeyInput{kKeyF1 + 4, kCtrl, 0}));
  EXPECT_EQ(events[3].key.character, '{');
  EXPECT_EQ(events[4].kind, InputEvent::Kind::kClick);
  const std::pair<const char*, const char*> errors[] = {
      {"ab{Fo}", "keys:3: unknown key 'Fo'"},
      {"{Meta+A}", "keys:1: unknown modifier 'Meta'"},
      {"x{Enter", "keys:2: '{' without '}'"},
      {"{F13}", "keys:1: unknown key 'F13'"},
  };
  for (auto [script, message] : errors) {
    try {
      ParseKeyScript(script);
      ADD_FAILURE() << script << " parsed";
    } catch (const std::invalid_argument& error) {
      EXPECT_STREQ(error.what(), message);
    }
  }
}

TEST(KeyForCharacterTest, NoCharacterTakesANavigationKeyCode) {
  for (int c = 32; c < 256; ++c) {
    const KeyInput key = KeyForCharacter(static_cast<uint8_t>(c));
    EXPECT_EQ(key.character, c);
    EXPECT_FALSE(key.key_code >= kKeyPageUp && key.key_code <= kKeyDelete && c != ' ')
        << "character " << c << " gives key " << key.key_code;
    EXPECT_NE(key.key_code, 0) << c;
  }
  EXPECT_EQ(KeyForCharacter('$'), (KeyInput{'4', kShift, '$'}));
  EXPECT_EQ(KeyForCharacter('.'), (KeyInput{190, 0, '.'}));
}

}  // namespace
}  // namespace toolkit
