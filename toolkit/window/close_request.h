// What the window manager's close button becomes for a form.
#ifndef DEXT_TOOLKIT_WINDOW_CLOSE_REQUEST_H_
#define DEXT_TOOLKIT_WINDOW_CLOSE_REQUEST_H_

#include "toolkit/events.h"
#include "toolkit/form.h"

namespace toolkit {

// A click on the form's Cancel button when it has one, else the Escape key.
// Both get through while a handler runs, so closing also stops a transfer.
InputEvent CloseRequestEvent(const Form* form);

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_WINDOW_CLOSE_REQUEST_H_
