// What a transfer run asks of the person at the screen while it posts deals:
// to see which deal goes, and whether to try a vehicle another workstation
// holds again. The deal loop talks to the screen only through this, so it
// runs with a plain double in tests; ToolkitRunScreen is the screen of the
// program, the same for every front end.
#ifndef DEXT_SCREEN_RUN_SCREEN_H_
#define DEXT_SCREEN_RUN_SCREEN_H_

#include <string>

namespace dext {

class RunScreen {
 public:
  virtual ~RunScreen() = default;
  // Shows the deal being posted: "Deal n of N" and its stock number in
  // field STKNO. Pending screen events run meanwhile; a Cancel among them
  // ends the program in order (EndProgram).
  virtual void ShowDeal(const std::string& progress, const std::string& stock_number) = 0;
  // True once the user asked the run to end from outside the screen (Ctrl-C).
  virtual bool Interrupted() = 0;
  // The sold vehicle is in use at another workstation (text says so): true
  // to try its lock again, false when the user gave up (Cancel).
  virtual bool TryLockedVehicleAgain(const std::string& text) = 0;
  // An error the user must see before the run goes on: a box titled
  // "Error" with OK.
  virtual void ShowError(const std::string& text) = 0;
  // The bell: the drive and path were entered, now confirm them.
  virtual void Beep() = 0;
};

// The transfer screen of the program: ShowDeal sets field STKNO
// (SetScreenField) and the status line, the locked vehicle is an OK/Cancel
// box titled "Error".
class ToolkitRunScreen : public RunScreen {
 public:
  void ShowDeal(const std::string& progress, const std::string& stock_number) override;
  bool TryLockedVehicleAgain(const std::string& text) override;
  bool Interrupted() override;
  void ShowError(const std::string& text) override;
  void Beep() override;
};

}  // namespace dext

#endif  // DEXT_SCREEN_RUN_SCREEN_H_
