// Text record files through the library's entry points.
#include <gtest/gtest.h>
#include <sys/wait.h>
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

TEST(TextApiTest, LinesEndAtLfOrCrlfAndOnlyTheVeryEndEndsTheFile) {
  test::ScratchFolder folder;
  using L = std::vector<std::string>;
  EXPECT_EQ(Lines("", -1), L{});
  EXPECT_EQ(Lines("one\r\ntwo\nthree", -1), (L{"one", "two", "three"}));
  EXPECT_EQ(Lines("one\r\n\r\nthree\r\n", -1), (L{"one", "", "three"}));
  // A Ctrl-Z ends the file when at most one line end follows it.
  EXPECT_EQ(Lines("one\r\ntwo\x1A", -1), (L{"one", "two"}));
  EXPECT_EQ(Lines("one\r\n\x1A\r\n", -1), L{"one"});
  EXPECT_EQ(Lines("one\x1A\n", -1), L{"one"});
  // Anything more after it means the file is damaged, not that it ended.
  EXPECT_EQ(Lines("one\r\n\x1A"
                  "garbage\r\n",
                  -1, kCtrlZInside),
            L{"one"});
  EXPECT_EQ(Lines("one\r\ntw\x1Ao\r\n", -1, kCtrlZInside), L{"one"});
  EXPECT_EQ(Lines("\x1A\r\n\r\n", -1, kCtrlZInside), L{});
  EXPECT_EQ(StatusOf(kCtrlZInside), kStatusBadFile);
}

TEST(TextApiTest, ALineFarLongerThanAnyRecordFailsInsteadOfGrowingForever) {
  test::ScratchFolder folder;
  using L = std::vector<std::string>;
  std::string longest(65536, 'x');  // the longest line allowed
  std::string cut = longest.substr(0, 10);
  EXPECT_EQ(Lines(longest + "\r\nnext", 10), (L{cut, "next"}));
  EXPECT_EQ(Lines(longest + "x\r\nnext", 10, kLineTooLong), L{});
  EXPECT_EQ(Lines("one\n" + longest + "x", 10, kLineTooLong), L{"one"});
  EXPECT_EQ(StatusOf(kLineTooLong), kStatusBadFile);
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

TEST(TextApiTest, CountCutsTheLineAndTheRestIsSkipped) {
  test::ScratchFolder folder;
  using L = std::vector<std::string>;
  EXPECT_EQ(Lines("abcdef\r\nxy\r\n", 3), (L{"abc", "xy"}));
  EXPECT_EQ(Lines("abcdef\r\n", 0), L{""});
  std::string deal(300, 'D');
  EXPECT_EQ(Lines(deal + "\r\n" + deal + "\r\n", 249),
            (L{deal.substr(0, 249), deal.substr(0, 249)}));
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

TEST(TextApiTest, ADeathBeforeTheCloseLeavesTheOldFile) {
  test::ScratchFolder folder;
  test::WriteFile("DEX2GL.DAT", "OLD\r\n");
  pid_t child = fork();
  if (child == 0) {
    KVBmake("DEX2GL.DAT", "", "", kFile, 0, 0);
    KVBput("NEW", kFile, -1);
    KVBwrite(kFile, 1, 0);
    _exit(0);  // no close
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(test::ReadFile("DEX2GL.DAT"), "OLD\r\n");
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
