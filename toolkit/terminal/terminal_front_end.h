// The terminal front end (ncurses): the active form on the character grid.
#ifndef DEXT_TOOLKIT_TERMINAL_TERMINAL_FRONT_END_H_
#define DEXT_TOOLKIT_TERMINAL_TERMINAL_FRONT_END_H_

#include <memory>

#include "toolkit/front_end.h"

namespace toolkit {

// Takes over the terminal (which must be attached to standard input and
// output) until the front end is destroyed, and restores it also when the
// process dies of SIGSEGV, SIGABRT, SIGTERM, SIGINT or SIGHUP.
std::unique_ptr<FrontEnd> CreateTerminalFrontEnd();

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_TERMINAL_TERMINAL_FRONT_END_H_
