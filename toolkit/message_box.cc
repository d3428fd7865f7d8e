#include "toolkit/message_box.h"

#include "toolkit/front_end.h"
#include "toolkit/headless.h"

namespace toolkit {

namespace {
FrontEnd* installed = nullptr;
}  // namespace

FrontEnd& CurrentFrontEnd() {
  static HeadlessFrontEnd fallback;
  return installed ? *installed : fallback;
}

void SetFrontEnd(FrontEnd* front_end) { installed = front_end; }

int FrontEnd::AskMessage(const std::string& text, int style, const std::string& title) {
  ShowMessage(text, style, title);
  return kAnswerOk;
}

int MessageBox(const std::string& text, int style, const std::string& title) {
  return CurrentFrontEnd().AskMessage(text, style, title);
}

void Beep() { CurrentFrontEnd().Beep(); }

void ShowStatus(const std::string& text) { CurrentFrontEnd().ShowStatus(text); }

void DoEvents() { CurrentFrontEnd().ProcessPendingEvents(); }

}  // namespace toolkit
