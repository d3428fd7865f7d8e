// A transfer screen on the headless front end, with the real record library
// and a recording stand-in for the destination field's procedure, for the
// screen's tests. The confirmation field has no procedure
// here: the driver's own is tested with the driver.
#ifndef DEXT_SCREEN_TESTING_SCREEN_FIXTURE_H_
#define DEXT_SCREEN_TESTING_SCREEN_FIXTURE_H_

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "screen/field_engine.h"
#include "screen/field_procedures.h"
#include "screen/transfer_form.h"
#include "session/orderly_end.h"
#include "context/session.h"
#include "toolkit/form.h"
#include "toolkit/front_ends.h"
#include "toolkit/headless.h"
#include "toolkit/message_box.h"

namespace dext {

class ScreenTest : public ::testing::Test {
 protected:
  // The procedures run, in order.
  static std::vector<std::string>& Procedures() {
    static std::vector<std::string> seen;
    return seen;
  }

  // Stands in for the driver's DestinationEntered.
  static int16_t Entered() {
    Procedures().push_back("DNP");
    toolkit::Beep();
    SetScreenField(2, "Y");
    MoveFocus(2);
    return 1;
  }

  void SetUp() override {
    ResetSession();
    DestroyTransferForm();
    CurrentScreen() = kNoScreen;
    Procedures().clear();
    toolkit::SetFrontEnd(&front_end_);
    RegisterFieldProcedure("DNP", &Entered);
    Session().CurrentField = kNoField;
    ActivateScreen(kTransferScreen);
  }

  void TearDown() override {
    toolkit::SetFrontEnd(nullptr);
    DestroyTransferForm();
    RegisterFieldProcedure("DNP", nullptr);
  }

  // The destination prompt as the driver shows it.
  void ShowDestinationPrompt() {
    SetTransferScreenHeight(kDestinationPromptHeight);
    MoveFocus(1);
  }

  // Types a key script through the event loop; the exit status when the
  // program ended.
  std::optional<ExitStatus> Type(const std::string& script) {
    front_end_.Script(toolkit::ParseKeyScript(script));
    try {
      toolkit::RunEventLoop();
    } catch (const ProgramEnd& end) {
      return end.status;
    }
    return std::nullopt;
  }

  toolkit::Form& form() { return TransferForm(); }
  toolkit::TextBox& Field(int16_t index) {
    return static_cast<toolkit::TextBox&>(*form().FindControl("kvf", index));
  }
  int16_t FocusedField() {
    toolkit::Control* active = form().ActiveControl();
    return active ? active->index() : -1;
  }

  std::ostringstream messages_;
  toolkit::HeadlessFrontEnd front_end_{messages_};
};

}  // namespace dext

#endif  // DEXT_SCREEN_TESTING_SCREEN_FIXTURE_H_
