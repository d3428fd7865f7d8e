// Windows-1252 <-> UTF-8. Program text is single-byte Windows-1252; front
// ends convert it for display and convert typed characters back.
#ifndef DEXT_PLATFORM_CP1252_H_
#define DEXT_PLATFORM_CP1252_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The Unicode code point of a Windows-1252 byte. The five bytes Windows-1252
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of
// the same value, as Windows does.
char32_t CodePointFromCp1252(uint8_t byte);

// The Windows-1252 byte of a code point, or nullopt when it has none.
std::optional<uint8_t> Cp1252FromCodePoint(char32_t code_point);

// Whole texts. Utf8FromCp1252 never fails. Cp1252FromUtf8 puts
// `replacement` for a character Windows-1252 lacks and for malformed UTF-8.
std::string Utf8FromCp1252(std::string_view cp1252);
std::string Cp1252FromUtf8(std::string_view utf8, char replacement = '?');

// Decodes one UTF-8 character at the start of text; returns the code point
// and the bytes it took, or nullopt (with `taken` set to 1) for malformed input.
std::optional<char32_t> DecodeUtf8(std::string_view text, size_t& taken);

// Appends the UTF-8 form of a code point.
void AppendUtf8(char32_t code_point, std::string& out);

}  // namespace platform

#endif  // DEXT_PLATFORM_CP1252_H_
