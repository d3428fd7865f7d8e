// A rerun of an interrupted deal file posts each deal as one uninterrupted
// run would, because the deal journal tells the accounting records this deal
// file wrote from those it found.
#include "transfer/deal_journal.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "records/library.h"
#include "session/session.h"
#include "transfer/postings.h"
#include "transfer/testing/dealership_fixture.h"

namespace dext {
namespace {

using testing::DealRecords;

class DealJournalTest : public testing::DealershipTest {
 protected:
  void SetUp() override {
    DealershipTest::SetUp();
    MakeKeyedFiles();
    OpenTargetFiles();
    StoreRecord(kInventoryFile, {{"STKNO", "A00001"}, {"VIN", "1FTFW1E50JFA12345"}, {"NU", "N"}});
    Library().KVBcloseall(Session().FileBase);
    WriteText(work_ / "DEX2GL.DAT", "F:\\DLR              \r\n");
  }

  // A deal selling A00001 to Sam Buyer, trading in T00001 for 3000.00.
  static std::string Deal(const std::string& stock = "A00001") {
    DealRecords deal;
    deal.first.Put(1, 6, stock);
    deal.first.Put(7, 6, "040126");
    deal.first.Put(89, 6, "T00001");
    deal.first.Put(95, 8, " 3000.00");
    deal.second.Put(62, 15, "Buyer");
    deal.second.Put(77, 10, "Sam");
    deal.second.Put(163, 17, "JT2AE09W0P0012345");
    return deal.first.Text() + "\r\n" + deal.second.Text() + "\r\n";
  }

  std::string Stored(int16_t offset, const std::string& key, const std::string& field) {
    NewSession();
    OpenTargetFiles();
    const std::string value = LoadRecord(offset, key) ? Field(offset, field) : "<none>";
    Library().KVBcloseall(Session().FileBase);
    return value;
  }

