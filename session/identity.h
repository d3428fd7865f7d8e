// The workstation the program runs on, recorded beside the last failure.
#ifndef DEXT_SESSION_IDENTITY_H_
#define DEXT_SESSION_IDENTITY_H_

#include <cstdint>
#include <string>

namespace dext {

// The computer name: at most 15 characters, empty when it cannot be read.
std::string GetComputerName();

// The short name of the Windows version, "{unknown}" when there is none
// (always on Linux).
std::string GetWindowsVersion();

// Initialises the record library with base (KVBinit), records the computer
// name and the version name in ErrorInfo, and returns KVBinit's result.
int16_t InitRecordLibrary(int16_t base);

}  // namespace dext

#endif  // DEXT_SESSION_IDENTITY_H_
