// The whole transfer, end to end: the real driver with the headless front end
// and scripted keys, on a dealership in temporary folders with the real libkvb.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "records/library.h"
#include "screen/field_engine.h"
#include "context/session.h"
#include "transfer/postings.h"
#include "transfer/testing/dealership_fixture.h"

namespace dext {
namespace {

using testing::DealRecords;

constexpr char kUnavailable[] = "The Dalvero Accounting/Service Files Are Unavailable At This Time";
constexpr char kLocked[] = "The Vehicle Inventory Record Is Locked.";

class DriverTest : public testing::DealershipTest {
 protected:
  // A dealership with two stocked vehicles and a saved destination.
  void MakeDealership(bool save_destination = true) {
    MakeKeyedFiles();
    OpenTargetFiles();
    StoreRecord(kInventoryFile, {{"STKNO", "A00001"}, {"VIN", "1FTFW1E50JFA12345"}, {"NU", "N"}});
    StoreRecord(kInventoryFile, {{"STKNO", "A00002"}, {"VIN", "2HGFC2F59KH512345"}, {"NU", "U"}});
    StoreRecord(kInventoryFile, {{"STKNO", "A00003"}, {"VIN", "SHORT12"}, {"NU", "U"}});
    Library().KVBcloseall(Session().FileBase);
    if (save_destination) WriteText(work_ / "DEX2GL.DAT", "F:\\DLR              \r\n");
  }

  static std::string Deal(const std::string& stock, const std::string& trade = "",
                          const std::string& amount = "  100.00") {
    DealRecords deal;
    deal.first.Put(1, 6, stock);
    deal.first.Put(7, 6, "040126");
    deal.first.Put(46, 8, amount);
    deal.first.Put(89, 6, trade);
    deal.first.Put(95, 8, trade.empty() ? "" : " 3000.00");
    deal.second.Put(62, 15, "Buyer" + stock);
    deal.second.Put(77, 10, "Sam");
    deal.second.Put(163, 17, "JT2AE09W0P0012345");
    return deal.Text();
  }

  std::string Stored(const std::string& file, const std::string& key, const std::string& field) {
    Reopen();
    const FileOffset offset = file == "KVIN" ? kInventoryFile : file == "KCU" ? kCustomerFile
                                                                          : kAccountingFile;
    const std::string value = LoadRecord(offset, key) ? Field(offset, field) : "<none>";
    Library().KVBcloseall(Session().FileBase);
    return value;
  }
};

TEST_F(DriverTest, EmptyDealFileEndsQuietlyAndDeletesIt) {
  MakeDealership();
  WriteText(work_ / "DEXT.DAT", "");
  EXPECT_EQ(RunDext(), ExitStatus::kTransferred);
  EXPECT_TRUE(Messages().empty());
  EXPECT_FALSE(Exists(work_ / "DEXT.DAT"));
}

TEST_F(DriverTest, NoDealFileSaysSo) {
  MakeDealership();
  EXPECT_EQ(RunDext(), ExitStatus::kNothingToTransfer);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "No Data Found To Transfer!");
}

TEST_F(DriverTest, DealFileEndingAfterAFirstRecordFailsAndStays) {
  MakeDealership();
  const std::string deals = Deal("A00001");
  WriteText(work_ / "DEXT.DAT", deals + deals.substr(0, deals.find('\n') + 1));
  EXPECT_EQ(RunDext(), ExitStatus::kFailed);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].rfind("ID  1, Read Error # ", 0), 0u) << Messages()[0];
  EXPECT_TRUE(Exists(work_ / "DEXT.DAT"));
}

TEST_F(DriverTest, TransfersEveryDealMarksSoldVehiclesAndDeletesTheDealFile) {
  MakeDealership();
  WriteText(work_ / "DEXT.DAT",
            Deal("A00001", "T00001") + Deal("A00003", "T00003") + Deal("A00002"));
  EXPECT_EQ(RunDext(), ExitStatus::kTransferred);
  EXPECT_TRUE(Messages().empty());
  EXPECT_FALSE(Exists(work_ / "DEXT.DAT"));
  EXPECT_EQ(Stored("KVIN", "A00001", "ACT"), "2");
  EXPECT_EQ(Stored("KVIN", "A00002", "ACT"), "2");
  EXPECT_EQ(Stored("KJRVH", "A00002", "LN1"), "BUYERA00002");
  EXPECT_EQ(Stored("KCU", "JFA12345", "NAME"), "SAM  BUYERA00001");
  EXPECT_EQ(Stored("KVIN", "T00001", "PROWN"), "SAM  BUYERA00001");
  // A00003's VIN is too short for a customer record: its buyer still owned T00003.
  EXPECT_EQ(Stored("KVIN", "T00003", "PROWN"), "SAM  BUYERA00003");
}

TEST_F(DriverTest, NoSavedDestinationAsksAndYesSavesAndTransfers) {
  MakeDealership(/*save_destination=*/false);
  WriteText(work_ / "DEXT.DAT", Deal("A00001"));
  EXPECT_EQ(RunDext("f:\\dlr{Enter}{Enter}"), ExitStatus::kTransferred);
  EXPECT_EQ(ReadText(work_ / "DEX2GL.DAT").substr(0, 20), "F:\\DLR              ");
  EXPECT_FALSE(Exists(work_ / "DEXT.DAT"));
  EXPECT_EQ(Stored("KVIN", "A00001", "ACT"), "2");
}

