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
#include "testing/fault_switches.h"

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
  REQUIRE_KVB_FAULT_SWITCHES();
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

// A child that writes records S1 and S2 to KVIN.DAT and KJRVH.DAT in one
// transaction (four writes, then the commit as the fifth) and exits with 0 or
// the commit's secondary code. fault_at > 0 fails that write, or with die
// kills the child there; kill_after_commit kills it once KVBcommit returned.
int TransactionInChild(long fault_at, bool die, bool kill_after_commit) {
  pid_t writer = fork();
  if (writer == 0) {
    if (fault_at > 0) setenv("KVB_FAULT_AT", std::to_string(fault_at).c_str(), 1);
    if (die) setenv("KVB_FAULT_KILL", "1", 1);
    KVBautosecure(1);
    if (KVBopen("KVIN.DAT", "KVIN.FID", "", 1, 3, 0) != 0 ||
        KVBopen("KJRVH.DAT", "KVIN.FID", "", 2, 3, 0) != 0 || KVBbegin(1) != 0) {
      _exit(2);
    }
    for (int i : {1, 2}) {
      for (int16_t file : {1, 2}) {
        WriteGeneration(file, i, 5);
        KVBwrite(file, 1, 512);
      }
    }
    int16_t code = KVBcommit(1) == 0 ? 0 : KVBerr(1);
    if (kill_after_commit) kill(getpid(), SIGKILL);
    _exit(code);
  }
  int status = 0;
  waitpid(writer, &status, 0);
  return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
}

// Of records S1, S2 in KVIN.DAT and KJRVH.DAT, those stored: "1111" for all.
std::string StoredOfTransaction() {
  std::string stored;
  for (const char* name : {"KVIN.DAT", "KJRVH.DAT"}) {
    EXPECT_EQ(KVBopen(name, "KVIN.FID", "", 1, 3, 0), 0);
    for (int i : {1, 2}) stored += GenerationOf(StockOf(i)) == '5' ? '1' : '0';
  }
  KVBclose(1);
  return stored;
}

TEST_F(CrashTest, ATransactionDyingOrFailingAtAnyWriteLeavesNoneOfItsWrites) {
  REQUIRE_KVB_FAULT_SWITCHES();
  test::MakeKeyed(folder_ / "KJRVH.DAT", folder_ / "KVIN.FID", test::kVehicleLayout);
  for (long at = 1; at <= 5; ++at) {
    EXPECT_EQ(TransactionInChild(at, true, false), -SIGKILL) << at;
    EXPECT_EQ(StoredOfTransaction(), "0000") << "killed at write " << at;
    // A failed write undoes the transaction; a failed commit stores nothing.
    EXPECT_EQ(TransactionInChild(at, false, false), at < 5 ? kTransactionUndone : kIoError) << at;
    EXPECT_EQ(StoredOfTransaction(), "0000") << "failed at write " << at;
  }
  EXPECT_EQ(TransactionInChild(0, false, true), -SIGKILL);
  EXPECT_EQ(StoredOfTransaction(), "1111");
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
