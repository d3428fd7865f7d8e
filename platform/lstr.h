// Length and copy of zero-terminated single-byte strings, the way the
// program measures and copies the library's text results.
#ifndef DEXT_PLATFORM_LSTR_H_
#define DEXT_PLATFORM_LSTR_H_

namespace platform {

// Bytes before the terminating zero; 0 for a null address.
int LStrLen(const char* text);

// Copies source with its terminating zero into destination, which must hold
// LStrLen(source) + 1 bytes; returns destination. A null source copies the
// empty string.
char* LStrCpy(char* destination, const char* source);

}  // namespace platform

#endif  // DEXT_PLATFORM_LSTR_H_
