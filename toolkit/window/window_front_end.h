// The window front end (FLTK): the active form in a window of its own,
// message boxes as modal dialogs, the display's bell.
#ifndef DEXT_TOOLKIT_WINDOW_WINDOW_FRONT_END_H_
#define DEXT_TOOLKIT_WINDOW_WINDOW_FRONT_END_H_

#include <memory>

#include "toolkit/application.h"
#include "toolkit/front_end.h"

namespace toolkit {

// Whether an X display can be opened ($DISPLAY names one that answers).
bool WindowDisplayAvailable();

// Opens the display; WindowDisplayAvailable() must have said yes. The window
// appears when a form is shown and goes when the front end is destroyed.
//
// The window manager's close button ends the program like the form's Cancel:
// it clicks the form's Cancel button, or for a form without one sends Escape
// (which a form with key preview maps to its Cancel). Should the program go
// on all the same, no more input comes and the event loop returns.
//
// The window has the application's window class; a box without a title of
// its own shows the application's title.
std::unique_ptr<FrontEnd> CreateWindowFrontEnd(const Application& application = {});

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_WINDOW_WINDOW_FRONT_END_H_