  // Leaves a journal of the deal file text saying that deal 1 wrote the
  // accounting record of A00001.
  void LeaveJournal(const std::string& deal_file_text) {
    WriteText(work_ / "DEXT.DAT", deal_file_text);
    ASSERT_TRUE(OpenDealJournal("DEXT.DAT"));
    SetJournalDeal(1);
    ASSERT_TRUE(JournalAccounting("A00001"));
    CloseDealJournal("DEXT.DAT");
    ASSERT_TRUE(Exists(work_ / "DEXT.JNL"));
  }
};

TEST_F(DealJournalTest, RerunAfterTheAccountingWriteKeepsTheTradedPriceAndTheNameCase) {
  WriteText(work_ / "DEXT.DAT", Deal());
  // Writes: the sold vehicle, the accounting record, then the customer fails.
  setenv("KVB_FAULT_AT", "3", 1);
  EXPECT_EQ(RunDext(), ExitStatus::kFailed);
  unsetenv("KVB_FAULT_AT");
  EXPECT_TRUE(Exists(work_ / "DEXT.DAT"));
  EXPECT_TRUE(Exists(work_ / "DEXT.JNL"));
  EXPECT_EQ(Stored(kInventoryFile, "T00001", "VIN"), "<none>");

  NewSession();
  EXPECT_EQ(RunDext(), ExitStatus::kTransferred);
  EXPECT_EQ(Stored(kInventoryFile, "T00001", "IP"), "  3000.00");
  EXPECT_EQ(Stored(kInventoryFile, "T00001", "PROWN"), "SAM  BUYER");
  EXPECT_EQ(Stored(kCustomerFile, "JFA12345", "NAME"), "SAM  BUYER");
  EXPECT_FALSE(Exists(work_ / "DEXT.DAT"));
  EXPECT_FALSE(Exists(work_ / "DEXT.JNL"));
}

// The journal speaks only for the deal file it was made for: a record found
// under another deal file's journal is a stranger's and stays as stored.
TEST_F(DealJournalTest, OnlyTheSameDealFileRebuildsItsRecord) {
  struct Case {
    const char* name;
    bool same_deal_file;
    const char* traded_price;
    const char* stored_first_name;
  };
  for (const Case& c : {Case{"same deal file", true, "  3000.00", "SAM"},
                        Case{"another deal file", false, "", "EARLIER"}}) {
    SCOPED_TRACE(c.name);
    NewSession();
    OpenTargetFiles();
    StoreRecord(kAccountingFile, {{"STKNO", "A00001"}, {"FN1", "EARLIER"}});
    StoreRecord(kInventoryFile, {{"STKNO", "T00001"}});  // cleared below
    Library().KVBcloseall(Session().FileBase);
    std::filesystem::remove(data_ / "KVIN.DAT");  // a new create replaces its records
    ASSERT_EQ(testing::RunKvbtool({"create", (data_ / "KVIN.DAT").string(),
                                   (root_ / "F" / "KD" / "FF" / "KVIN.FID").string()}),
              0);
    NewSession();
    OpenTargetFiles();
    StoreRecord(kInventoryFile, {{"STKNO", "A00001"}, {"VIN", "1FTFW1E50JFA12345"}});
    Library().KVBcloseall(Session().FileBase);

    LeaveJournal(c.same_deal_file ? Deal() : Deal() + Deal("A00002"));
    WriteText(work_ / "DEXT.DAT", Deal());
    NewSession();
    EXPECT_EQ(RunDext(), ExitStatus::kTransferred);
    EXPECT_EQ(Stored(kInventoryFile, "T00001", "IP"), c.traded_price);
    EXPECT_EQ(Stored(kAccountingFile, "A00001", "FN1"), c.stored_first_name);
  }
}

TEST_F(DealJournalTest, ALineTornByACrashIsNoEntry) {
  WriteText(work_ / "DEXT.DAT", Deal());
  ASSERT_TRUE(OpenDealJournal("DEXT.DAT"));
  SetJournalDeal(1);
  ASSERT_TRUE(JournalAccounting("A00001"));
  CloseDealJournal("DEXT.DAT");
  WriteText(work_ / "DEXT.JNL", ReadText(work_ / "DEXT.JNL") + "A 2 41303030");

  ASSERT_TRUE(OpenDealJournal("DEXT.DAT"));
  SetJournalDeal(1);
  EXPECT_TRUE(JournalHasAccounting("A00001"));
  SetJournalDeal(2);
  EXPECT_FALSE(JournalHasAccounting("A000"));
  ASSERT_TRUE(JournalAccounting("A00002"));  // appends after the torn text is gone
  CloseDealJournal("DEXT.DAT");
  ASSERT_TRUE(OpenDealJournal("DEXT.DAT"));
  SetJournalDeal(2);
  EXPECT_TRUE(JournalHasAccounting("A00002"));
  CloseDealJournal("DEXT.DAT");
}

TEST_F(DealJournalTest, ASkippedDealIsKeptOnceOverReruns) {
  const std::string unstocked = Deal("A00009");
  WriteText(work_ / "DEXT.DAT", unstocked);
  ASSERT_TRUE(OpenDealJournal("DEXT.DAT"));
  SetJournalDeal(1);
  ASSERT_TRUE(JournalSkippedDeal());  // an interrupted run kept it already
  CloseDealJournal("DEXT.DAT");
  WriteText(work_ / "DEXT.SKP", "kept before\r\n");

  EXPECT_EQ(RunDext(), ExitStatus::kTransferred);
  EXPECT_EQ(ReadText(work_ / "DEXT.SKP"), "kept before\r\n");

  WriteText(work_ / "DEXT.DAT", unstocked);  // the same deals sent again later
  NewSession();
  EXPECT_EQ(RunDext(), ExitStatus::kTransferred);
  EXPECT_EQ(ReadText(work_ / "DEXT.SKP"), "kept before\r\n" + unstocked);
}

}  // namespace
}  // namespace dext
