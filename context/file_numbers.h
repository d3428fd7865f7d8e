// The two ways a file is numbered. The program names its files by their
// offset from the session's FileBase (the deal file is offset 1); the record
// library knows an open file by its absolute number, base plus offset. Two
// types, so that the base is added in one place only.
#ifndef DEXT_CONTEXT_FILE_NUMBERS_H_
#define DEXT_CONTEXT_FILE_NUMBERS_H_

#include <cstdint>

#include "context/session.h"

namespace dext {

enum class FileOffset : int16_t {};

struct FileNumber {
  int16_t value = 0;
  friend bool operator==(FileNumber, FileNumber) = default;
};

inline int16_t ValueOf(FileOffset offset) { return static_cast<int16_t>(offset); }

// The absolute number of the file at offset under the session's FileBase.
inline FileNumber NumberOf(FileOffset offset) {
  return FileNumber{static_cast<int16_t>(Session().FileBase + ValueOf(offset))};
}

// The offset of an absolute file number from the session's FileBase.
inline FileOffset OffsetOf(FileNumber file) {
  return FileOffset{static_cast<int16_t>(file.value - Session().FileBase)};
}

}  // namespace dext

#endif  // DEXT_CONTEXT_FILE_NUMBERS_H_
