// PostAccounting: one accounting record per deal, keyed by the sold vehicle's
// stock number, with the delivery date, salesman, customer name and the deal's
// money figures on numbered debit (DA) and credit (CA) lines.
#include <cstdint>
#include <string>

#include "records/checked.h"
#include "records/numeric.h"
#include "records/record_fields.h"
#include "session/orderly_end.h"
#include "transfer/postings.h"
#include "transfer/text.h"

namespace dext {
namespace {

constexpr char kAmountPicture[] = "ZZZZZZ.99";

enum class Treatment {
  kText,          // the columns as cut, blanks kept
  kUpperText,     // put, read back as stored, upper-cased, put again
  kAmount,        // numeric value of the columns, edited
  kSummedAmount,  // sum of two column ranges of the same length, edited
  kAmountAgain,   // the amount of the row before, edited again
};

enum class InExistingBranch { kNo, kYes, kAsPlainText };

// Lines that depend on the accounting file's layout.
constexpr int kFirstPairLine = -1;
constexpr int kSecondPairLine = -2;

struct Row {
  const char* field;
  int line;  // occurrence; kFirstPairLine / kSecondPairLine
  ColumnRange columns;
  ColumnRange addend;  // the second range of a summed amount
  Treatment treatment;
  InExistingBranch existing;
};

using enum Treatment;
using enum InExistingBranch;
using C = DealColumn;

// The accounting record's rows, in the order of the puts.
constexpr Row kRows[] = {
    {"DELMO", 0, C::kDeliveryMonth, {}, kText, kYes},
    {"DELDAY", 0, C::kDeliveryDay, {}, kText, kYes},
    {"DELYR", 0, C::kDeliveryYear, {}, kText, kYes},
    {"SM", 0, C::kSalesmanCode, {}, kText, kYes},
    {"SMNM", 0, C::kSalesmanName, {}, kText, kYes},
    {"DA", 3, C::kDebitLine3, {}, kAmount, kYes},
    {"DA", 4, C::kDebitLine4, {}, kAmount, kNo},
    {"DA", 5, C::kDebitLine5, C::kDebitLine5Addend, kSummedAmount, kNo},
    {"DA", 6, C::kDebitLine6, {}, kAmount, kNo},
    {"DC", 8, C::kTradeInStockNumber, {}, kUpperText, kYes},
    {"DA", 8, C::kTradeInAmount, {}, kAmount, kNo},
    {"DA", 9, C::kDebitLine9, {}, kAmount, kNo},
    {"TA", 0, C::kTotalAmount, {}, kAmount, kNo},
    {"CA", 2, C::kCreditLine2, {}, kAmount, kNo},
    {"CA", 10, C::kCreditLine10, {}, kAmount, kNo},
    {"DA", 11, C::kLine11, {}, kAmount, kNo},
    {"CA", 11, {}, {}, kAmountAgain, kNo},
    {"CA", 3, C::kCreditLine3, {}, kAmount, kNo},
    {"CA", 5, C::kCreditLine5, {}, kAmount, kNo},
    {"CA", 6, C::kCreditLine6, {}, kAmount, kNo},
    {"CA", 7, C::kCreditLine7, C::kCreditLine7Addend, kSummedAmount, kNo},
    {"CA", 8, C::kCreditLine8, {}, kAmount, kNo},
    {"CA", 9, C::kCreditLine9, {}, kAmount, kNo},
    {"DA", kSecondPairLine, C::kSecondPairLine, {}, kAmount, kNo},
    {"CA", kSecondPairLine, {}, {}, kAmountAgain, kNo},
    {"DA", kFirstPairLine, C::kFirstPairLine, {}, kAmount, kNo},
    {"CA", kFirstPairLine, {}, {}, kAmountAgain, kNo},
    {"CP", 0, C::kCpAmount, {}, kAmount, kNo},
    {"LN1", 0, C::kLastName, {}, kUpperText, kYes},
    {"FN1", 0, C::kFirstName, {}, kUpperText, kAsPlainText},
    {"MI1", 0, C::kMiddleInitial, {}, kText, kYes},
};

constexpr int16_t kLastBlankedLine = 24;

int16_t LineOf(const Row& row, const AccountingLayout& layout) {
  if (row.line == kFirstPairLine) return layout.first_pair_line;
  if (row.line == kSecondPairLine) return layout.second_pair_line;
  return static_cast<int16_t>(row.line);
}

// "DA Line 3" in messages, "DA 3" in the journal; "TA" for a single field.
std::string LineName(const Row& row, const AccountingLayout& layout, const char* between = " ") {
  if (row.line == 0) return row.field;
  return row.field + std::string(between) + std::to_string(LineOf(row, layout));
}

bool PostsAnAmount(const Row& row) { return row.treatment != kText && row.treatment != kUpperText; }

// Fills the accounting buffer row by row; an amount row leaves its amount
// for the row after it that posts the same amount again.
class RecordBuilder {
 public:
  RecordBuilder(const Deal& deal, const TransferFiles& files)
      : deal_(deal), layout_(files.accounting_layout), record_(files.accounting) {}

  void Put(const Row& row, Treatment treatment, bool stop_when_unfit) {
    const int16_t line = LineOf(row, layout_);
    switch (treatment) {
      case kText:
        record_.Put(deal_.Text(row.columns), row.field, line);
        break;
      case kUpperText:
        // Upper-cased as the layout stored it, which may be cut short.
        record_.Put(deal_.Text(row.columns), row.field, line);
        record_.Put(UpperCase(record_.Text(row.field, line)), row.field, line);
        break;
      case kAmount:
        amount_ = deal_.Amount(row.columns);
        PutAmount(row, line, stop_when_unfit);
        break;
      case kSummedAmount:
        amount_ = deal_.Amount(row.addend) + deal_.Amount(row.columns);
        PutAmount(row, line, stop_when_unfit);
        break;
      case kAmountAgain:
        PutAmount(row, line, stop_when_unfit);
        break;
    }
  }

