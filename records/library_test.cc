#include "records/library.h"

#include <gtest/gtest.h>


namespace dext {
namespace {

TEST(TextFromLibraryTest, CopiesUpToTheZeroAndLeavesTheSourceAlone) {
  EXPECT_EQ(TextFromLibrary(nullptr), "");
  EXPECT_EQ(TextFromLibrary(""), "");
  char source[] = "KVIN \xE9\0tail";
  std::string copy = TextFromLibrary(source);
  EXPECT_EQ(copy, "KVIN \xE9");
  copy[0] = 'X';
  EXPECT_EQ(source[0], 'K');
}

TEST(TextFromLibraryTest, LongTextsAreCutToTheSixteenBitCount) {
  std::string exact(32766, 'a');
  EXPECT_EQ(TextFromLibrary(exact.c_str()).size(), 32766u);
  std::string longer(40000, 'b');
  EXPECT_EQ(TextFromLibrary(longer.c_str()), std::string(32766, 'b'));
}

}  // namespace
}  // namespace dext
