// The whole transfer, end to end: the real driver with the headless front end
// and scripted keys, on a dealership in temporary folders with the real libkvb.
#include <gtest/gtest.h>
#include <cstdlib>

#include <string>

#include "records/library.h"
#include "screen/field_engine.h"
#include "context/session.h"
#include "transfer/deal_claim.h"
#include "transfer/postings.h"
#include "transfer/testing/dealership_fixture.h"

namespace dext {
namespace {

constexpr char kUnavailable[] = "The Dalvero Accounting/Service Files Are Unavailable At This Time";

class DriverTest : public testing::DealershipTest {
 protected:
  // The deal file in the work folder: the one a run claimed, else DEXT.DAT.
  std::string DealFileName() const {
    for (const auto& entry : std::filesystem::directory_iterator(work_)) {
      const std::string name = entry.path().filename().string();
      if (IsClaimedName(name)) return name;
    }
    return "DEXT.DAT";
  }
  // A dealership with FullDeal's vehicle stocked and FullDeal as DEXT.DAT.
  void MakeDealership(bool save_destination = true, bool with_kjrth = false) {
    MakeKeyedFiles(/*with_kjrvh=*/true, with_kjrth);
    OpenTargetFiles();
    StockVehicle("A10001");
    Library().KVBcloseall(Session().FileBase);
    if (save_destination) WriteText(work_ / "DEX2GL.DAT", "F:\\DLR              \r\n");
    WriteText(work_ / "DEXT.DAT", testing::FullDeal().Text());
  }

