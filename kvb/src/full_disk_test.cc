// A folder store on a full disk fails its calls; it never kills the process.
// The disk is a small ext4 with 1 KiB blocks (smaller than a memory page, as
// mkfs makes them for small filesystems), mounted from an image file: that
// needs root and loop devices, so elsewhere the test is skipped.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "kvb.h"
#include "test_support.h"

namespace kvb {
namespace {

class FullDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a test filesystem needs root";
    const std::string image = folder_ / "disk.img", disk = folder_ / "disk";
    std::filesystem::create_directories(disk);
    const std::string make = "truncate -s 3M '" + image + "' && mkfs.ext4 -q -b 1024 '" + image +
                             "' && mount -o loop '" + image + "' '" + disk + "' 2>/dev/null";
    if (std::system(make.c_str()) != 0) GTEST_SKIP() << "cannot mount a loop filesystem here";
    disk_ = disk;
  }
  void TearDown() override {
    KVBclose(0);
    if (!disk_.empty()) umount2(disk_.c_str(), MNT_DETACH);
  }

  // Fills the disk up to `free_bytes` of room.
  void FillUpTo(long free_bytes) {
    const std::string filler = disk_ + "/filler";
    std::filesystem::remove(filler);
    ASSERT_NE(std::system(("dd if=/dev/zero of='" + filler + "' bs=1k 2>/dev/null").c_str()), -1);
    const auto size = static_cast<long>(std::filesystem::file_size(filler));
    std::filesystem::resize_file(filler, static_cast<uintmax_t>(std::max(0L, size - free_bytes)));
    sync();
  }

  test::ScratchFolder folder_;
  std::string disk_;
};

TEST_F(FullDiskTest, AStoreOnAFullDiskFailsTheCallInsteadOfDyingBySignal) {
  test::MakeKeyed(disk_ + "/KVIN.DAT", disk_ + "/KVIN.FID", test::kVehicleLayout);
  for (long free_kib = 2; free_kib <= 40; free_kib += 2) {
    for (const char* log : {"/KVBSTORE.DB-wal", "/KVBSTORE.DB-shm"}) {
      std::filesystem::remove(disk_ + log);
    }
    FillUpTo(free_kib * 1024);
    pid_t child = fork();
    if (child == 0) {
      KVBautosecure(1);
      if (KVBopen((disk_ + "/KVIN.DAT").c_str(), (disk_ + "/KVIN.FID").c_str(), "", 1, 3, 0)) {
        _exit(1);
      }
      for (int i = 0; i < 50; ++i) {
        const std::string key = "S" + std::to_string(i);
        KVBposn(1, key.c_str(), -1, "", 256);
        KVBread(1, 512);
        KVBrclear(1);
        KVBfput(key.c_str(), "STKNO", 1, 0, 0);
        if (KVBwrite(1, 1, 512) != 0) _exit(2);
      }
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_FALSE(WIFSIGNALED(status)) << "signal " << WTERMSIG(status) << " with " << free_kib
                                      << " KiB free";
  }
}

}  // namespace
}  // namespace kvb