 private:
  // An amount the picture cannot hold would be put as an empty line and the
  // money would vanish from the record: the transfer stops instead, before
  // the record is written, and the deal file stays for the next run.
  [[noreturn]] void StopForUnfitAmount(const Row& row, int16_t line) const {
    StopWithError(kAccountingFile,
                  "Stock No. " + TrimRight(record_.Text("STKNO")) + ": Amount " +
                      NumberText(amount_) + " Too Large For " + row.field + " Line " +
                      std::to_string(line),
                  "An accounting line holds at most 999999.99. The deal file is kept: correct "
                  "the deal and run DEXT again.");
  }

  void PutAmount(const Row& row, int16_t line, bool stop_when_unfit) const {
    const std::string edited = EditNumber(NumberText(amount_), kAmountPicture);
    if (stop_when_unfit && edited.empty() && amount_ != 0) StopForUnfitAmount(row, line);
    record_.Put(edited, row.field, line);
  }

  const Deal& deal_;
  const AccountingLayout& layout_;
  const RecordFields record_;
  double amount_ = 0;
};

// A line whose amount reads as zero is left empty rather than an edited zero.
// A line that is empty already (or that the layout lacks) is left as it is.
void BlankZeroLines(const RecordFields& record) {
  for (int16_t line = 0; line <= kLastBlankedLine; ++line) {
    for (const char* field : {"DA", "CA"}) {
      const std::string text = record.Text(field, line);
      if (text.find_first_not_of(' ') == std::string::npos) continue;
      if (NumericValue(text) == 0) record.Put("", field, line);
    }
  }
}

// A salesman code that is not a number, as stored, becomes "00".
void CheckSalesman(const RecordFields& record) {
  if (!ReadsWhollyAsNumber(record.Text("SM"))) record.Put("00", "SM");
}

void StartFromVehicleRecord(const TransferFiles& files) {
  CheckStatus(ClearRecord(files.accounting));
  CheckStatus(CopyRecord(files.inventory, files.accounting));
}

// The record exists already: it stays as stored. The buffer is filled with
// the deal's date, salesman, names and line 3 for the postings that follow.
void FillForExistingRecord(const Deal& deal, const TransferFiles& files) {
  StartFromVehicleRecord(files);
  RecordBuilder builder(deal, files);
  for (const Row& row : kRows) {
    if (row.existing == kNo) continue;
    builder.Put(row, row.existing == kAsPlainText ? kText : row.treatment,
                /*stop_when_unfit=*/false);
  }
  CheckSalesman(RecordFields(files.accounting));
}

// The amount columns, named by the field and line they post to.
std::vector<NumberColumn> AmountColumns(const AccountingLayout& accounting_layout) {
  std::vector<NumberColumn> columns;
  for (const Row& row : kRows) {
    if (row.treatment != kAmount && row.treatment != kSummedAmount) continue;
    const std::string target = LineName(row, accounting_layout, " Line ");
    columns.push_back({target, row.columns});
    if (row.treatment == kSummedAmount) columns.push_back({target, row.addend});
  }
  return columns;
}

}  // namespace

std::vector<FieldUse> AccountingFieldsUsed(const AccountingLayout& accounting_layout) {
  std::vector<FieldUse> fields = {{"STKNO", 0}};
  for (const Row& row : kRows) fields.push_back({row.field, LineOf(row, accounting_layout)});
  return fields;
}

std::vector<NumberColumn> NumberColumns(const AccountingLayout& accounting_layout) {
  std::vector<NumberColumn> columns = AmountColumns(accounting_layout);
  columns.push_back(MileageColumn());
  return columns;
}

std::vector<std::string> AccountingLines(const AccountingLayout& accounting_layout) {
  std::vector<std::string> lines;
  for (const Row& row : kRows) {
    if (PostsAnAmount(row)) lines.push_back(LineName(row, accounting_layout));
  }
  return lines;
}

AccountingDecision DecideAccounting(const Deal& deal, const TransferFiles& files,
                                    const PlannedRecords* planned) {
  AccountingDecision decision;
  decision.file = files.accounting;
  // Keyed by the stock number as the sold vehicle's record holds it.
  decision.key = InventoryRecord(files.inventory).Text("STKNO");
  if (ReadAtKey(files.accounting, decision.key, planned)) {
    FillForExistingRecord(deal, files);
    decision.words = "accounting record already there";
    return decision;
  }

  StartFromVehicleRecord(files);
  RecordBuilder builder(deal, files);
  for (const Row& row : kRows) builder.Put(row, row.treatment, /*stop_when_unfit=*/true);
  const RecordFields record(files.accounting);
  BlankZeroLines(record);
  CheckSalesman(record);
  decision.store = true;
  decision.words = "accounting record written";
  for (const Row& row : kRows) {
    if (!PostsAnAmount(row)) continue;
    decision.amounts.push_back(record.Text(row.field, LineOf(row, files.accounting_layout)));
  }
  return decision;
}

std::string PostAccounting(const Deal& deal, const TransferFiles& files) {
  const AccountingDecision decision = DecideAccounting(deal, files);
  StoreDecided(decision);
  return decision.words;
}

}  // namespace dext
