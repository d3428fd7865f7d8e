// The session context: the one process-wide set of values that every part of
// DEXT reads and writes directly. It exists from process start to the end of
// the program; at start every text is empty and every number is 0.
#ifndef DEXT_CONTEXT_SESSION_H_
#define DEXT_CONTEXT_SESSION_H_

#include <array>
#include <cstdint>
#include <string>

namespace dext {

// What the last failed checked operation reported, and the workstation.
struct ErrorRecord {
  int16_t FileOffset = 0;
  int16_t Status = 0;
  std::string ProgramName;
  std::string Message;
  // The library's secondary code of the failure (0 for the program's own).
  int16_t Code = 0;
  // The name the failing file was opened under, as the program gave it;
  // empty when the failure concerns no single file.
  std::string FileName;
  // Lines shown under Message in the error box: what went wrong in plain
  // words and what is safe to do next. Empty when there is nothing to add.
  std::string Detail;
  std::string ComputerName;
  std::string WindowsVersion;
};

// Whole-record reads deliver into RecordBuffer; it holds the longest record
// the program asks for (a deal record is 249 characters, the saved
// destination is read whole).
inline constexpr int kRecordBufferLength = 1024;

struct SessionContext {
  int16_t FileBase = 0;
  std::array<std::string, 11> TextSlot;
  std::array<double, 10> AmountSlot{};
  std::array<int32_t, 10> LongSlot{};
  std::array<int16_t, 10> ShortSlot{};
  int16_t SessionWord40 = 0;
  int16_t ProcessOnBackTab = 0;
  std::string CurrencySymbol;
  std::string DateFormat;
  int16_t SessionWord44 = 0;
  std::string NetworkType;
  int16_t SessionWord46 = 0;
  int16_t RoundingPlaces = 0;
  std::string ProgramName;
  int16_t LastStatus = 0;
  int16_t ResultWord = 0;
  std::string RecordBuffer = std::string(kRecordBufferLength, ' ');
  int16_t ScreenState = 0;
  int16_t CurrentField = 0;
  ErrorRecord ErrorInfo;
  // Data file names by file number minus FileBase, each exactly 20 characters.
  std::array<std::string, 256> OpenFileNames;
  // Printer lines ended by EndLines.
  int16_t PrintedLines = 0;
};

// The one instance.
SessionContext& Session();

// Puts every value back to its process-start state (for tests).
void ResetSession();

}  // namespace dext

#endif  // DEXT_CONTEXT_SESSION_H_
