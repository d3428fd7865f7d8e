// Any deal file through the deal parser and the three postings, in process,
// on the real record library: keyed files of the sample layouts on a scratch
// drive in /dev/shm, each input's writes in a transaction rolled back after
// it (autosecure off), so that it runs many inputs a second.
//
// The input is read as libkvb reads a text file (lines ended by LF or CRLF,
// a Ctrl-Z ends it) and as the driver takes its records (at most 249
// characters), two records a deal. Every deal that parses is posted on a
// sold vehicle of its stock number, and the run aborts when
//  - a value put does not fit its field (the library cuts it, or drops it
//    for a field its layout lacks);
//  - an amount put on an accounting line is neither empty nor an edited
//    number that reads back as the deal's value for the line rounded to
//    cents;
//  - a new accounting entry with an amount too large for its line is
//    written instead of stopping the transfer through the orderly end, or a
//    posting stops for another reason;
//  - a fault of a deal that does not parse does not name the deal.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "context/session.h"
#include "kvb.h"
#include "records/checked.h"
#include "records/library.h"
#include "records/numeric.h"
#include "records/testing/scratch_drive.h"
#include "session/orderly_end.h"
#include "toolkit/front_end.h"
#include "transfer/deal.h"
#include "transfer/postings.h"
#include "transfer/text.h"
#include "transfer/transfer_files.h"

