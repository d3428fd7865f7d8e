// Keyed record files through the library's entry points, on both stores: a
// folder's SQLite store and a PostgreSQL server.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "keyed_stub.h"
#include "kvb.h"
#include "status.h"
#include "test_support.h"

namespace kvb {
namespace {

constexpr const char* kData = "F:\\DATA\\KVIN.DAT";
constexpr const char* kLayout = "F:\\KD\\FF\\KVIN.FID";

class KeyedApiTest : public ::testing::TestWithParam<test::StoreKind> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::MapDrive('F', folder_.path(), GetParam()));
    test::MakeKeyed(folder_ / "data/kvin.dat", folder_ / "KD/FF/KVIN.FID", test::kVehicleLayout);
    base_ = KVBinit(0);
    ASSERT_EQ(Open(base_ + 5), 0) << KVBerr(base_);
  }
  static int16_t Open(int16_t number, const char* data = kData, const char* layout = kLayout,
                      int16_t mode = 3) {
    return KVBopen(data, layout, "", number, mode, 0);
  }
  void Store(int16_t file, const char* stock, const char* vin) {
    KVBrclear(file);
    KVBfput(stock, "STKNO", file, 0, 0);
    KVBfput(vin, "VIN", file, 0, 0);
    ASSERT_EQ(KVBwrite(file, 1, 512), 0) << KVBerr(base_);
  }
  std::string Field(const char* name, int16_t file, int16_t occurrence = 0) {
    return KVBfiditemstub(name, file, occurrence);
  }
  // The VIN stored under stock, read through a second open file.
  std::string StoredVin(const char* stock) {
    const int16_t probe = base_ + 9;
    EXPECT_EQ(Open(probe), 0);
    KVBposn(probe, stock, -1, "", 256);
    std::string vin = KVBread(probe, 512) == 0 ? Field("VIN", probe) : "<none>";
    KVBclose(probe);
    return vin;
  }

  test::ScratchFolder folder_;
  int16_t base_ = 0;
};

TEST_P(KeyedApiTest, WriteStoresOrReplacesTheRecordUnderItsKeyAndReadBringsItBack) {
  const int16_t kvin = base_ + 5;
  Store(kvin, "A100", "OLDVIN");
  Store(kvin, "A100", "1HGCM82633A004352");
  Store(kvin, "B200", "JH4KA7650MC012345");
  ASSERT_EQ(KVBposn(kvin, "A100", -1, "", 256), 0);
  KVBrclear(kvin);
  ASSERT_EQ(KVBread(kvin, 512), 0);
  EXPECT_EQ(Field("STKNO", kvin), "A100  ");
  EXPECT_EQ(Field("VIN", kvin), "1HGCM82633A004352");
  EXPECT_EQ(Field("NAME", kvin), std::string(12, ' '));
  EXPECT_EQ(Field("NOPE", kvin), "");
  EXPECT_EQ(StoredVin("B200  "), "JH4KA7650MC012345");  // trailing blanks do not matter
}

TEST_P(KeyedApiTest, ReadAtAKeyWithoutRecordFailsAndKeepsTheBuffer) {
  const int16_t kvin = base_ + 5;
  KVBfput("keep", "NAME", kvin, 0, 0);
  ASSERT_EQ(KVBposn(kvin, "ZZZ", -1, "", 256), 0);  // a position all the same
  EXPECT_NE(KVBread(kvin, 512), 0);
  EXPECT_EQ(KVBerr(base_), kNoRecord);
  EXPECT_EQ(Field("NAME", kvin), "keep        ");
}

// Occurrences beyond the source's count and fields it lacks keep their values.
TEST_P(KeyedApiTest, CopyCarriesFieldsBetweenLayoutsByNameOccurrenceByOccurrence) {
  test::MakeKeyed(folder_ / "data/kjrvh.dat", folder_ / "KD/FF/KJRVH.FID",
                  "STKNO 6 key\nVIN 5\nDA 9 22\nLN1 15\n");
  const int16_t kvin = base_ + 5, kjrvh = base_ + 2;
  ASSERT_EQ(Open(kjrvh, "F:\\DATA\\KJRVH.DAT", "F:\\KD\\FF\\KJRVH.FID"), 0);
  KVBfput("A100", "STKNO", kvin, 0, 0);
  KVBfput("1HGCM82633A004352", "VIN", kvin, 0, 0);
  KVBfput("5.00", "DA", kvin, 2, 0);
  KVBfput("stale", "DA", kjrvh, 1, 0);
  KVBfput("kept", "DA", kjrvh, 4, 0);
  KVBfput("kept", "LN1", kjrvh, 0, 0);
  ASSERT_EQ(KVBcopy(kvin, kjrvh), 0);
  EXPECT_EQ(Field("STKNO", kjrvh), "A100  ");
  EXPECT_EQ(Field("VIN", kjrvh), "1HGCM");
  EXPECT_EQ(Field("DA", kjrvh, 1), std::string(9, ' '));
  EXPECT_EQ(Field("DA", kjrvh, 2), "5.00     ");
  EXPECT_EQ(Field("DA", kjrvh, 4), "kept     ");
  EXPECT_EQ(Field("LN1", kjrvh), "kept           ");
}

