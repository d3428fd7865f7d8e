// The headless front end: draws nothing. A message box writes "Error: text" to
// standard error and is answered OK at once.
#ifndef DEXT_TOOLKIT_HEADLESS_H_
#define DEXT_TOOLKIT_HEADLESS_H_

#include <functional>
#include <iosfwd>
#include <string>

#include "toolkit/front_end.h"

namespace toolkit {

class HeadlessFrontEnd : public FrontEnd {
 public:
  explicit HeadlessFrontEnd(std::ostream& messages);
  HeadlessFrontEnd();

  void ShowMessage(const std::string& text, int style, const std::string& title) override;
  void Beep() override;
  void ProcessPendingEvents() override;

  // Called while a message box is up, before it is answered; tests use it to
  // act "while the user reads the message".
  std::function<void(const std::string& text)> on_message;

 private:
  std::ostream& messages_;
};

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_HEADLESS_H_
