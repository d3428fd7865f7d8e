#include "session/identity.h"

#include <gtest/gtest.h>

#include "context/session.h"
#include "platform/computer_name.h"
#include "records/testing/faulty_library.h"

namespace dext {
namespace {

TEST(InitRecordLibraryTest, InitialisesThenRecordsTheWorkstation) {
  ResetSession();
  FaultyLibrary library;
  Session().ErrorInfo.Message = "kept";
  const int16_t base = InitRecordLibrary(0);
  EXPECT_GT(base, 0);
  EXPECT_EQ(InitRecordLibrary(base), 0);
  EXPECT_EQ(library.calls(),
            (std::vector<std::string>{"KVBinit(0)", "KVBinit(" + std::to_string(base) + ")"}));
  const ErrorRecord& error = Session().ErrorInfo;
  EXPECT_EQ(error.ComputerName, platform::ComputerName());
  EXPECT_EQ(error.WindowsVersion, "{unknown}");
  EXPECT_EQ(error.Message, "kept");
  ResetSession();
}

}  // namespace
}  // namespace dext
