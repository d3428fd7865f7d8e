#include "platform/printer.h"

#include <gtest/gtest.h>

#include <cstdlib>
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

// The default printer is chosen once, at its first use, so this program has
// exactly one test.
TEST(PrinterTest, DefaultPrinterAppendsToTheFileNamedByDextPrinter) {
  std::string path = testing::TempDir() + "dext_printer_test.txt";
  std::ofstream(path, std::ios::binary) << "earlier\n";
  ASSERT_EQ(setenv("DEXT_PRINTER", path.c_str(), 1), 0);

  Printer& printer = CurrentPrinter();
  printer.Print("STOCK ");
  printer.Print("A12345\xE9");
  printer.EndLine();
  printer.EndLine();

  EXPECT_EQ(ReadAll(path), "earlier\nSTOCK A12345\xE9\n\n");
  std::remove(path.c_str());
}

}  // namespace
}  // namespace platform
