// The start of a run: the file-number base from the command line, then the
// session from the calling program (chained start) or from the built-in
// defaults (stand-alone start).
#ifndef DEXT_SESSION_START_H_
#define DEXT_SESSION_START_H_

#include <cstdint>
#include <optional>
#include <string>

namespace dext {

// The highest base the command line may give: the program's files use the
// numbers base to base + 255, which must stay within 16 bits.
inline constexpr int kHighestFileBase = 32767 - 255;

// The file-number base a command line names: the numeric value of its
// leading number, rounded halves to even; 0 when it does not begin with a
// number. nullopt when the number lies outside -32768..kHighestFileBase: such
// a line is refused instead of being wrapped into other file numbers.
std::optional<int16_t> FileBaseFromCommandLine(const std::string& command_line);

// Reads the 48 parameters of the block whose handle is FileBase into the
// session, takes the network type back through KVBgetfiles and frees the
// block. A number parameter outside its slot's range is saturated to the
// nearest value the slot holds.
void ImportChainParameters();

// Steps 1 to 3 of Main: FileBase from the command line, then the chained
// import or the stand-alone defaults with the library's initialisation.
// A refused command line ends with ProgramEnd{kUsage} before the library is
// touched.
void StartSession(const std::string& command_line);

}  // namespace dext

#endif  // DEXT_SESSION_START_H_
