// A front end draws the toolkit's model and delivers raw input; the routing of
// events lives in the toolkit itself (toolkit/events.h). Exactly one front end
// is in force.
#ifndef DEXT_TOOLKIT_FRONT_END_H_
#define DEXT_TOOLKIT_FRONT_END_H_

#include <optional>
#include <stdexcept>
#include <string>

#include "toolkit/events.h"

namespace toolkit {

// A front end that cannot be used where the program runs (no display, no
// usable terminal); what() says why and what to do instead.
class FrontEndUnavailable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  // A modal box with one OK button; returns when it is closed.
  virtual void ShowMessage(const std::string& text, int style, const std::string& title) = 0;
  // A modal box with the buttons the style asks for (message_box.h);
  // returns kAnswerOk or kAnswerCancel. A front end that leaves this alone
  // shows every box with OK only, through ShowMessage, and answers OK.
  virtual int AskMessage(const std::string& text, int style, const std::string& title);
  virtual void Beep() = 0;
  // A line of progress outside the form, replacing the last one (the
  // terminal's bottom row). Front ends with no room for it ignore it.
  virtual void ShowStatus(const std::string& /*text*/) {}
  // The program's last word (its summary), shown before the front end goes
  // by one whose user sees no standard output (a window); the others leave
  // it to the line the program prints.
  virtual void ShowFarewell(const std::string& /*text*/) {}

  // The next raw input. With wait, blocks until there is one and returns
  // nullopt only when no more input will come; without, returns nullopt when
  // nothing is pending.
  virtual std::optional<InputEvent> NextInput(bool /*wait*/) { return std::nullopt; }

  // Draws the model as it stands: the active form, its controls, the focus.
  virtual void Repaint() {}

  // DoEvents: repaints and delivers what is pending, letting through only
  // what PassesWhileBusy allows and discarding the rest.
  virtual void ProcessPendingEvents();
};

// The front end in force (a headless one until another is installed).
FrontEnd& CurrentFrontEnd();

// Installs a front end, not owned; nullptr restores the default headless one.
void SetFrontEnd(FrontEnd* front_end);

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_FRONT_END_H_
