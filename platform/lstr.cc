#include "platform/lstr.h"

#include <climits>
#include <cstring>

namespace platform {

int LStrLen(const char* text) {
  if (text == nullptr) return 0;
  std::size_t length = std::strlen(text);
  return length > INT_MAX ? INT_MAX : static_cast<int>(length);
}

char* LStrCpy(char* destination, const char* source) {
  if (source == nullptr) source = "";
  return std::strcpy(destination, source);
}

}  // namespace platform
