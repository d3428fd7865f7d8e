// DoEvents and the program's event loop over the front end in force.
#include "toolkit/form.h"
#include "toolkit/front_end.h"
#include "toolkit/front_ends.h"

namespace toolkit {

void FrontEnd::ProcessPendingEvents() {
  Repaint();
  while (std::optional<InputEvent> event = NextInput(/*wait=*/false)) {
    if (!PassesWhileBusy(*event, ActiveForm())) continue;
    Deliver(*event);
    Repaint();
  }
}

void RunEventLoop() {
  FrontEnd& front_end = CurrentFrontEnd();
  front_end.Repaint();
  while (std::optional<InputEvent> event = front_end.NextInput(/*wait=*/true)) {
    Deliver(*event);
    front_end.Repaint();
  }
}

}  // namespace toolkit
