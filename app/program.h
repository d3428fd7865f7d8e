// The program's entry procedure: the top of dext, above the start-up, the
// transfer screen and the transfer.
#ifndef DEXT_APP_PROGRAM_H_
#define DEXT_APP_PROGRAM_H_

#include <string>

#include "transfer/transfer.h"

namespace dext {

// Starts the session from the command-line text (the arguments after the
// program's name) and runs the transfer through the driver, keeping its
// result in ResultWord. Returns when the transfer needs the user; the
// program then runs on the screen's events until it ends through EndProgram.
void Main(const std::string& command_line, TransferDriver& driver);

}  // namespace dext

#endif  // DEXT_APP_PROGRAM_H_
