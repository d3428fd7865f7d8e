// The terminal front end (ncurses): the active form on the character grid.
#ifndef DEXT_TOOLKIT_TERMINAL_TERMINAL_FRONT_END_H_
#define DEXT_TOOLKIT_TERMINAL_TERMINAL_FRONT_END_H_

#include <memory>
#include <string>

#include "toolkit/application.h"
#include "toolkit/front_end.h"

namespace toolkit {

// Why the terminal TERM names cannot be used ("the terminal type 'xyz' is
// not known (TERM)"), or empty when it can. Asks the terminal database only:
// the terminal is not touched.
std::string TerminalProblem();

// Takes over the terminal (which must be attached to standard input and
// output) until the front end is destroyed, and restores it also when the
// process dies of SIGSEGV, SIGABRT, SIGTERM, SIGINT or SIGHUP. A terminal
// that cannot be used throws FrontEndUnavailable before anything is done
// (ncurses itself would print a bare line and exit with status 1); its
// reason names the application's front-end variable as the way out. A box
// without a title of its own shows the application's title.
std::unique_ptr<FrontEnd> CreateTerminalFrontEnd(const Application& application = {});

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_TERMINAL_TERMINAL_FRONT_END_H_
