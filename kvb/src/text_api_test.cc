// Text record files through the library's entry points.
#include <gtest/gtest.h>
#include <unistd.h>

#include "kvb.h"
#include "status.h"
#include "test_support.h"

namespace kvb {
namespace {

constexpr int16_t kFile = 301;

// Every line KVBget delivers with count in, until it fails with the code
// `end` (which a further KVBget repeats: a failure never turns into an end).
std::vector<std::string> Lines(const std::string& content, int16_t count,
                               int16_t end = kEndOfFile) {
  test::WriteFile("DEXT.DAT", content);
  EXPECT_EQ(KVBopen("DEXT.DAT", "", "", kFile, 1, 0), 0);
  std::vector<std::string> lines;
  char buffer[KVB_WHOLE_LINE_MAX + 1];
  for (int16_t n = count; KVBget(buffer, kFile, &n) == 0; n = count) {
    EXPECT_EQ(static_cast<size_t>(n), strlen(buffer));
    lines.push_back(buffer);
  }
  EXPECT_EQ(KVBerr(0), end);
  int16_t n = count;
  EXPECT_NE(KVBget(buffer, kFile, &n), 0);
  EXPECT_EQ(KVBerr(0), end);
  KVBclose(kFile);
  return lines;
}

// Lines end at LF or CRLF, count cuts them, and only the very end ends the
// file: a Ctrl-Z followed by more than one line end, or a line far longer
// than any record, is a damaged file.
TEST(TextApiTest, LinesEndAtLfOrCrlfCountCutsThemAndOnlyTheVeryEndEndsTheFile) {
  test::ScratchFolder folder;
  const std::string longest(65536, 'x');  // the longest line allowed
  const std::string deal(300, 'D');
  const struct {
    std::string content;
    int16_t count;
    std::vector<std::string> lines;
    int16_t end = kEndOfFile;
  } cases[] = {
      {"", -1, {}},
      {"one\r\ntwo\nthree", -1, {"one", "two", "three"}},
      {"one\r\n\r\nthree\r\n", -1, {"one", "", "three"}},
      {"one\r\ntwo\x1A", -1, {"one", "two"}},
      {"one\r\n\x1A\r\n", -1, {"one"}},
      {"one\x1A\n", -1, {"one"}},
      {"one\r\n\x1Agarbage\r\n", -1, {"one"}, kCtrlZInside},
      {"one\r\ntw\x1Ao\r\n", -1, {"one"}, kCtrlZInside},
      {"\x1A\r\n\r\n", -1, {}, kCtrlZInside},
      {"abcdef\r\nxy\r\n", 3, {"abc", "xy"}},
      {"abcdef\r\n", 0, {""}},
      {deal + "\r\n" + deal + "\r\n", 249, {deal.substr(0, 249), deal.substr(0, 249)}},
      {longest + "\r\nnext", 10, {longest.substr(0, 10), "next"}},
      {longest + "x\r\nnext", 10, {}, kLineTooLong},
      {"one\n" + longest + "x", 10, {"one"}, kLineTooLong},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.content.substr(0, 20)));
    EXPECT_EQ(Lines(c.content, c.count, c.end), c.lines);
  }
  EXPECT_EQ(StatusOf(kCtrlZInside), kStatusBadFile);
  EXPECT_EQ(StatusOf(kLineTooLong), kStatusBadFile);
}

TEST(TextApiTest, AnEndlessLineFailsInsteadOfGrowingForever) {
  test::ScratchFolder folder;
  alarm(60);  // an endless line must not hang the test run
  std::filesystem::create_symlink("/dev/zero", "ZERO.DAT");
  ASSERT_EQ(KVBopen("ZERO.DAT", "", "", kFile, 1, 0), 0);
  char buffer[KVB_WHOLE_LINE_MAX + 1];
  int16_t n = -1;
  EXPECT_EQ(KVBget(buffer, kFile, &n), kStatusBadFile);
  EXPECT_EQ(KVBerr(0), kLineTooLong);
  alarm(0);
}

