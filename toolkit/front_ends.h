// Choosing the front end and running the program's event loop.
//
// CreateFrontEnd is in target toolkit_front_ends, which links the terminal
// front end and, when it is built, the window front end; the rest is in
// target toolkit.
#ifndef DEXT_TOOLKIT_FRONT_ENDS_H_
#define DEXT_TOOLKIT_FRONT_ENDS_H_

#include <memory>
#include <string>

#include "toolkit/application.h"
#include "toolkit/front_end.h"

namespace toolkit {

// The application's front-end variable (application.h), set to
// window|terminal|headless, picks the front end. Unset, empty or not named:
// the window when a display is available, else the terminal when standard
// input and output are terminals, else headless. A headless front end takes
// its keys from the application's key-script variable (see ParseKeyScript).
// When the terminal is chosen by default but TERM names no usable terminal,
// one line on standard error says so and the front end is headless.
// An unknown choice throws std::runtime_error, an unavailable one
// FrontEndUnavailable (a std::runtime_error), with the reason; both name the
// variable as the user set it ("<variable>=window needs a display ...").
// The caller installs the result with SetFrontEnd and keeps it alive; its
// destructor restores whatever it took over (the terminal).
std::unique_ptr<FrontEnd> CreateFrontEnd(const Application& application = {});

// Which front end CreateFrontEnd would pick for these circumstances:
// "window", "terminal" or "headless"; empty for an unknown choice.
std::string ChooseFrontEnd(const std::string& requested, bool display_available,
                           bool terminal_attached);

// Delivers events of the front end in force until it has no more input
// (headless with nothing left in its script). A handler that ends the
// program throws ProgramEnd, which passes through to the caller.
void RunEventLoop();

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_FRONT_ENDS_H_
