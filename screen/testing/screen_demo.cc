// Shows the transfer screen's destination prompt on the front end DEXT_UI
// picks, with stand-in field procedures: completing the drive and path asks
// for the confirmation; "Y" ends the program and prints the destination,
// "N" asks again; Escape or Cancel ends it as cancelled.
#include <iostream>
#include <optional>
#include <string>

#include "screen/field_engine.h"
#include "screen/field_procedures.h"
#include "screen/transfer_form.h"
#include "session/orderly_end.h"
#include "context/session.h"
#include "toolkit/application.h"
#include "toolkit/front_ends.h"
#include "toolkit/message_box.h"

namespace {

std::string confirmed_destination;

int16_t DestinationEntered() {
  toolkit::Beep();
  dext::SetScreenField(2, "Y");
  dext::MoveFocus(2);
  return 1;
}

int16_t DestinationConfirmed() {
  const std::string answer = dext::GetScreenField(2);
  if (answer == "Y") {
    confirmed_destination = dext::GetScreenField(1);
    throw dext::ProgramEnd{dext::ExitStatus::kTransferred};
  }
  if (answer == "N") {
    dext::ClearScreenField(2);
    dext::MoveFocus(1);
  } else {
    dext::MoveFocus(dext::Session().CurrentField);
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    std::cout << "usage: screen_demo\n"
                 "Shows the destination prompt of the transfer screen (DEXT_UI picks the\n"
                 "front end). Exit status 0 after \"Y\", 2 after Escape or Cancel.\n";
    return std::string(argv[1]) == "--help" ? 0 : 64;
  }
  dext::ExitStatus status = dext::ExitStatus::kCancelled;
  {
    std::unique_ptr<toolkit::FrontEnd> front_end;
    try {
      // Chosen as dext's is: DEXT_UI names the front end, DEXT_KEYS the
      // keys of a headless run.
      toolkit::Application application;
      application.title = "DEXT";
      application.front_end_variable = "DEXT_UI";
      application.key_script_variable = "DEXT_KEYS";
      front_end = toolkit::CreateFrontEnd(application);
    } catch (const std::exception& error) {
      std::cerr << "screen_demo: " << error.what() << "\n";
      return 64;
    }
    toolkit::SetFrontEnd(front_end.get());
    dext::RegisterFieldProcedure("DNP", &DestinationEntered);
    dext::RegisterFieldProcedure("DPYN", &DestinationConfirmed);
    try {
      dext::Session().CurrentField = dext::kNoField;
      dext::ActivateScreen(dext::kTransferScreen);
      dext::SetTransferScreenHeight(dext::kDestinationPromptHeight);
      dext::MoveFocus(1);
      toolkit::RunEventLoop();
    } catch (const dext::ProgramEnd& end) {
      status = end.status;
    }
    toolkit::SetFrontEnd(nullptr);
    dext::DestroyTransferForm();
  }  // the front end gives the terminal back here
  if (status == dext::ExitStatus::kTransferred) {
    std::cout << "destination [" << confirmed_destination << "]\n";
  } else {
    std::cout << "cancelled\n";
  }
  return static_cast<int>(status);
}