TEST_F(DriverTest, AnsweringNoReturnsToThePathAndOtherAnswersStay) {
  MakeDealership(/*save_destination=*/false);
  WriteText(work_ / "DEXT.DAT", Deal("A00001"));
  EXPECT_EQ(RunDext("F:\\DLR{Enter}n"), std::nullopt);
  EXPECT_EQ(Session().CurrentField, 1);
  EXPECT_EQ(GetScreenField(2), " ");
  EXPECT_EQ(PressKeys("{Enter}x"), std::nullopt);
  EXPECT_EQ(Session().CurrentField, 2);
  EXPECT_FALSE(Exists(work_ / "DEX2GL.DAT"));
  EXPECT_TRUE(Exists(work_ / "DEXT.DAT"));
}

// The keys that complete the confirmation field, which holds the preset
// "Y", answer with what it holds then; Shift+Tab goes back without answering.
TEST_F(DriverTest, KeysThatCompleteTheConfirmationAnswerIt) {
  const struct {
    const char* keys;
    bool yes;
    int16_t field;  // where the focus is when not answered "Y"
  } cases[] = {
      {"y", true, 0},
      {"{Right}", true, 0},
      {"{Up}", true, 0},
      {"{Delete}{Enter}", false, 2},
      {"{Shift+Tab}", false, 1},
  };
  for (const auto& c : cases) {
    // Without a deal file, "Y" saves the destination and finds nothing to transfer.
    const std::optional<ExitStatus> end = RunDext(std::string("F:\\DLR{Enter}") + c.keys);
    EXPECT_EQ(Exists(work_ / "DEX2GL.DAT"), c.yes) << c.keys;
    if (c.yes) {
      EXPECT_EQ(end, ExitStatus::kNothingToTransfer) << c.keys;
    } else {
      EXPECT_EQ(end, std::nullopt) << c.keys;
      EXPECT_EQ(Session().CurrentField, c.field) << c.keys;
    }
    TearDown();  // a fresh work folder for the next case
    SetUp();
  }
}

TEST_F(DriverTest, UnavailableFilesAskAgainAndYesStartsOver) {
  MakeDealership();
  WriteText(work_ / "DEXT.DAT", Deal("A00001"));
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
  EXPECT_EQ(Stored("KVIN", "A00001", "ACT"), "2");
}

TEST_F(DriverTest, LockedVehicleIsRetriedUntilTheOtherProcessLetsGo) {
  MakeDealership();
  WriteText(work_ / "DEXT.DAT", Deal("A00001"));
  const std::string command =
      testing::KvbtoolPath() + " lock '" + (data_ / "KVIN.DAT").string() + "' A00001";
  FILE* holder = popen(command.c_str(), "w");
  ASSERT_NE(holder, nullptr);
  usleep(300 * 1000);  // the holder takes the lock
  OnMessage([&holder](const std::string& text) {
    if (text.rfind(kLocked, 0) == 0 && holder != nullptr) {
      pclose(holder);  // closes its input: the holder ends and the lock goes
      holder = nullptr;
    }
  });
  EXPECT_EQ(RunDext(), ExitStatus::kTransferred);
  if (holder != nullptr) pclose(holder);
  ASSERT_FALSE(Messages().empty());
  EXPECT_EQ(Messages()[0], std::string(kLocked) +
                              "\nStock No. A00001 is in use at another workstation. OK tries again; "
                              "Cancel ends the transfer and keeps the deal file.");
  EXPECT_EQ(Stored("KVIN", "A00001", "ACT"), "2");
}

// The accounting file is KJRVH when the destination has it, else KJRTH; the
// deal's line pair (record 2 columns 1-8, record 1 columns 242-249) goes to
// its last two lines.
TEST_F(DriverTest, AccountingFileAndItsLinePairAreChosenByTheDestination) {
  const struct {
    bool with_kjrvh;
    const char* chosen;
    int16_t line8, line9;
  } cases[] = {{false, "KJRTH", 15, 16}, {true, "KJRVH", 21, 22}};
  for (const auto& c : cases) {
    MakeKeyedFiles(c.with_kjrvh, /*with_kjrth=*/true);
    OpenTargetFiles(c.chosen);
    StoreRecord(kInventoryFile, {{"STKNO", "A10001"}, {"VIN", "1FTFW1E50JFA12345"}, {"NU", "N"}});
    EXPECT_EQ(Transfer({testing::FullDeal()}), ExitStatus::kTransferred) << c.chosen;
    Reopen(c.chosen);
    EXPECT_TRUE(LoadRecord(kAccountingFile, "A10001")) << c.chosen;
    for (const char* field : {"DA", "CA"}) {
      EXPECT_EQ(WholeField(kAccountingFile, field, c.line8), "  2001.13") << c.chosen;
      EXPECT_EQ(WholeField(kAccountingFile, field, c.line9), " 82468.13") << c.chosen;
    }
    if (c.with_kjrvh) {
      EXPECT_EQ(Dump("KJRTH.DAT", "A10001").find("A10001"), std::string::npos) << "KJRTH posted";
    }
    TearDown();  // a fresh dealership for the next case
    SetUp();
  }
}

}  // namespace
}  // namespace dext
