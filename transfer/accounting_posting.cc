// PostAccounting: one accounting record per deal, keyed by the sold vehicle's
// stock number, with the delivery date, salesman, customer name and the deal's
// money figures on numbered debit (DA) and credit (CA) lines.
#include <cstdint>
#include <string>

#include "records/checked.h"
#include "records/line_output.h"
#include "records/numeric.h"
#include "session/orderly_end.h"
#include "context/session.h"
#include "transfer/deal_columns.h"
#include "transfer/postings.h"
#include "transfer/run_report.h"

namespace dext {
namespace {

constexpr char kAmountPicture[] = "ZZZZZZ.99";

enum class Treatment {
  kText,           // the columns as cut, blanks kept
  kUpperText,      // put, read back as stored, upper-cased, put again
  kAmount,         // numeric value of the columns, edited
  kSummedAmount,   // sum of two column ranges of the same length, edited
  kAmountAgain,    // the amount of the row before, edited again
};

enum class InExistingBranch { kNo, kYes, kAsPlainText };

// Lines that depend on the accounting file's layout: LongSlot 8 and 9.
constexpr int kLongSlot8Line = -8;
constexpr int kLongSlot9Line = -9;

struct Column {
  const char* field;
  int line;         // occurrence; kLongSlot8Line / kLongSlot9Line
  int record;       // deal record 1 or 2
  int first;        // first column, counted from 1
  int length;
  int second;       // first column of the second addend of a summed amount
  Treatment treatment;
  InExistingBranch existing;
};

using enum Treatment;
using enum InExistingBranch;

// The accounting record's columns, in the order of the puts.
constexpr Column kColumns[] = {
    {"DELMO", 0, 1, 7, 2, 0, kText, kYes},
    {"DELDAY", 0, 1, 9, 2, 0, kText, kYes},
    {"DELYR", 0, 1, 11, 2, 0, kText, kYes},
    {"SM", 0, 1, 19, 2, 0, kText, kYes},
    {"SMNM", 0, 1, 21, 25, 0, kText, kYes},
    {"DA", 3, 1, 46, 8, 0, kAmount, kYes},
    {"DA", 4, 1, 57, 8, 0, kAmount, kNo},
    {"DA", 5, 1, 65, 8, 73, kSummedAmount, kNo},
    {"DA", 6, 1, 81, 8, 0, kAmount, kNo},
    {"DC", 8, 1, 89, 6, 0, kUpperText, kYes},
    {"DA", 8, 1, 95, 8, 0, kAmount, kNo},
    {"DA", 9, 1, 109, 8, 0, kAmount, kNo},
    {"TA", 0, 1, 117, 8, 0, kAmount, kNo},
    {"CA", 2, 1, 125, 8, 0, kAmount, kNo},
    {"CA", 10, 1, 133, 8, 0, kAmount, kNo},
    {"DA", 11, 1, 141, 8, 0, kAmount, kNo},
    {"CA", 11, 0, 0, 0, 0, kAmountAgain, kNo},
    {"CA", 3, 1, 186, 8, 0, kAmount, kNo},
    {"CA", 5, 1, 194, 8, 0, kAmount, kNo},
    {"CA", 6, 1, 202, 8, 0, kAmount, kNo},
    {"CA", 7, 1, 210, 8, 226, kSummedAmount, kNo},
    {"CA", 8, 1, 218, 8, 0, kAmount, kNo},
    {"CA", 9, 1, 234, 8, 0, kAmount, kNo},
    {"DA", kLongSlot9Line, 1, 242, 8, 0, kAmount, kNo},
    {"CA", kLongSlot9Line, 0, 0, 0, 0, kAmountAgain, kNo},
    {"DA", kLongSlot8Line, 2, 1, 8, 0, kAmount, kNo},
    {"CA", kLongSlot8Line, 0, 0, 0, 0, kAmountAgain, kNo},
    {"CP", 0, 2, 9, 8, 0, kAmount, kNo},
    {"LN1", 0, 2, 62, 15, 0, kUpperText, kYes},
    {"FN1", 0, 2, 77, 10, 0, kUpperText, kAsPlainText},
    {"MI1", 0, 2, 87, 1, 0, kText, kYes},
};

constexpr int kLastBlankedLine = 24;

int16_t AccountingFile() { return TransferFile(kAccountingFile); }

int16_t LineOf(const Column& column) {
  if (column.line == kLongSlot8Line) return static_cast<int16_t>(Session().LongSlot[8]);
  if (column.line == kLongSlot9Line) return static_cast<int16_t>(Session().LongSlot[9]);
  return static_cast<int16_t>(column.line);
}

std::string ColumnText(const Column& column, int first) {
  return DealColumns(Session().TextSlot[column.record], first, column.length);
}

// An amount the picture cannot hold would be put as an empty line and the
// money would vanish from the record: the transfer stops instead, before the
// record is written, and the deal file stays for the next run.
[[noreturn]] void StopForUnfitAmount(const Column& column, int16_t line) {
  StopWithError(kAccountingFile,
                "Stock No. " + TrimRight(FieldValue("STKNO", AccountingFile(), 0)) +
                    ": Amount " + NumberText(Session().AmountSlot[5]) + " Too Large For " +
                    column.field + " Line " + std::to_string(line),
                "An accounting line holds at most 999999.99. The deal file is kept: correct "
                "the deal and run DEXT again.");
}

void PutAmount(const Column& column, int16_t line, bool stop_when_unfit) {
  const double amount = Session().AmountSlot[5];
  const std::string edited = EditNumber(NumberText(amount), kAmountPicture);
  if (stop_when_unfit && edited.empty() && amount != 0) StopForUnfitAmount(column, line);
  PutFieldValue(edited, column.field, AccountingFile(), line);
}

void PutColumn(const Column& column, Treatment treatment, bool stop_when_unfit) {
  SessionContext& session = Session();
  const int16_t line = LineOf(column);
  switch (treatment) {
    case kText:
      PutFieldValue(ColumnText(column, column.first), column.field, AccountingFile(), line);
      break;
    case kUpperText:
      PutFieldValue(ColumnText(column, column.first), column.field, AccountingFile(), line);
      PutFieldValue(UpperCase(FieldValue(column.field, AccountingFile(), line)), column.field,
                    AccountingFile(), line);
      break;
    case kAmount:
      session.AmountSlot[5] = NumericValue(ColumnText(column, column.first));
      PutAmount(column, line, stop_when_unfit);
      break;
    case kSummedAmount:
      session.AmountSlot[1] = NumericValue(ColumnText(column, column.first));
      session.AmountSlot[2] = NumericValue(ColumnText(column, column.second));
      session.AmountSlot[5] = session.AmountSlot[2] + session.AmountSlot[1];
      PutAmount(column, line, stop_when_unfit);
      break;
    case kAmountAgain:
      PutAmount(column, line, stop_when_unfit);
      break;
  }
}

// A line whose amount reads as zero is left empty rather than an edited zero.
void BlankZeroLines() {
  SessionContext& session = Session();
  session.AmountSlot[0] = 0;
  do {
    const auto line = static_cast<int16_t>(session.AmountSlot[0]);
    for (const char* field : {"DA", "CA"}) {
      if (NumericValue(FieldValue(field, AccountingFile(), line)) == 0) {
        PutFieldValue("", field, AccountingFile(), line);
      }
    }
    session.AmountSlot[0] += 1;
  } while (session.AmountSlot[0] <= kLastBlankedLine);
}

void CheckSalesman() {
  Session().TextSlot[5] = FieldValue("SM", AccountingFile(), 0);
  if (!ReadsWhollyAsNumber(Session().TextSlot[5])) PutFieldValue("00", "SM", AccountingFile(), 0);
}

void StartFromVehicleRecord() {
  const auto vehicle_file = static_cast<int16_t>(Session().FileBase + kInventoryFile);
  CheckStatus(ClearRecord(AccountingFile()));
  CheckStatus(CopyRecord(vehicle_file, AccountingFile()));
}

// The record exists already: it stays as stored. The buffer is filled with
// the deal's date, salesman, names and line 3 for the postings that follow.
int16_t FillForExistingRecord() {
  StartFromVehicleRecord();
  for (const Column& column : kColumns) {
    if (column.existing == kNo) continue;
    const Treatment treatment = column.existing == kAsPlainText ? kText : column.treatment;
    PutColumn(column, treatment, /*stop_when_unfit=*/false);
  }
  CheckSalesman();
  return 0;
}

}  // namespace

std::vector<NumberColumn> AmountColumns() {
  std::vector<NumberColumn> columns;
  for (const Column& column : kColumns) {
    if (column.treatment != kAmount && column.treatment != kSummedAmount) continue;
    std::string target = column.field;
    if (column.line != 0) target += " Line " + std::to_string(LineOf(column));
    columns.push_back({target, column.record, column.first, column.length});
    if (column.treatment == kSummedAmount) {
      columns.push_back({target, column.record, column.second, column.length});
    }
  }
  return columns;
}

std::vector<FieldUse> AccountingFieldsUsed() {
  std::vector<FieldUse> fields = {{"STKNO", 0}};
  for (const Column& column : kColumns) fields.push_back({column.field, LineOf(column)});
  return fields;
}

std::vector<NumberColumn> NumberColumns() {
  std::vector<NumberColumn> columns = AmountColumns();
  columns.push_back(MileageColumn());
  return columns;
}

int16_t PostAccounting() {
  SessionContext& session = Session();
  const auto vehicle_file = static_cast<int16_t>(session.FileBase + kInventoryFile);
  const std::string key = FieldValue("STKNO", vehicle_file, 0);
  CheckStatus(PositionFile(AccountingFile(), key, -1, "", 256));
  if (ReadAtPosition(AccountingFile())) {
    CurrentPostings().accounting = "accounting record already there";
    return FillForExistingRecord();
  }
  CurrentPostings().accounting = "accounting record written";

  StartFromVehicleRecord();
  for (const Column& column : kColumns) PutColumn(column, column.treatment, true);
  BlankZeroLines();
  CheckSalesman();
  CheckStatus(EndLines(kAccountingFile, 1, 512));
  return 0;
}

}  // namespace dext
