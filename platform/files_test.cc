#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/files.h"
#include "platform/lstr.h"

namespace platform {
namespace {

TEST(DeleteFileTest, DeletesOnceThenReportsMissing) {
  std::string path = testing::TempDir() + "dext_delete_me.dat";
  std::ofstream(path) << "deal\n";
  EXPECT_TRUE(DeleteFile(path));
  EXPECT_FALSE(std::ifstream(path).good());
  EXPECT_FALSE(DeleteFile(path));
}

TEST(LStrTest, LengthAndCopy) {
  EXPECT_EQ(LStrLen(nullptr), 0);
  EXPECT_EQ(LStrLen(""), 0);
  EXPECT_EQ(LStrLen("KVIN\xE9"), 5);
  const char with_inner_zero[] = "AB\0CD";
  EXPECT_EQ(LStrLen(with_inner_zero), 2);

  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(LStrCpy(buffer, "ABC"), buffer);
  EXPECT_STREQ(buffer, "ABC");
  EXPECT_EQ(buffer[4], 'x');  // nothing beyond the terminating zero
  LStrCpy(buffer, nullptr);
  EXPECT_STREQ(buffer, "");
}

}  // namespace
}  // namespace platform
