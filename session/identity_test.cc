#include "session/identity.h"

#include <gtest/gtest.h>

#include "platform/computer_name.h"
#include "records/fake_library.h"
#include "context/session.h"

namespace dext {
namespace {

TEST(InitRecordLibraryTest, InitialisesThenRecordsTheWorkstation) {
  ResetSession();
  FakeLibrary library;
  library.base = 64;
  Session().ErrorInfo.Message = "kept";
  EXPECT_EQ(InitRecordLibrary(0), 64);
  EXPECT_EQ(InitRecordLibrary(64), 0);
  EXPECT_EQ(library.calls(), (std::vector<std::string>{"KVBinit(0)", "KVBinit(64)"}));
  const ErrorRecord& error = Session().ErrorInfo;
  EXPECT_EQ(error.ComputerName, platform::ComputerName());
  EXPECT_EQ(error.WindowsVersion, "{unknown}");
  EXPECT_EQ(error.Message, "kept");
  ResetSession();
}

}  // namespace
}  // namespace dext
