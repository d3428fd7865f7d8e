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

// The value of the environment variable `name`; null when it is not named
// or not set.
const char* Setting(const std::string& name) {
  return name.empty() ? nullptr : std::getenv(name.c_str());
}

std::unique_ptr<FrontEnd> CreateHeadless(const Application& application) {
  auto headless = std::make_unique<HeadlessFrontEnd>();
  if (const char* keys = Setting(application.key_script_variable)) {
    headless->Script(ParseKeyScript(keys));
  }
  return headless;
}

}  // namespace

std::unique_ptr<FrontEnd> CreateFrontEnd(const Application& application) {
  const std::string& variable = application.front_end_variable;
  const char* requested = Setting(variable);
  const bool terminal_attached = isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
  const std::string choice = ChooseFrontEnd(requested ? requested : "", WindowDisplayAvailable(),
                                            terminal_attached);
  if (choice == "headless") return CreateHeadless(application);
  if (choice == "terminal") {
    if (!terminal_attached) {
      throw FrontEndUnavailable(variable +
                                "=terminal needs standard input and output on a terminal");
    }
    // Chosen by default on a terminal ncurses cannot drive: the program can
    // still run unattended.
    if (!requested || !*requested) {
      if (const std::string problem = TerminalProblem(); !problem.empty()) {
        std::cerr << program_invocation_short_name << ": " << problem << "; running headless\n";
        return CreateHeadless(application);
      }
    }
    return CreateTerminalFrontEnd(application);
  }
  if (choice == "window") {
    if (WindowDisplayAvailable()) return CreateWindowFrontEnd(application);
    throw FrontEndUnavailable(variable + "=window needs a display (DISPLAY is not usable)");
  }
  throw std::runtime_error(variable + "=" + requested + ": expected window, terminal or headless");
}

}  // namespace toolkit
