#include "toolkit/headless.h"

#include <iostream>

namespace toolkit {

HeadlessFrontEnd::HeadlessFrontEnd(std::ostream& messages) : messages_(messages) {}
HeadlessFrontEnd::HeadlessFrontEnd() : HeadlessFrontEnd(std::cerr) {}

void HeadlessFrontEnd::ShowMessage(const std::string& text, int /*style*/,
                                   const std::string& /*title*/) {
  messages_ << "Error: " << text << std::endl;
  if (on_message) on_message(text);
}

void HeadlessFrontEnd::Beep() {}

void HeadlessFrontEnd::ProcessPendingEvents() {}

}  // namespace toolkit
