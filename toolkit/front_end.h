// A front end draws the toolkit's model and delivers raw input; the routing of
// events lives in the toolkit itself. Exactly one front end is in force.
#ifndef DEXT_TOOLKIT_FRONT_END_H_
#define DEXT_TOOLKIT_FRONT_END_H_

#include <string>

namespace toolkit {

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  // A modal box with one OK button; returns when it is closed.
  virtual void ShowMessage(const std::string& text, int style, const std::string& title) = 0;
  virtual void Beep() = 0;
  // Delivers pending input and repaints.
  virtual void ProcessPendingEvents() = 0;
};

// The front end in force (a headless one until another is installed).
FrontEnd& CurrentFrontEnd();

// Installs a front end, not owned; nullptr restores the default headless one.
void SetFrontEnd(FrontEnd* front_end);

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_FRONT_END_H_
