#include <gtest/gtest.h>

#include "platform/computer_name.h"
#include "platform/os_version.h"

namespace platform {
namespace {

TEST(ComputerNameTest, HostNamesBecomeAtMostFifteenCharacters) {
  struct Case {
    const char* host;
    const char* name;
  } cases[] = {
      {"", ""},
      {"WS1", "WS1"},
      {"FIFTEEN-CHARS-X", "FIFTEEN-CHARS-X"},      // 15: whole
      {"SIXTEEN-CHARS-XY", "SIXTEEN-CHARS-X"},     // 16: cut
      {"desk7.dealer.example", "desk7"},           // domain dropped
      {"a-very-long-workstation.lan", "a-very-long-wor"},
  };
  for (const Case& c : cases) EXPECT_EQ(ComputerNameFromHost(c.host), c.name) << c.host;
}

TEST(WindowsVersionNameTest, LinuxHasNoWindowsName) {
  std::optional<OsVersion> version = QueryOsVersion();
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ(version->platform, kPlatformOther);
  EXPECT_EQ(WindowsVersionName(version->platform, version->major, version->minor), "{unknown}");
}

}  // namespace
}  // namespace platform
