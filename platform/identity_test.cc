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

TEST(WindowsVersionNameTest, TableOfVersions) {
  struct Case {
    int platform, major, minor;
    const char* name;
  } cases[] = {
      {0, 3, 11, "WIN32"},       {0, 0, 0, "WIN32"},
      {1, 4, 0, "WIN95"},        {1, 4, 10, "WIN98"},      {1, 4, 90, "WINME"},
      {1, 4, 1, "{unknown}"},    {1, 4, 11, "{unknown}"},  {1, 9, 89, "{unknown}"},
      {2, 3, 51, "WINNT351"},    {2, 4, 0, "WINNT40"},     {2, 5, 0, "W2K"},
      {2, 5, 1, "WINXP"},        {2, 5, 2, "{unknown}"},   {2, 6, 0, "{unknown}"},
      {2, 10, 0, "{unknown}"},   {3, 5, 1, "{unknown}"},   {-1, 5, 1, "{unknown}"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WindowsVersionName(c.platform, c.major, c.minor), c.name)
        << c.platform << "/" << c.major << "." << c.minor;
  }
}

TEST(WindowsVersionNameTest, LinuxHasNoWindowsName) {
  std::optional<OsVersion> version = QueryOsVersion();
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ(version->platform, kPlatformOther);
  EXPECT_EQ(WindowsVersionName(version->platform, version->major, version->minor), "{unknown}");
}

}  // namespace
}  // namespace platform
