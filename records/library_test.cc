#include "records/library.h"

#include <gtest/gtest.h>

#include "records/fake_library.h"

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

TEST(BindingTest, FakeBindsItselfAndRestoresThePreviousTable) {
  auto real_init = Library().KVBinit;
  EXPECT_EQ(real_init, LibKvb().KVBinit);
  {
    FakeLibrary outer;
    outer.base = 10;
    {
      FakeLibrary inner;
      inner.base = 20;
      EXPECT_EQ(Library().KVBinit(0), 20);
      EXPECT_TRUE(outer.calls().empty());
    }
    EXPECT_EQ(Library().KVBinit(0), 10);
    EXPECT_EQ(outer.calls(), std::vector<std::string>{"KVBinit(0)"});
  }
  EXPECT_EQ(Library().KVBinit, real_init);
}

}  // namespace
}  // namespace dext
