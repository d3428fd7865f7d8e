// The workstation's computer name, the way the accounting system knows it.
#ifndef DEXT_PLATFORM_COMPUTER_NAME_H_
#define DEXT_PLATFORM_COMPUTER_NAME_H_

#include <string>

namespace platform {

// The most characters a computer name has: the name is handed over in a
// 16-byte buffer that keeps one byte for its terminating zero.
inline constexpr std::size_t kComputerNameMax = 15;

// The computer name made from a host name: the part before the first dot,
// cut to kComputerNameMax characters.
std::string ComputerNameFromHost(const std::string& host_name);

// This machine's computer name; empty when the host name cannot be read.
std::string ComputerName();

}  // namespace platform

#endif  // DEXT_PLATFORM_COMPUTER_NAME_H_
