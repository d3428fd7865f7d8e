#include "platform/printer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace platform {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(PrinterTest, AppendsToTheFileAtThePathAndFlushesEveryLine) {
  const std::string path = testing::TempDir() + "dext_printer_test.txt";
  std::ofstream(path, std::ios::binary) << "earlier\n";

  std::unique_ptr<Printer> printer = OpenPrinter(path);
  printer->Print("STOCK ");
  printer->Print("A12345\xE9");
  printer->EndLine();
  EXPECT_EQ(ReadAll(path), "earlier\nSTOCK A12345\xE9\n") << "the line is on disk at its end";
  printer->EndLine();
  printer.reset();

  EXPECT_EQ(ReadAll(path), "earlier\nSTOCK A12345\xE9\n\n");
  std::remove(path.c_str());
}

TEST(PrinterTest, NoPathOrAFileThatCannotBeOpenedIsStandardOutput) {
  testing::internal::CaptureStdout();
  std::unique_ptr<Printer> printer = OpenPrinter(std::nullopt);
  printer->Print("no path");
  printer->EndLine();
  printer = OpenPrinter(testing::TempDir() + "no_such_folder/printer.txt");
  printer->Print("no folder");
  printer->EndLine();
  printer.reset();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "no path\nno folder\n");
}

}  // namespace
}  // namespace platform
