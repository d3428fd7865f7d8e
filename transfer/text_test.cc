#include "transfer/text.h"

#include <gtest/gtest.h>

namespace dext {
namespace {

// Names arrive in Windows-1252: accented letters are upper-cased like the
// plain ones; signs, digits, mu and sharp s have no upper case here.
TEST(UpperCaseTest, UpperCasesWindows1252Letters) {
  const struct {
    std::string text, upper;
  } cases[] = {
      {"jos\xE9 m", "JOS\xC9 M"},
      {"\xF6zt\xFCrk \xE0\xFE", "\xD6ZT\xDCRK \xC0\xDE"},
      {"\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"},
      {"\xF7\xDF\xB5 09-{}", "\xF7\xDF\xB5 09-{}"},
      {std::string("a\0b", 3), std::string("A\0B", 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(UpperCase(c.text), c.upper) << c.text;
}

}  // namespace
}  // namespace dext