namespace dext {
namespace {

using C = DealColumn;

constexpr char kAccountingName[] = "F:\\DLR\\KJRVH.DAT";
constexpr char kCustomerName[] = "F:\\DLR\\KCU.DAT";
constexpr char kInventoryName[] = "F:\\DLR\\KVIN.DAT";

// Where each of the deal's amounts goes on the accounting entry of a KJRVH
// file: a field and line, the columns whose values add up to it.
struct AmountLine {
  const char* field;
  int16_t line;  // 0: a single field
  ColumnRange columns;
  ColumnRange addend;  // record 0: none
};

constexpr AmountLine kAmountLines[] = {
    {"DA", 3, C::kDebitLine3, {}},         {"DA", 4, C::kDebitLine4, {}},
    {"DA", 5, C::kDebitLine5, C::kDebitLine5Addend},
    {"DA", 6, C::kDebitLine6, {}},         {"DA", 8, C::kTradeInAmount, {}},
    {"DA", 9, C::kDebitLine9, {}},         {"TA", 0, C::kTotalAmount, {}},
    {"CA", 2, C::kCreditLine2, {}},        {"CA", 10, C::kCreditLine10, {}},
    {"DA", 11, C::kLine11, {}},            {"CA", 11, C::kLine11, {}},
    {"CA", 3, C::kCreditLine3, {}},        {"CA", 5, C::kCreditLine5, {}},
    {"CA", 6, C::kCreditLine6, {}},
    {"CA", 7, C::kCreditLine7, C::kCreditLine7Addend},
    {"CA", 8, C::kCreditLine8, {}},        {"CA", 9, C::kCreditLine9, {}},
    {"DA", 22, C::kSecondPairLine, {}},    {"CA", 22, C::kSecondPairLine, {}},
    {"DA", 21, C::kFirstPairLine, {}},     {"CA", 21, C::kFirstPairLine, {}},
    {"CP", 0, C::kCpAmount, {}},
};

bool IsAmountField(const std::string& field) {
  return field == "DA" || field == "CA" || field == "TA" || field == "CP";
}

void Check(bool holds, const std::string& what) {
  if (holds) return;
  fprintf(stderr, "deal_file_fuzz: %s\n", what.c_str());
  std::abort();
}

// The deal file's records as the driver reads them.
std::vector<std::string> DealRecords(const uint8_t* data, size_t size) {
  std::vector<std::string> records;
  std::string line;
  auto end_line = [&] {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    records.push_back(line.substr(0, kDealRecordLength));
    line.clear();
  };
  for (size_t i = 0; i < size && data[i] != 0x1A; ++i) {
    if (data[i] == '\n') {
      end_line();
    } else {
      line += static_cast<char>(data[i]);
    }
  }
  if (!line.empty()) end_line();  // a last line without its end
  return records;
}

// A put to an amount field of the accounting file.
struct AmountPut {
  std::string field;
  int16_t line;
  std::string value;
};

// What the wrapped KVBfput and KVBwrite see of the current deal.
struct Observed {
  int16_t accounting_file = 0;
  std::vector<AmountPut> amounts;
  bool accounting_written = false;
  std::vector<std::string> messages;
} observed;

// KVBfput: a value that is not blank must find its field and fit it.
int16_t CheckedPut(const char* value, const char* field, int16_t file, int16_t occurrence,
                   int16_t flag) {
  const int16_t status = ::KVBfput(value, field, file, occurrence, flag);
  const std::string put = std::string(value) + "\" put into " + field + " " +
                          std::to_string(occurrence) + " of file " + std::to_string(file);
  Check(status == 0 || TrimRight(value).empty(),
        "\"" + put + " is dropped, secondary code " + std::to_string(::KVBerr(0)));
  const size_t width = std::strlen(::KVBfiditemstub(field, file, occurrence));
  Check(status != 0 || TrimRight(value).size() <= width, "\"" + put + " is cut");
  if (file == observed.accounting_file && IsAmountField(field)) {
    observed.amounts.push_back({field, occurrence, value});
  }
  return status;
}

int16_t NotedWrite(int16_t file, int16_t count, int16_t option) {
  if (file == observed.accounting_file) observed.accounting_written = true;
  return ::KVBwrite(file, count, option);
}

class Screen : public toolkit::FrontEnd {
 public:
  void ShowMessage(const std::string& text, int, const std::string&) override {
    observed.messages.push_back(text);
  }
  void Beep() override {}
};

std::string Rounded(double amount) {
  return TextFromLibrary(::KVBroundstub(NumberText(amount).c_str(), 2));
}

bool FitsItsLine(double amount) {
  char currency[] = "$";
  return amount == 0 || *::KVBedit(NumberText(amount).c_str(), "ZZZZZZ.99", currency) != '\0';
}

double AmountOf(const Deal& deal, const AmountLine& line) {
  if (line.addend.record == 0) return deal.Amount(line.columns);
  return deal.Amount(line.addend) + deal.Amount(line.columns);
}

// Every amount put is empty or reads back as its line's amount, rounded.
void CheckAmountsPut(const Deal& deal) {
  for (const AmountPut& put : observed.amounts) {
    if (TrimRight(put.value).empty()) continue;
    const AmountLine* line = nullptr;
    for (const AmountLine& candidate : kAmountLines) {
      const int16_t own_line = candidate.line == 0 ? 1 : candidate.line;
      if (put.field == candidate.field && (put.line == 0 ? 1 : put.line) == own_line) {
        line = &candidate;
      }
    }
    const std::string where = deal.Name() + ": " + put.field + " " + std::to_string(put.line);
    Check(line != nullptr, where + " got \"" + put.value + "\" but takes no amount");
    const std::string expected = Rounded(AmountOf(deal, *line));
    const double read_back = NumericValue(TextFromLibrary(::KVBunedit(put.value.c_str())));
    Check(read_back == NumericValue(expected),
          where + " got \"" + put.value + "\", not " + expected);
  }
}

// The stock number as the library takes it: a text ends at a zero byte.
std::string KeyOf(const Deal& deal) { return TrimRight(deal.StockNumber().c_str()); }

// A second open of the accounting file, to look at what the postings stored
// without touching their buffer.
FileNumber Inspection() { return FileNumber{static_cast<int16_t>(Session().FileBase + 20)}; }

bool HasAccountingEntry(const std::string& stock_number) {
  return PositionOnKey(Inspection(), stock_number) == 0 &&
         ::KVBread(Inspection().value, KVB_READ_AT_POSITION) == 0;
}

// Stores a record from its fields (occurrence 0 or as named: "DA.8").
void Store(FileNumber file, const std::vector<std::pair<std::string, std::string>>& fields) {
  bool stored = ::KVBrclear(file.value) == 0;
  for (const auto& [name, value] : fields) {
    const size_t dot = name.find('.');
    const int16_t occurrence = dot == std::string::npos ? 0 : std::atoi(name.c_str() + dot + 1);
    stored &= ::KVBfput(value.c_str(), name.substr(0, dot).c_str(), file.value, occurrence, 0) == 0;
  }
  Check(stored && ::KVBwrite(file.value, 1, KVB_WRITE_KEYED) == 0, "a record cannot be stored");
}

// The sold vehicle of the deal as the driver leaves it before the postings:
// positioned, read and marked in the inventory file's buffer. Its VIN and
// whether it is new vary with the deal's number, as does an accounting entry
// already there.
void PlaceSoldVehicle(const Deal& deal, const TransferFiles& files) {
  const std::string stock_number = KeyOf(deal);
  const int variant = deal.number % 6;
  const std::string vin =
      variant == 5 ? "JH4" : "1HGCM82633A00435" + std::to_string(variant % 3);
  Store(files.inventory, {{"STKNO", stock_number}, {"ACT", "2"}, {"NU", variant % 2 ? "N" : "U"},
                          {"VIN", vin}, {"YEAR", "2019"}, {"MAK", "HONDA"}, {"MODEL", "ACCORD"}});
  if (variant == 4 && !HasAccountingEntry(stock_number)) {
    Store(Inspection(), {{"STKNO", stock_number}, {"DA.8", "  1500.00"}, {"SM", "07"}});
  }
  Check(PositionOnKey(files.inventory, stock_number) == 0 &&
            ReadRecord(files.inventory, KVB_READ_AT_POSITION) == 0,
        "the sold vehicle cannot be read");
}

void OpenTargetFiles(const TransferFiles& files) {
  const struct {
    const char* data;
    const char* layout;
    FileNumber number;
  } targets[] = {
      {kAccountingName, "F:\\KD\\FF\\KJRVH.FID", files.accounting},
      {kCustomerName, "F:\\KD\\FF\\KCU.FID", files.customer},
      {kInventoryName, "F:\\KD\\FF\\KVIN.FID", files.inventory},
      {kAccountingName, "F:\\KD\\FF\\KJRVH.FID", Inspection()},
  };
  for (const auto& target : targets) {
    Check(::KVBopen(target.data, target.layout, "", target.number.value, 3, 0) == 0,
          std::string("cannot open ") + target.data);
  }
}

bool AllAmountsFit(const Deal& deal) {
  for (const AmountLine& line : kAmountLines) {
    if (!FitsItsLine(AmountOf(deal, line))) return false;
  }
  return true;
}

bool PostDeal(const Deal& deal, const TransferFiles& files) {
  PlaceSoldVehicle(deal, files);
  observed.accounting_file = files.accounting.value;
  observed.amounts.clear();
  observed.accounting_written = false;
  observed.messages.clear();
  const std::string stock_number = KeyOf(deal);
  const bool new_entry = !HasAccountingEntry(stock_number);
  const bool fits = !new_entry || AllAmountsFit(deal);
  bool ended = true;
  try {
    PostAccounting(deal, files);
    Check(fits, deal.Name() + ": an amount too large for its line was posted");
    Check(HasAccountingEntry(stock_number), deal.Name() + ": no accounting entry");
    PostServiceCustomer(deal, files);
    PostVehicleInventory(deal, files);
    ended = false;
  } catch (const Stop& stop) {
    const std::string& message = stop.error.Message;
    Check(!fits && message.find("Too Large For") != std::string::npos,
          deal.Name() + ": the postings stopped: " + message);
    Check(!observed.accounting_written,
          deal.Name() + ": the entry with the amount too large was written");
  }
  CheckAmountsPut(deal);
  return !ended;
}

// The scratch drive with the target files, made at the first input and kept
// for the process (the current directory stays libFuzzer's, where it writes
// what it finds); the library table checks each field put.
class Dealership {
 public:
  Dealership() : drive_("/dev/shm", /*enter_work=*/false) {
    for (const char* name : {"KJRVH", "KCU", "KVIN"}) {
      Check(drive_.MakeKeyedFile(name), std::string("cannot make ") + name);
    }
    RecordLibrary table = LibKvb();
    table.KVBfput = &CheckedPut;
    table.KVBwrite = &NotedWrite;
    BindLibrary(table);
    ::KVBautosecure(0);
    base_ = ::KVBinit(0);
  }

