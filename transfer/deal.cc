#include "transfer/deal.h"

#include <cstddef>
#include <utility>

#include "records/numeric.h"
#include "transfer/deal_file.h"
#include "transfer/text.h"

namespace dext {
namespace {

bool IsContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

// Bytes that follow a UTF-8 lead byte; 0 for a byte that leads nothing.
size_t ContinuationsAfter(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 1;
  if (lead >= 0xE0 && lead <= 0xEF) return 2;
  if (lead >= 0xF0 && lead <= 0xF4) return 3;
  return 0;
}

// True when text holds a well-formed UTF-8 sequence of two to four bytes.
bool HoldsUtf8Sequence(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t continuations = ContinuationsAfter(static_cast<unsigned char>(text[i]));
    if (continuations == 0 || i + continuations >= text.size()) continue;
    bool sequence = true;
    for (size_t k = 1; k <= continuations; ++k) {
      sequence = sequence && IsContinuation(static_cast<unsigned char>(text[i + k]));
    }
    if (sequence) return true;
  }
  return false;
}

DealFault WrittenInUtf8(const Deal& deal) {
  return DealFault{deal.Name() + ": The Deal File Is Written In UTF-8",
                   std::string(kDealFileName) +
                       " must be in Windows-1252: in UTF-8 an accented letter takes two bytes "
                       "and shifts every column after it. Nothing of this deal was posted and "
                       "the deal file is kept: save it as Windows-1252 and run DEXT again."};
}

DealFault NotAPlainNumber(const Deal& deal, const NumberColumn& number, const std::string& text) {
  const ColumnRange& columns = number.columns;
  return DealFault{
      deal.Name() + ": Record " + std::to_string(columns.record) + ", Columns " +
          std::to_string(columns.first) + "-" + std::to_string(columns.last()) + " (" +
          number.target + ") Hold \"" + TrimRight(text) + "\", Not A Plain Number",
      "An amount is written as digits with at most one decimal point and a leading sign, "
      "like -1234.56. Nothing of this deal was posted and the deal file " +
          std::string(kDealFileName) + " is kept: correct the deal and run DEXT again."};
}

}  // namespace

std::string Deal::Text(ColumnRange columns) const {
  const std::string& record = columns.record == 1 ? first_record : second_record;
  return CutColumns(record, columns.first, columns.length);
}

double Deal::Amount(ColumnRange columns) const { return NumericValue(Text(columns)); }

std::string Deal::Name() const {
  return "Deal " + std::to_string(number) + ", Stock No. " + TrimRight(StockNumber());
}

std::variant<Deal, DealFault> ParseDeal(int number, std::string first_record,
                                        std::string second_record,
                                        const std::vector<NumberColumn>& number_columns) {
  Deal deal{number, std::move(first_record), std::move(second_record)};
  if (HoldsUtf8Sequence(deal.first_record) || HoldsUtf8Sequence(deal.second_record)) {
    return WrittenInUtf8(deal);
  }
  for (const NumberColumn& column : number_columns) {
    const std::string text = deal.Text(column.columns);
    if (!TrimRight(text).empty() && !ReadsWhollyAsNumber(text)) {
      return NotAPlainNumber(deal, column, text);
    }
  }
  return deal;
}

}  // namespace dext
