#include "path.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "status.h"
#include "test_support.h"

namespace kvb {
namespace {

TEST(PathTest, DosPathsGoThroughTheDriveMapAndMatchAnyCase) {
  test::ScratchFolder folder;
  test::WriteFile(folder / "f/kd/ff/kvin.fid", "x");
  setenv("KVB_DRIVE_F", (folder / "f").c_str(), 1);
  std::string host;
  struct Case {
    const char* name;
    std::string expected;
  } cases[] = {
      {"F:\\KD\\FF\\KVIN.FID", folder / "f/kd/ff/kvin.fid"},
      {"f:/kd/FF/Kvin.Fid", folder / "f/kd/ff/kvin.fid"},
      {"F:KD\\FF\\KVIN.FID", folder / "f/kd/ff/kvin.fid"},
      {"F:\\KD\\NEW.DAT", folder / "f/kd/NEW.DAT"},   // a new name keeps its spelling
      {"F\\KD\\FF\\KVIN.FID", "./f/kd/ff/kvin.fid"},  // relative to the current folder
  };
  for (const Case& c : cases) {
    ASSERT_EQ(ResolvePath(c.name, &host), kNone) << c.name;
    EXPECT_EQ(host, c.expected) << c.name;
  }
  EXPECT_EQ(ResolvePath((folder / "F/KD/FF/KVIN.FID"), &host), kNone);
  EXPECT_EQ(host, folder / "f/kd/ff/kvin.fid");
  unsetenv("KVB_DRIVE_F");
}

TEST(PathTest, DotsResolveWithinTheDriveAndAPathAboveItIsRefused) {
  test::ScratchFolder folder;
  test::WriteFile(folder / "f/kd/kvin.dat", "x");
  test::WriteFile(folder / "elsewhere/kvin.dat", "x");
  std::filesystem::create_directory_symlink(folder / "elsewhere", folder / "f/out");
  setenv("KVB_DRIVE_F", (folder / "f").c_str(), 1);
  std::string host;
  EXPECT_EQ(ResolvePath("F:\\KD\\..\\KD\\.\\KVIN.DAT", &host), kNone);
  EXPECT_EQ(host, folder / "f/kd/kvin.dat");
  EXPECT_EQ(ResolvePath("F:\\OUT\\KVIN.DAT", &host), kNone);  // a symbolic link may lead out
  EXPECT_EQ(host, folder / "f/out/kvin.dat");
  EXPECT_EQ(ResolvePath("/a/../../b/./c", &host), kNone);  // host paths stop at the root
  EXPECT_EQ(host, "/b/c");
  host = "unchanged";
  for (const char* name : {"F:\\..\\..\\elsewhere\\KVIN.DAT", "F:..\\elsewhere\\KVIN.DAT",
                           "F:\\KD\\..\\..\\elsewhere\\KVIN.DAT"}) {
    EXPECT_EQ(ResolvePath(name, &host), kLeavesDrive) << name;
  }
  EXPECT_EQ(host, "unchanged");
  EXPECT_EQ(StatusOf(kLeavesDrive), kStatusBadRequest);
  EXPECT_EQ(KVBopen("F:\\..\\elsewhere\\KVIN.DAT", "", "", 301, 1, 0), kStatusBadRequest);
  EXPECT_EQ(KVBerr(0), kLeavesDrive);
  EXPECT_FALSE(FileExists("F:\\..\\elsewhere\\KVIN.DAT"));
  unsetenv("KVB_DRIVE_F");
}

TEST(PathTest, UnmappedDrivesAndEmptyNamesAreRefused) {
  unsetenv("KVB_DRIVE_Q");
  setenv("KVB_DRIVE_R", "", 1);
  std::string host = "unchanged";
  EXPECT_EQ(ResolvePath("Q:\\DATA\\KVIN.DAT", &host), kUnmappedDrive);
  EXPECT_EQ(ResolvePath("R:\\KVIN.DAT", &host), kUnmappedDrive);
  EXPECT_EQ(ResolvePath("", &host), kBadName);
  EXPECT_EQ(ResolvePath("\\", &host), kBadName);
  EXPECT_EQ(host, "unchanged");
  unsetenv("KVB_DRIVE_R");
}

TEST(PathTest, FileExistsResolvesTheSameWayAndSkipsHiddenFilesAndFolders) {
  test::ScratchFolder folder;
  test::WriteFile(folder / "d/kjrvh.dat", "x");
  test::WriteFile(folder / "d/.hidden.dat", "x");
  setenv("KVB_DRIVE_G", folder.path().c_str(), 1);
  EXPECT_TRUE(FileExists("G:\\D\\KJRVH.DAT"));
  EXPECT_TRUE(FileExists("d\\KJRVH.DAT"));
  EXPECT_EQ(KVBfileexists("G:\\D\\KJRVH.DAT"), 1);
  EXPECT_FALSE(FileExists("G:\\D\\KJRTH.DAT"));
  EXPECT_FALSE(FileExists("G:\\D\\.hidden.dat"));
  EXPECT_FALSE(FileExists("G:\\D"));
  EXPECT_FALSE(FileExists("Z:\\D\\KJRVH.DAT"));
  EXPECT_EQ(KVBfileexists(nullptr), 0);
  unsetenv("KVB_DRIVE_G");
}

}  // namespace
}  // namespace kvb