  // A transfer: the target files open (again, after a posting ended the
  // last one) and a transaction begun, rolled back when it ends.
  void StartTransfer() {
    ResetSession();
    SessionContext& session = Session();
    session.FileBase = base_;
    session.RoundingPlaces = 5;
    session.CurrencySymbol = "$";
    files_ = TargetFiles(kKjrvh);
    if (!open_) OpenTargetFiles(files_);
    open_ = true;
    Check(::KVBbegin(base_) == 0, "cannot begin a transaction");
  }
  void EndTransfer() { ::KVBrollback(base_); }

  // False when the postings ended the transfer (and closed the files).
  bool Post(const Deal& deal) {
    open_ = PostDeal(deal, files_);
    return open_;
  }

 private:
  testing::ScratchDrive drive_;
  int16_t base_ = 0;
  bool open_ = false;
  TransferFiles files_;
};

}  // namespace
}  // namespace dext

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace dext;
  static const std::vector<NumberColumn> number_columns = NumberColumns(kKjrvh);
  static Screen screen;
  toolkit::SetFrontEnd(&screen);

  // As the driver: a deal that does not parse, or one whose postings stop,
  // ends the transfer; a deal whose stock number is blank has no sold vehicle
  // and is skipped.
  static Dealership dealership;
  bool started = false;
  const std::vector<std::string> records = DealRecords(data, size);
  for (size_t i = 0; i + 1 < records.size(); i += 2) {
    const int number = static_cast<int>(i / 2 + 1);
    auto parsed = ParseDeal(number, records[i], records[i + 1], number_columns, "DEXT.DAT");
    if (const auto* fault = std::get_if<DealFault>(&parsed)) {
      const std::string name = "Deal " + std::to_string(number) + ", Stock No. ";
      Check(fault->message.compare(0, name.size(), name) == 0,
            "a fault that does not name its deal: " + fault->message);
      break;
    }
    const Deal& deal = std::get<Deal>(parsed);
    if (KeyOf(deal).empty()) continue;
    if (!started) dealership.StartTransfer();
    started = true;
    if (!dealership.Post(deal)) break;
  }
  if (started) dealership.EndTransfer();
  toolkit::SetFrontEnd(nullptr);
  return 0;
}
