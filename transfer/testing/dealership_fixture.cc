#include "transfer/testing/dealership_fixture.h"

#include <fstream>
#include <sstream>

#include "kvb.h"
#include "records/checked.h"
#include "records/library.h"
#include "records/numeric.h"
#include "screen/transfer_form.h"
#include "context/session.h"
#include "session/start.h"
#include "toolkit/front_end.h"
#include "toolkit/front_ends.h"
#include "toolkit/headless.h"
#include "transfer/text.h"
#include "transfer/file_system.h"
#include "transfer/postings.h"
#include "transfer/run_report.h"
#include "transfer/transfer.h"

namespace dext::testing {
namespace fs = std::filesystem;

namespace {

std::ostringstream message_log;
std::vector<std::string> messages;
toolkit::HeadlessFrontEnd* front_end = nullptr;

}  // namespace

std::string DealRecords::Text() const {
  return first.Text() + "\r\n" + second.Text() + "\r\n";
}

DealRecords FullDeal() {
  DealRecords deal;
  struct Column {
    int record, first, length;
    const char* text;
  };
  const Column texts[] = {
      {1, 1, 6, "A10001"}, {1, 7, 6, "092326"}, {1, 13, 6, "  1234"}, {1, 19, 2, "07"},
      {1, 21, 25, "Alexandra Whitfield-Moore"}, {1, 54, 3, "060"}, {1, 89, 6, "t00042"},
      {1, 149, 35, "7 YR/100000 MI PLATINUM POWER TRAIN"}, {1, 184, 2, "36"},
      {2, 52, 8, "AKV1234"}, {2, 62, 15, "MacDonald-Ortiz"}, {2, 77, 10, "Maximilian"},
      {2, 87, 1, "k"}, {2, 88, 30, "1207 Lakeview Dr"}, {2, 118, 15, "Fort Wayne"},
      {2, 133, 2, "IN"}, {2, 135, 10, "46802"}, {2, 145, 3, "555"}, {2, 148, 4, "0142"},
      {2, 152, 3, "556"}, {2, 155, 4, "0199"}, {2, 159, 2, "04"}, {2, 161, 2, "17"},
      {2, 163, 17, "2T1BURHE0JC012345"}, {2, 180, 4, "2018"}, {2, 184, 10, "TOYOTA"},
      {2, 194, 10, "COROLLA"}, {2, 204, 5, "4DR"}, {2, 209, 6, "061000"}, {2, 215, 10, "SILVER"},
  };
  const struct {
    int record, first;
    long cents;
  } amounts[] = {
      {1, 46, 2845075},  {1, 57, 34567},    {1, 65, 6189543},  {1, 73, 51239},
      {1, 81, 7230019},  {1, 95, 1850025},  {1, 109, 98765},   {1, 117, 7432109},
      {1, 125, 450037},  {1, 133, 6543218}, {1, 141, 21047},   {1, 186, 150033},
      {1, 194, 8500011}, {1, 202, 75029},   {1, 210, 6123457}, {1, 218, 61543},
      {1, 226, 7000001}, {1, 234, 299999},  {1, 242, 8246813}, {2, 1, 200113},
      {2, 9, 6750021},
  };
  for (const Column& c : texts) {
    (c.record == 1 ? deal.first : deal.second).Put(c.first, c.length, c.text);
  }
  for (const auto& a : amounts) {
    (a.record == 1 ? deal.first : deal.second).Put(a.first, 8, sample::AmountColumn(a.cents));
  }
  return deal;
}

void DealershipTest::SetUp() {
  drive_.emplace();
  root_ = drive_->root();
  data_ = drive_->data();
  work_ = drive_->work();

  messages.clear();
  message_log.str("");
  front_end = new toolkit::HeadlessFrontEnd(message_log);
  front_end->on_message = [](const std::string& text) { messages.push_back(text); };
  toolkit::SetFrontEnd(front_end);

  NewSession();
}

void DealershipTest::NewSession() {
  if (TransferFormExists()) DestroyTransferForm();
  ResetSession();
  BindLibrary(LibKvb());
  StartSession("");
}

std::optional<ExitStatus> DealershipTest::RunDext(const std::string& keys) {
  front_end->Script(toolkit::ParseKeyScript(keys));
  RunReport report(*files_);
  ToolkitRunScreen screen;
  TransferDriver driver(*files_, report, screen, TransferSettings{});
  std::optional<ExitStatus> status;
  try {
    driver.StartTransfer();
    toolkit::RunEventLoop();
  } catch (const ProgramEnd& end) {
    status = end.status;
  } catch (const Stop& stop) {
    status = driver.EndOnStop(stop);
  }
  summary_ = report.Finish(status.value_or(ExitStatus::kCancelled));
  return status;
}

void DealershipTest::OnMessage(std::function<void(const std::string&)> action) {
  front_end->on_message = [action](const std::string& text) {
    messages.push_back(text);
    action(text);
  };
}

bool DealershipTest::Exists(const fs::path& path) const {
  std::error_code error;
  return fs::exists(path, error);
}

std::string DealershipTest::ReadText(const fs::path& path) const {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void DealershipTest::WriteText(const fs::path& path, const std::string& text) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

void DealershipTest::TearDown() {
  Library().KVBcloseall(Session().FileBase);
  Library().KVBinit(Session().FileBase);
  toolkit::SetFrontEnd(nullptr);
  delete front_end;
  front_end = nullptr;
  drive_->keep = HasFailure();
  drive_.reset();
}

void DealershipTest::MakeKeyedFiles(bool with_kjrvh, bool with_kjrth) {
  std::vector<std::string> names = {"KCU", "KVIN"};
  if (with_kjrvh) names.push_back("KJRVH");
  if (with_kjrth) names.push_back("KJRTH");
  for (const std::string& name : names) ASSERT_TRUE(drive_->MakeKeyedFile(name)) << name;
}

void DealershipTest::OpenTargetFiles(const std::string& accounting) {
  SessionContext& session = Session();
  Library().KVBautosecure(1);
  auto open = [&](const std::string& name, FileOffset offset) {
    ASSERT_EQ(OpenFile("F:\\DLR\\" + name + ".DAT", "F:\\KD\\FF\\" + name + ".FID", "",
                       NumberOf(offset), 3, 0),
              0)
        << session.ErrorInfo.Message;
  };
  open(accounting, kAccountingFile);
  open("KCU", kCustomerFile);
  open("KVIN", kInventoryFile);
}

void DealershipTest::Reopen(const std::string& accounting) {
  NewSession();
  OpenTargetFiles(accounting);
}

void DealershipTest::StoreRecord(FileOffset offset, const Fields& fields) {
  ASSERT_EQ(ClearRecord(NumberOf(offset)), 0);
  for (const auto& [name, value] : fields) {
    const size_t dot = name.find('.');
    const int16_t occurrence =
        dot == std::string::npos ? 0 : static_cast<int16_t>(std::stoi(name.substr(dot + 1)));
    ASSERT_EQ(Library().KVBfput(value.c_str(), name.substr(0, dot).c_str(), NumberOf(offset).value,
                                occurrence, 0),
              0)
        << name;
  }
  ASSERT_EQ(WriteRecord(NumberOf(offset), 1, KVB_WRITE_KEYED), 0) << Session().ErrorInfo.Message;
}

void DealershipTest::StockVehicle(const std::string& stock, const std::string& vin,
                                  const std::string& nu) {
  StoreRecord(kInventoryFile, {{"STKNO", stock}, {"VIN", vin}, {"NU", nu}});
}

bool DealershipTest::LoadRecord(FileOffset offset, const std::string& key) {
  EXPECT_EQ(PositionOnKey(NumberOf(offset), key), 0);
  return ReadRecord(NumberOf(offset), KVB_READ_AT_POSITION) == 0;
}

std::string DealershipTest::Field(FileOffset offset, const std::string& name, int16_t occurrence) {
  return TrimRight(WholeField(offset, name, occurrence));
}

std::string DealershipTest::WholeField(FileOffset offset, const std::string& name,
                                       int16_t occurrence) {
  return FieldValue(name, NumberOf(offset), occurrence);
}

std::optional<ExitStatus> DealershipTest::Transfer(const std::vector<DealRecords>& deals) {
  Library().KVBcloseall(Session().FileBase);
  WriteText(work_ / "DEX2GL.DAT", "F:\\DLR              \r\n");
  std::string text;
  for (const DealRecords& deal : deals) text += deal.Text();
  WriteText(work_ / "DEXT.DAT", text);
  NewSession();
  return RunDext();
}

const std::vector<std::string>& DealershipTest::Messages() const { return messages; }

void PostingTest::SetUp() {
  DealershipTest::SetUp();
  MakeKeyedFiles();
  OpenTargetFiles();
}

}  // namespace dext::testing
