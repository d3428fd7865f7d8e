#include "records/line_output.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/printer.h"
#include "context/session.h"
#include "records/testing/faulty_library.h"
#include "records/testing/scratch_drive.h"

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
    SetLinePrinter(&printer);
  }
  void TearDown() override {
    SetLinePrinter(nullptr);
    ResetSession();
  }
  PaperPrinter printer;
  testing::ScratchDrive drive;
  FaultyLibrary library;
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
  ASSERT_EQ(Library().KVBmake("DEX2GL.DAT", "", "", 41, 0, 0), 0);
  library.ClearCalls();
  EXPECT_EQ(PutLine("D:\\DALVERO", FileOffset{1}, 4), 0);  // the library cuts to the width
  EXPECT_EQ(EndLines(FileOffset{1}, 1, 512), 0);
  EXPECT_EQ(library.calls(),
            (std::vector<std::string>{"KVBput(D:\\DALVERO,41,4)", "KVBwrite(41,1,512)"}));

  library.FailCalls("KVBwrite", KVB_ERR_DISK_FULL);
  EXPECT_EQ(EndLines(FileOffset{1}, 1, 512), 5);
  EXPECT_EQ(Session().ErrorInfo.Message, "ID  1, Write Error # 5-23 in ");
  EXPECT_EQ(Session().PrintedLines, 0);
  EXPECT_EQ(printer.paper, "");
  ASSERT_EQ(Library().KVBclose(41), 0);
  std::ifstream in(drive.work() / "DEX2GL.DAT", std::ios::binary);
  std::stringstream written;
  written << in.rdbuf();
  EXPECT_EQ(written.str(), "D:\\D\r\n");
}

// The default printer is opened at its first use, which is this test's
// (every other test installs its own printer).
TEST(LinePrinterTest, DefaultPrinterAppendsToTheFileNamedByDextPrinter) {
  ResetSession();
  const std::string path = ::testing::TempDir() + "dext_line_printer_test.txt";
  std::ofstream(path, std::ios::binary) << "earlier\n";
  ASSERT_EQ(setenv("DEXT_PRINTER", path.c_str(), 1), 0);

  EXPECT_EQ(PutLine("STOCK", FileOffset{0}, 8), 0);
  EXPECT_EQ(EndLines(FileOffset{0}, 1, 0), 0);

  std::ifstream in(path, std::ios::binary);
  std::stringstream printed;
  printed << in.rdbuf();
  EXPECT_EQ(printed.str(), "earlier\nSTOCK   \n");
  EXPECT_EQ(Session().PrintedLines, 1);
  unsetenv("DEXT_PRINTER");
  std::remove(path.c_str());
  ResetSession();
}

}  // namespace
}  // namespace dext