  // Whether the stored vehicle A10001 is marked sold.
  bool Sold() {
    Reopen();
    return LoadRecord(kInventoryFile, "A10001") && Field(kInventoryFile, "ACT") == "2";
  }
};

TEST_F(DriverTest, AnEmptyDealFileIsDoneAndNoDealFileIsNothingToTransfer) {
  MakeDealership();
  WriteText(work_ / "DEXT.DAT", "");
  EXPECT_EQ(RunDext(), ExitStatus::kTransferred);
  EXPECT_TRUE(Messages().empty());
  EXPECT_FALSE(Exists(work_ / "DEXT.DAT"));
  NewSession();
  EXPECT_EQ(RunDext(), ExitStatus::kNothingToTransfer);
  EXPECT_EQ(Messages(), std::vector<std::string>{"No Data Found To Transfer!"});
}

// The keys that complete the confirmation field, which holds the preset
// "Y", answer with what it holds then: "Y" saves the destination, "N" is
// cleared and goes back to the path, any other answer stays. Shift+Tab goes
// back without answering.
TEST_F(DriverTest, KeysThatCompleteTheConfirmationAnswerIt) {
  const struct {
    const char* keys;
    bool yes;
    int16_t field;       // where the focus is when not answered "Y"
    const char* answer;  // what the confirmation field holds then
  } cases[] = {
      {"y", true, 0, ""},
      {"{Right}", true, 0, ""},
      {"{Up}", true, 0, ""},
      {"n", false, 1, " "},
      {"{Delete}{Enter}", false, 2, " "},
      {"{Shift+Tab}", false, 1, "Y"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    // Without a deal file, "Y" saves the destination and finds nothing to transfer.
    const std::optional<ExitStatus> end = RunDext(std::string("F:\\DLR{Enter}") + c.keys);
    EXPECT_EQ(Exists(work_ / "DEX2GL.DAT"), c.yes);
    if (c.yes) {
      EXPECT_EQ(end, ExitStatus::kNothingToTransfer);
    } else {
      EXPECT_EQ(end, std::nullopt);
      EXPECT_EQ(Session().CurrentField, c.field);
      EXPECT_EQ(GetScreenField(2), c.answer);
    }
    TearDown();  // a fresh work folder for the next case
    SetUp();
  }
}

TEST_F(DriverTest, UnavailableFilesAskAgainAndYesStartsOver) {
  MakeDealership();
  std::filesystem::rename(data_ / "KCU.DAT", root_ / "KCU.DAT");
  // While the user reads the message the files come back.
  OnMessage([this](const std::string&) { std::filesystem::rename(root_ / "KCU.DAT", data_ / "KCU.DAT"); });
  EXPECT_EQ(RunDext("{Enter}{Enter}"), ExitStatus::kTransferred);
  ASSERT_EQ(Messages().size(), 1u);
  // The system's text, then the file that did not open and why.
  EXPECT_EQ(Messages()[0].substr(0, Messages()[0].find('\n')), kUnavailable);
  EXPECT_NE(Messages()[0].find("\nF:\\DLR\\KCU.DAT (" + (data_ / "KCU.DAT").string() +
                               ") could not be opened: file or folder not found.\n"),
            std::string::npos)
      << Messages()[0];
  EXPECT_TRUE(Sold());
}

// While the error box of a deal waits for OK, the deal is undone and its
// sold vehicle free for other workstations.
TEST_F(DriverTest, TheSoldVehicleIsFreeWhileTheErrorBoxWaits) {
  MakeDealership();
  testing::DealRecords too_large = testing::FullDeal();
  too_large.first.Put(46, 8, "99999999");  // DA line 3: more than 999999.99
  WriteText(work_ / "DEXT.DAT", too_large.Text());
  const std::string command = testing::KvbtoolPath() + " lock '" +
                              (data_ / "KVIN.DAT").string() + "' A10001 </dev/null >/dev/null";
  int lock_status = -1;
  OnMessage([&](const std::string&) { lock_status = system(command.c_str()); });
  EXPECT_EQ(RunDext(), ExitStatus::kFailed);
  EXPECT_EQ(lock_status, 0) << "another workstation could not lock the vehicle";
  EXPECT_FALSE(Sold());
}

// The advice under a failure fits where the run was: a deal being posted is
// undone and named; a failure before any deal names the deal file kept; and
// DEXT.LOG keeps the box's text.
TEST_F(DriverTest, TheAdviceUnderAFailureFitsWhereTheRunWas) {
  MakeDealership();
  // A progress file made with another layout fails its open, before a deal.
  // (The run claimed the deal file by then: DealFileName() names it.)
  ASSERT_EQ(testing::RunKvbtool({"create", (data_ / "DEXTRUNS.DAT").string(),
                                 (root_ / "F" / "KD" / "FF" / "KCU.FID").string()}),
            0);
  EXPECT_EQ(RunDext(), ExitStatus::kFailed);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("\nThe deal file DEXT-"), std::string::npos) << Messages()[0];
  EXPECT_EQ(Messages()[0].find("Nothing of"), std::string::npos) << Messages()[0];
  EXPECT_NE(ReadText(work_ / "DEXT.LOG").find("  stopped: ID  4, Open Error # "),
            std::string::npos);

  // The first write of a deal fails: that deal is undone, and named. (A run
  // on an empty deal file makes the progress file first.)
  ASSERT_EQ(testing::RunKvbtool({"remove", "--yes", (data_ / "DEXTRUNS.DAT").string()}), 0);
  const std::string deals = ReadText(work_ / DealFileName());
  std::filesystem::remove(work_ / DealFileName());
  WriteText(work_ / "DEXT.DAT", "");
  NewSession();
  ASSERT_EQ(RunDext(), ExitStatus::kTransferred);
  WriteText(work_ / "DEXT.DAT", deals);
  setenv("KVB_FAULT_AT", "1", 1);
  NewSession();
  EXPECT_EQ(RunDext(), ExitStatus::kFailed);
  unsetenv("KVB_FAULT_AT");
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_NE(Messages()[1].find("\nNothing of deal 1 (Stock No. A10001) was stored and the deal "
                               "file DEXT-"),
            std::string::npos)
      << Messages()[1];
  EXPECT_FALSE(Sold());
}

// The accounting file is KJRVH when the destination has it, else KJRTH
// (the proof's hand-made dealership, which has only KJRTH).
TEST_F(DriverTest, KjrvhIsChosenWhenTheDestinationHasBothAccountingFiles) {
  MakeDealership(/*save_destination=*/true, /*with_kjrth=*/true);
  EXPECT_EQ(RunDext(), ExitStatus::kTransferred);
  Reopen("KJRVH");
  EXPECT_TRUE(LoadRecord(kAccountingFile, "A10001"));
  Reopen("KJRTH");
  EXPECT_FALSE(LoadRecord(kAccountingFile, "A10001")) << "KJRTH posted";
}

}  // namespace
}  // namespace dext
