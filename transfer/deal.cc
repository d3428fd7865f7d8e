#include "transfer/deal.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

#include "records/numeric.h"
#include "platform/cp1252.h"
#include "transfer/text.h"

namespace dext {
namespace {

// True when the record is text in UTF-8 rather than Windows-1252: all of it
// is well-formed UTF-8, with at least one character of several bytes, and
// each such character is a byte-order mark or one Windows-1252 has (an
// accented letter, a curly quote, the euro sign), as a UTF-8 file of a
// Windows-1252 text holds. Windows-1252 text can form such sequences by
// chance ("\xC9\x92" is E-acute then a curly apostrophe) but hardly all
// through a record, and then they decode to characters no such text holds.
bool InUtf8(const std::string& record) {
  bool several_bytes = false;
  for (size_t i = 0; i < record.size();) {
    if (static_cast<unsigned char>(record[i]) < 0x80) {
      ++i;
      continue;
    }
    size_t taken = 1;
    const std::optional<char32_t> code =
        platform::DecodeUtf8(std::string_view(record).substr(i), taken);
    if (!code) return false;
    const bool byte_order_mark = *code == 0xFEFF;
    if (!byte_order_mark && (*code < 0xA0 || !platform::Cp1252FromCodePoint(*code))) return false;
    several_bytes = true;
    i += taken;
  }
  return several_bytes;
}

// True when the columns, their blanks skipped, hold one plain decimal number
// (an optional sign, digits and at most one decimal point): how a number is
// read, blanks anywhere skipped.
bool HoldsPlainNumber(const std::string& text) {
  std::string without_blanks;
  for (char c : text) {
    if (c != ' ') without_blanks += c;
  }
  return ReadsWhollyAsNumber(without_blanks);
}

DealFault WrittenInUtf8(const Deal& deal, const std::string& deal_file) {
  return DealFault{deal.Name() + ": The Deal File Is Written In UTF-8",
                   "The deal file must be in Windows-1252: in UTF-8 an accented letter takes two "
                   "bytes and shifts every column after it. Nothing of this deal was posted and "
                   "the deal file " + deal_file +
                       " is kept: save it as Windows-1252 and run DEXT again."};
}

DealFault NotAPlainNumber(const Deal& deal, const NumberColumn& number, const std::string& text,
                          const std::string& deal_file) {
  const ColumnRange& columns = number.columns;
  return DealFault{
      deal.Name() + ": Record " + std::to_string(columns.record) + ", Columns " +
          std::to_string(columns.first) + "-" + std::to_string(columns.last()) + " (" +
          number.target + ") Hold \"" + TrimRight(text) + "\", Not A Plain Number",
      "An amount is written as digits with at most one decimal point and a leading sign, "
      "like -1234.56. Nothing of this deal was posted and the deal file " + deal_file +
          " is kept: correct the deal and run DEXT again."};
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
                                        const std::vector<NumberColumn>& number_columns,
                                        const std::string& deal_file) {
  Deal deal{number, std::move(first_record), std::move(second_record)};
  if (InUtf8(deal.first_record) || InUtf8(deal.second_record)) {
    return WrittenInUtf8(deal, deal_file);
  }
  for (const NumberColumn& column : number_columns) {
    const std::string text = deal.Text(column.columns);
    if (!TrimRight(text).empty() && !HoldsPlainNumber(text)) {
      return NotAPlainNumber(deal, column, text, deal_file);
    }
  }
  return deal;
}

}  // namespace dext