TEST_P(KeyedApiTest, EveryBadRequestFailsWithItsOwnCodeAndStoresNothing) {
  const int16_t kvin = base_ + 5;
  Store(kvin, "A100", "ORIGINAL");
  test::WriteFile(folder_ / "KD/FF/BAD.FID", "STKNO six key\n");
  test::WriteFile(folder_ / "KD/FF/OTHER.FID", "STKNO 8 key\nVIN 17\n");
  test::WriteFile(folder_ / "data/junk.dat", "this is not a database at all, not even close......");
  struct Case {
    const char* what;
    std::function<int16_t()> call;
    int16_t code;
  } cases[] = {
      {"missing data file", [&] { return Open(base_ + 6, "F:\\DATA\\NONE.DAT"); }, kMissingFile},
      {"missing layout", [&] { return Open(base_ + 6, kData, "F:\\KD\\FF\\NONE.FID"); },
       kMissingLayout},
      {"malformed layout", [&] { return Open(base_ + 6, kData, "F:\\KD\\FF\\BAD.FID"); },
       kMalformedLayout},
      {"layout mismatch", [&] { return Open(base_ + 6, kData, "F:\\KD\\FF\\OTHER.FID"); },
       kLayoutMismatch},
      {"not ours", [&] { return Open(base_ + 6, "F:\\DATA\\JUNK.DAT"); }, kNotOurs},
      {"unknown mode", [&] { return Open(base_ + 6, kData, kLayout, 7); }, kBadMode},
      {"file number 0", [&] { return KVBposn(0, "A100", -1, "", 256); }, kBadFileNumber},
      {"key too long", [&] { return KVBposn(kvin, "A100000", -1, "", 256); }, kKeyTooLong},
      {"key cut by fput", [&] { return KVBfput("A1000000", "STKNO", kvin, 0, 0); }, kKeyTooLong},
      {"null argument", [&] { return KVBfput(nullptr, "VIN", kvin, 0, 0); }, kBadArgument},
      {"blank key",
       [&] {
         KVBrclear(kvin);
         return KVBwrite(kvin, 1, 512);
       },
       kBlankKey},
      {"line op on keyed", [&] { return KVBput("x", kvin, -1); }, kNotText},
      {"make of an existing keyed file",
       [&] { return KVBmake(kData, kLayout, "", base_ + 6, 3, 0); }, kFileExists},
  };
  for (const Case& c : cases) {
    EXPECT_NE(c.call(), 0) << c.what;
    EXPECT_EQ(KVBerr(base_), c.code) << c.what;
  }
  EXPECT_EQ(StoredVin("A100"), "ORIGINAL         ");
}

TEST_P(KeyedApiTest, OpeningUnderANumberInUseClosesTheOldFileFirst) {
  const int16_t kvin = base_ + 5;
  test::WriteFile(folder_ / "DEXT.DAT", "deal\r\n");
  ASSERT_EQ(KVBopen("DEXT.DAT", "", "", kvin, 1, 0), 0);
  EXPECT_NE(KVBposn(kvin, "A100", -1, "", 256), 0);  // now a text file
  EXPECT_EQ(KVBerr(base_), kNotKeyed);
  EXPECT_EQ(KVBclose(kvin), 0);
  EXPECT_NE(KVBclose(kvin), 0);
  EXPECT_EQ(KVBerr(base_), kFileNotOpen);
}

TEST_P(KeyedApiTest, InitWithTheBaseClosesItsFilesOnly) {
  const int16_t other_base = KVBinit(0);
  EXPECT_NE(other_base, 0);
  EXPECT_NE(other_base, base_);  // base_ has a file open
  ASSERT_EQ(Open(other_base + 5), 0);
  EXPECT_EQ(KVBinit(base_), 0);
  EXPECT_NE(KVBread(base_ + 5, 512), 0);
  EXPECT_EQ(KVBerr(base_), kFileNotOpen);
  EXPECT_EQ(KVBposn(other_base + 5, "A", -1, "", 256), 0);
  EXPECT_EQ(KVBcloseall(other_base), 0);
  EXPECT_EQ(KVBinit(0), base_);
}

TEST_P(KeyedApiTest, ReadOnlyOpenRefusesWrites) {
  const int16_t kvin = base_ + 6;
  ASSERT_EQ(Open(kvin, kData, kLayout, 1), 0);
  KVBfput("A1", "STKNO", kvin, 0, 0);
  EXPECT_NE(KVBwrite(kvin, 1, 512), 0);
  EXPECT_EQ(KVBerr(base_), kWrongDirection);
  EXPECT_EQ(StoredVin("A1"), "<none>");
}

