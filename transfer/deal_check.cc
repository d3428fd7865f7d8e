#include "transfer/deal_check.h"

#include <string>

#include "transfer/deal_columns.h"
#include "transfer/deal_file.h"
#include "transfer/postings.h"

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

std::string DealName(int deal, const std::string& record1) {
  return "Deal " + std::to_string(deal) + ", Stock No. " + TrimRight(DealColumns(record1, 1, 6));
}

std::optional<DealFault> NumberFault(int deal, const std::string& record1,
                                     const std::string& record2, const NumberColumn& column) {
  const std::string& record = column.record == 1 ? record1 : record2;
  const std::string text = DealColumns(record, column.first, column.length);
  if (TrimRight(text).empty() || ReadsWhollyAsNumber(text)) return std::nullopt;
  const std::string columns =
      std::to_string(column.first) + "-" + std::to_string(column.first + column.length - 1);
  return DealFault{
      DealName(deal, record1) + ": Record " + std::to_string(column.record) + ", Columns " +
          columns + " (" + column.target + ") Hold \"" + TrimRight(text) +
          "\", Not A Plain Number",
      "An amount is written as digits with at most one decimal point and a leading sign, "
      "like -1234.56. Nothing of this deal was posted and the deal file " +
          std::string(kDealFileName) + " is kept: correct the deal and run DEXT again."};
}

}  // namespace

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

std::optional<DealFault> FindDealFault(int deal, const std::string& record1,
                                       const std::string& record2) {
  if (HoldsUtf8Sequence(record1) || HoldsUtf8Sequence(record2)) {
    return DealFault{DealName(deal, record1) + ": The Deal File Is Written In UTF-8",
                     std::string(kDealFileName) +
                         " must be in Windows-1252: in UTF-8 an accented letter takes two "
                         "bytes and shifts every column after it. Nothing of this deal was "
                         "posted and the deal file is kept: save it as Windows-1252 and run "
                         "DEXT again."};
  }
  for (const NumberColumn& column : NumberColumns()) {
    if (auto fault = NumberFault(deal, record1, record2, column)) return fault;
  }
  return std::nullopt;
}

}  // namespace dext