TEST(TextApiTest, AFailingReadIsAnInputOutputErrorNeverTheEnd) {
  // Reading this process's memory at offset 0 (never mapped) fails with EIO.
  ASSERT_EQ(KVBopen("/proc/self/mem", "", "", kFile, 1, 0), 0);
  char buffer[KVB_WHOLE_LINE_MAX + 1];
  for (int attempt = 0; attempt < 2; ++attempt) {
    int16_t n = -1;
    EXPECT_EQ(KVBget(buffer, kFile, &n), kStatusIo);
    EXPECT_EQ(KVBerr(0), kIoError);
  }
  KVBclose(kFile);
}

TEST(TextApiTest, ReadWithOptionZeroStaysAndSucceedsWhileOpen) {
  test::ScratchFolder folder;
  test::WriteFile("DEXT.DAT", "first\r\nsecond\r\n");
  ASSERT_EQ(KVBopen("dext.dat", "", "", kFile, 1, 0), 0);  // any case finds it
  char buffer[KVB_WHOLE_LINE_MAX + 1];
  int16_t n = 249;
  ASSERT_EQ(KVBget(buffer, kFile, &n), 0);
  EXPECT_EQ(KVBread(kFile, 0), 0);
  n = 249;
  ASSERT_EQ(KVBget(buffer, kFile, &n), 0);
  EXPECT_STREQ(buffer, "second");
  KVBclose(kFile);
  EXPECT_NE(KVBread(kFile, 0), 0);
  EXPECT_EQ(KVBerr(0), kFileNotOpen);
}

TEST(TextApiTest, MakePutWriteCloseReplacesTheFileAsAWhole) {
  test::ScratchFolder folder;
  test::WriteFile("DEX2GL.DAT", "OLD\r\n");
  ASSERT_EQ(KVBmake("DEX2GL.DAT", "", "", kFile, 0, 0), 0);
  ASSERT_EQ(KVBput("F:\\DLR", kFile, -1), 0);
  ASSERT_EQ(KVBput("ab", kFile, 4), 0);
  ASSERT_EQ(KVBwrite(kFile, 1, 0), 0);
  EXPECT_EQ(test::ReadFile("DEX2GL.DAT"), "OLD\r\n");  // nothing shows before the close
  char buffer[8];
  int16_t n = 5;
  EXPECT_NE(KVBget(buffer, kFile, &n), 0);
  EXPECT_EQ(KVBerr(0), kWrongDirection);
  ASSERT_EQ(KVBclose(kFile), 0);
  EXPECT_EQ(test::ReadFile("DEX2GL.DAT"), "F:\\DLRab  \r\n");
  EXPECT_EQ(std::filesystem::directory_iterator(folder.path())->path().filename(), "DEX2GL.DAT");
}

TEST(TextApiTest, MisuseFailsWithItsOwnCode) {
  test::ScratchFolder folder;
  char buffer[8];
  int16_t n = 5;
  EXPECT_NE(KVBopen("NONE.DAT", "", "", kFile, 1, 0), 0);
  EXPECT_EQ(KVBerr(0), kMissingFile);
  EXPECT_NE(KVBmake("NOFOLDER\\X.DAT", "", "", kFile, 0, 0) == 0 && KVBclose(kFile) == 0, true);
  EXPECT_EQ(KVBerr(0), kMissingFile);
  EXPECT_NE(KVBget(buffer, 999, &n), 0);
  EXPECT_EQ(KVBerr(0), kFileNotOpen);
  EXPECT_NE(KVBget(nullptr, kFile, &n), 0);
  EXPECT_EQ(KVBerr(0), kBadArgument);
  test::WriteFile("DEXT.DAT", "x\r\n");
  ASSERT_EQ(KVBopen("DEXT.DAT", "", "", kFile, 1, 0), 0);
  EXPECT_NE(KVBput("x", kFile, -1), 0);
  EXPECT_EQ(KVBerr(0), kWrongDirection);
  EXPECT_NE(KVBfput("x", "A", kFile, 0, 0), 0);
  EXPECT_EQ(KVBerr(0), kNotKeyed);
  EXPECT_STREQ(KVBfiditemstub("A", kFile, 0), "");
}

}  // namespace
}  // namespace kvb
