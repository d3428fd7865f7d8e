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
  // The cause the library gave for the failure (KVBerrcause): the store's
  // or the system's own words, one line. Empty when it gave none, and for
  // the program's own failures.
  std::string Cause;
  std::string ComputerName;
  std::string WindowsVersion;
};

// Whole-record reads deliver into RecordBuffer; it holds the longest record
// the program asks for (a deal record is 249 characters, the saved
// destination is read whole).
inline constexpr int kRecordBufferLength = 1024;

// What the last key did to the entry in the focused field: the keyboard
// handlers set it, and the field engine reads it to choose where the focus
// goes once the field is done.
enum class ScreenState : int16_t {
  kTyping = 0,         // a key that edits the field: the entry goes on
  kNextField = 1,      // Tab: the next eligible field
  kPreviousField = 2,  // Shift+Tab: the previous one; the field's procedure
                       // runs only with ProcessOnBackTab
  kFieldAbove = 3,     // Up: the previous eligible field
  kFieldBelow = 4,     // Down: the next one
  kEnter = 7,          // Enter: the next one
  kFirstField = 8,     // Home or End: the first eligible field
  kEntryEnded = 9,     // a function key or Cancel ended the entry: the focus
                       // goes back to the current field
  kFocusMoved = 99,    // the focus was just placed: until the next key, moves
                       // to "the field after the key" are ignored
};

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
  dext::ScreenState ScreenState = dext::ScreenState::kTyping;
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
