#include "toolkit/front_ends.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <stdexcept>

#include "toolkit/headless.h"
#include "toolkit/terminal/terminal_front_end.h"
#include "toolkit/window/window_front_end.h"

namespace toolkit {

namespace {

std::unique_ptr<FrontEnd> CreateHeadless() {
  auto headless = std::make_unique<HeadlessFrontEnd>();
  if (const char* keys = std::getenv("DEXT_KEYS")) headless->Script(ParseKeyScript(keys));
  return headless;
}

}  // namespace

std::unique_ptr<FrontEnd> CreateFrontEnd() {
  const char* requested = std::getenv("DEXT_UI");
  const bool terminal_attached = isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
  const std::string choice = ChooseFrontEnd(requested ? requested : "", WindowDisplayAvailable(),
                                            terminal_attached);
  if (choice == "headless") return CreateHeadless();
  if (choice == "terminal") {
    if (!terminal_attached) {
      throw FrontEndUnavailable("DEXT_UI=terminal needs standard input and output on a terminal");
    }
    // Chosen by default on a terminal ncurses cannot drive: the program can
    // still run unattended.
    if (!requested || !*requested) {
      if (const std::string problem = TerminalProblem(); !problem.empty()) {
        std::cerr << program_invocation_short_name << ": " << problem << "; running headless\n";
        return CreateHeadless();
      }
    }
    return CreateTerminalFrontEnd();
  }
  if (choice == "window") {
    if (WindowDisplayAvailable()) return CreateWindowFrontEnd();
    throw FrontEndUnavailable("DEXT_UI=window needs a display (DISPLAY is not usable)");
  }
  throw std::runtime_error(std::string("DEXT_UI=") + requested +
                           ": expected window, terminal or headless");
}

}  // namespace toolkit
