#include "toolkit/front_ends.h"

namespace toolkit {

std::string ChooseFrontEnd(const std::string& requested, bool display_available,
                           bool terminal_attached) {
  if (requested == "window" || requested == "terminal" || requested == "headless") {
    return requested;
  }
  if (!requested.empty()) return "";
  if (display_available) return "window";
  if (terminal_attached) return "terminal";
  return "headless";
}

}  // namespace toolkit
