// The transfer screen, form dext01: its controls as designed, its handlers
// bound. The form exists from its first activation to the end of the process.
#ifndef DEXT_SCREEN_TRANSFER_FORM_H_
#define DEXT_SCREEN_TRANSFER_FORM_H_

#include "toolkit/form.h"

namespace dext {

// The form, created (not shown) on the first call.
toolkit::Form& TransferForm();
// Whether the form has been created.
bool TransferFormExists();
// Destroys the form (tests start each case afresh).
void DestroyTransferForm();

// Client height at which the form is designed (only the title and the
// stock number show), and the outer height that shows the destination prompt.
inline constexpr int kDesignedClientHeight = 1815;
inline constexpr int kDestinationPromptHeight = 3660;

}  // namespace dext

#endif  // DEXT_SCREEN_TRANSFER_FORM_H_
