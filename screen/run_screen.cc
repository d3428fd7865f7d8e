#include "screen/run_screen.h"

#include "platform/interrupt.h"
#include "screen/field_engine.h"
#include "toolkit/message_box.h"

namespace dext {

void ToolkitRunScreen::ShowDeal(const std::string& progress, const std::string& stock_number) {
  toolkit::ShowStatus(progress);
  SetScreenField(0, stock_number);
}

bool ToolkitRunScreen::TryLockedVehicleAgain(const std::string& text) {
  return toolkit::MessageBox(text, toolkit::kExclamation + toolkit::kOkCancel, "Error") !=
         toolkit::kAnswerCancel;
}

bool ToolkitRunScreen::Interrupted() { return platform::Interrupted(); }

void ToolkitRunScreen::ShowError(const std::string& text) {
  toolkit::MessageBox(text, toolkit::kExclamation, "Error");
}

void ToolkitRunScreen::Beep() { toolkit::Beep(); }

}  // namespace dext