TEST_P(KeyedApiTest, TheFileExistsTestAnswersForKeyedFiles) {
  EXPECT_EQ(KVBfileexists("F:\\DATA\\KVIN.DAT"), 1);
  EXPECT_EQ(KVBfileexists("F:\\data\\kvin.dat"), 1);
  EXPECT_EQ(KVBfileexists("F:\\DATA\\KJRVH.DAT"), 0);
  ASSERT_EQ(KVBmake("F:\\DATA\\KJRVH.DAT", kLayout, "", base_ + 6, 3, 0), 0);
  EXPECT_EQ(KVBfileexists("F:\\DATA\\KJRVH.DAT"), 1);
  EXPECT_EQ(KVBfileexists("F:\\KD\\FF\\KVIN.FID"), 1);  // a text file in the folder
}

INSTANTIATE_TEST_SUITE_P(Stores, KeyedApiTest,
                         ::testing::Values(test::StoreKind::kSqlite, test::StoreKind::kPostgres),
                         test::StoreName);

// The .DAT of a file in a folder's store stands for its permissions.
using KeyedSqliteTest = KeyedApiTest;

TEST_P(KeyedSqliteTest, AWriteProtectedDataFileOpensReadOnly) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write any file";
  chmod((folder_ / "data/kvin.dat").c_str(), 0444);
  const int16_t kvin = base_ + 6;
  ASSERT_EQ(Open(kvin), 0);
  KVBfput("A1", "STKNO", kvin, 0, 0);
  EXPECT_NE(KVBwrite(kvin, 1, 512), 0);
  EXPECT_EQ(KVBerr(base_), kWrongDirection);
}

TEST_P(KeyedSqliteTest, AMakeReplacesAnEmptyTableWithoutItsDatButNeverOneWithRecords) {
  const int16_t kvin = base_ + 6;
  ASSERT_EQ(Open(kvin), 0);
  KVBfput("A1", "STKNO", kvin, 0, 0);
  ASSERT_EQ(KVBwrite(kvin, 1, 512), 0);
  KVBclose(0);
  std::filesystem::remove(folder_ / "data/kvin.dat");  // the .DAT deleted by hand
  EXPECT_NE(KVBmake(kData, kLayout, "", kvin, 3, 0), 0);
  EXPECT_EQ(KVBerr(base_), kTableHasRecords);
  ASSERT_EQ(PlaceStub(folder_ / "data/kvin.dat", false), kNone);
  ASSERT_EQ(Open(kvin), 0);
  KVBposn(kvin, "A1", -1, "", 256);
  EXPECT_EQ(KVBread(kvin, 512), 0) << "the records are still there";
  KVBclose(kvin);

  // A table a make left without its .DAT holds nothing: made anew.
  test::MakeKeyed(folder_ / "data/EMPTY.DAT", folder_ / "KD/FF/KVIN.FID", test::kVehicleLayout);
  std::filesystem::remove(folder_ / "data/EMPTY.DAT");
  EXPECT_EQ(KVBmake("F:\\DATA\\EMPTY.DAT", kLayout, "", kvin, 3, 0), 0) << KVBerr(base_);
}

// The desks of a dealership run as users of one group: what the library
// makes in a folder the group may write (the store and SQLite's files
// beside it, the .DAT, the lock file) is the group's to write as well,
// whatever the maker's umask; in any other folder the umask holds.
TEST_P(KeyedSqliteTest, FilesMadeInAFolderItsGroupMayWriteAreTheGroupsToWrite) {
  const mode_t umask_before = umask(022);
  for (const char* folder : {"shared", "private"}) {
    SCOPED_TRACE(folder);
    const bool shared = std::string(folder) == "shared";
    std::filesystem::create_directory(folder_ / folder);
    chmod((folder_ / folder).c_str(), shared ? 02775 : 0755);
    const std::string data = std::string("F:\\") + folder + "\\KVIN.DAT";
    const int16_t kvin = base_ + 6;
    ASSERT_EQ(KVBmake(data.c_str(), kLayout, "", kvin, 3, 0), 0) << KVBerr(base_);
    Store(kvin, "A1", "VIN1");
    KVBposn(kvin, "A1", -1, "", 256);
    ASSERT_EQ(KVBrlock(kvin), 0) << KVBerr(base_);
    for (const char* made :
         {"KVBSTORE.DB", "KVBSTORE.DB-wal", "KVBSTORE.DB-shm", "KVIN.DAT", "KVIN.DAT-lock"}) {
      struct stat st;
      ASSERT_EQ(stat((folder_ / (std::string(folder) + "/" + made)).c_str(), &st), 0) << made;
      EXPECT_EQ(st.st_mode & 0066, shared ? 0064u : 0044u) << made;
    }
    KVBclose(kvin);
  }
  umask(umask_before);
}

INSTANTIATE_TEST_SUITE_P(Stores, KeyedSqliteTest, ::testing::Values(test::StoreKind::kSqlite),
                         test::StoreName);

}  // namespace
}  // namespace kvb
