// Writers that die or fail mid-run leave every record old or new.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "kvb.h"
#include "sqlite_store.h"
#include "status.h"
#include "test_support.h"

namespace kvb {
namespace {

constexpr int kRecords = 40;

std::string StockOf(int i) { return "S" + std::to_string(i); }

// Writes generation g into every field of record i: all of them carry g's digit.
void WriteGeneration(int16_t file, int i, int g) {
  char digit = static_cast<char>('0' + g % 10);
  KVBrclear(file);
  KVBfput(StockOf(i).c_str(), "STKNO", file, 0, 0);
  for (const char* field : {"ACT", "VIN", "NAME"}) {
    KVBfput(std::string(17, digit).c_str(), field, file, 0, 0);
  }
  for (int16_t line = 1; line <= 3; ++line) {
    KVBfput(std::string(9, digit).c_str(), "DA", file, line, 0);
  }
}

// The digit every field of record i holds, or '?' when they differ (torn).
char GenerationOf(const std::string& stock) {
  KVBposn(1, stock.c_str(), -1, "", 256);
  if (KVBread(1, 512) != 0) return '-';
  std::string all = KVBfiditemstub("ACT", 1, 0);
  all += KVBfiditemstub("VIN", 1, 0);
  all += KVBfiditemstub("NAME", 1, 0);
  for (int16_t line = 1; line <= 3; ++line) all += KVBfiditemstub("DA", 1, line);
  return all.find_first_not_of(all[0]) == std::string::npos ? all[0] : '?';
}

class CrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::MakeKeyed(folder_ / "KVIN.DAT", folder_ / "KVIN.FID", test::kVehicleLayout);
  }
  static int16_t Open() { return KVBopen("KVIN.DAT", "KVIN.FID", "", 1, 3, 0); }
  test::ScratchFolder folder_;
};

TEST_F(CrashTest, AWriterKilledMidRunLeavesNoTornRecord) {
  for (int round = 0; round < 3; ++round) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t writer = fork();
    if (writer == 0) {
      close(ready[0]);
      KVBautosecure(1);
      if (Open() != 0) _exit(2);
      for (int g = 1;; ++g) {
        for (int i = 0; i < kRecords; ++i) {
          WriteGeneration(1, i, g);
          KVBwrite(1, 1, 512);
        }
        if (g == 1 && write(ready[1], "x", 1) != 1) _exit(3);
      }
    }
    close(ready[1]);
    char x;
    ASSERT_EQ(read(ready[0], &x, 1), 1);
    close(ready[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + 37 * round));
    kill(writer, SIGKILL);
    int status = 0;
    waitpid(writer, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    ASSERT_EQ(Open(), 0);
    for (int i = 0; i < kRecords; ++i) {
      char generation = GenerationOf(StockOf(i));
      EXPECT_NE(generation, '?') << "record " << i << " is torn";
      EXPECT_NE(generation, '-') << "record " << i << " is lost";
    }
    KVBclose(1);
  }
}

TEST_F(CrashTest, DeathAtTheNthWriteKeepsEveryEarlierWrite) {
  pid_t writer = fork();
  if (writer == 0) {
    setenv("KVB_FAULT_AT", "7", 1);
    setenv("KVB_FAULT_KILL", "1", 1);
    KVBautosecure(1);
    if (Open() != 0) _exit(2);
    for (int i = 0; i < 10; ++i) {
      WriteGeneration(1, i, 1);
      KVBwrite(1, 1, 512);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(writer, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  ASSERT_EQ(Open(), 0);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(GenerationOf(StockOf(i)), i < 6 ? '1' : '-') << i;
}

TEST_F(CrashTest, AFailingStoreReportsAnIoErrorAndKeepsTheOldRecord) {
  std::unique_ptr<RecordStore> real;
  ASSERT_EQ(OpenSqliteStore(folder_.path(), false, &real), kNone);
  auto faulty = std::make_shared<FaultInjectingStore>(std::move(real));
  FaultInjectingStore* fault = faulty.get();
  std::unique_ptr<KeyedFile> file;
  Layout layout = test::ParseOrDie(test::kVehicleLayout);
  ASSERT_EQ(KeyedFile::OpenInStore(faulty, folder_ / "KVIN.DAT", &layout, false, &file), kNone);
  file->buffer().Put("STKNO", 0, "A1");
  file->buffer().Put("VIN", 0, "OLD");
  ASSERT_EQ(file->Write(), kNone);
  file->buffer().Put("VIN", 0, "NEW");
  fault->SetFailing(true);
  EXPECT_EQ(file->Write(), kIoError);
  file->Position("A1");
  EXPECT_EQ(file->Read(), kIoError);
  fault->SetFailing(false);
  ASSERT_EQ(file->Read(), kNone);
  std::string_view vin;
  file->buffer().Get("VIN", 0, &vin);
  EXPECT_EQ(vin.substr(0, 3), "OLD");
}

}  // namespace
}  // namespace kvb
