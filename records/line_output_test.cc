#include "records/line_output.h"

#include <gtest/gtest.h>

#include "platform/printer.h"
#include "records/fake_library.h"
#include "context/session.h"

namespace dext {
namespace {

struct PaperPrinter : platform::Printer {
  std::string paper;
  void Print(const std::string& text) override { paper += text; }
  void EndLine() override { paper += "\n"; }
};

class LineOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSession();
    Session().FileBase = 40;
    platform::SetPrinter(&printer);
  }
  void TearDown() override {
    platform::SetPrinter(nullptr);
    ResetSession();
  }
  PaperPrinter printer;
  FakeLibrary library;
};

TEST_F(LineOutputTest, PrinterLinesArePaddedOrCut) {
  struct Case {
    const char* text;
    int16_t width;
    const char* printed;
  } cases[] = {
      {"ABCD", 10, "ABCD      "},
      {"ABCDEFGHIJKL", 10, "ABCDEFGHIJ"},
      {"ABCD", -1, "ABCD"},
      {"ABCD", 4, "ABCD"},
      {"ABCD", 0, ""},
      {"", 3, "   "},
  };
  for (const Case& c : cases) {
    printer.paper.clear();
    EXPECT_EQ(PutLine(c.text, FileOffset{0}, c.width), 0);
    EXPECT_EQ(printer.paper, c.printed) << c.text << " " << c.width;
  }
  EXPECT_TRUE(library.calls().empty());
}

TEST_F(LineOutputTest, PrinterLineEndsAreCounted) {
  PutLine("X", FileOffset{0}, -1);
  EXPECT_EQ(EndLines(FileOffset{0}, 0, 0), 0);
  EXPECT_EQ(EndLines(FileOffset{0}, -2, 0), 0);
  EXPECT_EQ(printer.paper, "X");
  EXPECT_EQ(Session().PrintedLines, 0);
  EXPECT_EQ(EndLines(FileOffset{0}, 3, 0), 0);
  EXPECT_EQ(printer.paper, "X\n\n\n");
  EXPECT_EQ(Session().PrintedLines, 3);
  EXPECT_TRUE(library.calls().empty());
}

TEST_F(LineOutputTest, FileSideGoesThroughTheCheckedOperations) {
  EXPECT_EQ(PutLine("D:\\DALVERO", FileOffset{1}, 4), 0);  // width unchanged, no cutting
  EXPECT_EQ(EndLines(FileOffset{5}, 1, 512), 0);
  EXPECT_EQ(library.calls(),
            (std::vector<std::string>{"KVBput(D:\\DALVERO,41,4)", "KVBwrite(45,1,512)"}));

  library.FailCalls("KVBwrite", 8);
  EXPECT_EQ(EndLines(FileOffset{2}, 1, 512), 8);
  EXPECT_EQ(Session().ErrorInfo.Message, "ID  2, Write Error # 8-0 in ");
  EXPECT_EQ(Session().PrintedLines, 0);
  EXPECT_EQ(printer.paper, "");
}

}  // namespace
}  // namespace dext
