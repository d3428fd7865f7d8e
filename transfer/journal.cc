#include "transfer/journal.h"

#include <cctype>
#include <charconv>
#include <cstring>

#include "platform/cp1252.h"
#include "transfer/text.h"

namespace dext {
namespace {

constexpr int kPageWidth = 80;
constexpr int kAmountsPerLine = 4;

std::string CsvCell(const std::string& text) {
  const std::string utf8 = platform::Utf8FromCp1252(text);
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
  std::string quoted = "\"";
  for (char c : utf8) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string PadLeft(const std::string& text, size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string PadRight(const std::string& text, size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::optional<int64_t> CentsOf(std::string_view text) {
  const std::string_view amount = Trimmed(text);
  size_t at = 0;
  const bool negative = at < amount.size() && amount[at] == '-';
  if (negative) ++at;
  int64_t cents = 0;
  int digits = 0, decimals = -1;
  for (; at < amount.size(); ++at) {
    const char c = amount[at];
    if (c == '.' && decimals < 0) {
      decimals = 0;
    } else if (std::isdigit(static_cast<unsigned char>(c)) && decimals < 2 && digits < 15) {
      cents = cents * 10 + (c - '0');
      ++digits;
      if (decimals >= 0) ++decimals;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0 && !amount.empty()) return std::nullopt;
  for (int d = decimals < 0 ? 0 : decimals; d < 2; ++d) cents *= 10;
  return negative ? -cents : cents;
}

std::string AmountText(int64_t cents) {
  const uint64_t magnitude =
      cents < 0 ? 0 - static_cast<uint64_t>(cents) : static_cast<uint64_t>(cents);
  char text[32];
  char* end = text;
  if (cents < 0) *end++ = '-';
  end = std::to_chars(end, text + sizeof text, magnitude / 100).ptr;
  *end++ = '.';
  *end++ = static_cast<char>('0' + magnitude % 100 / 10);
  *end++ = static_cast<char>('0' + magnitude % 10);
  return std::string(text, end);
}

std::string JournalName(const std::string& claim, int first_deal) {
  return "DEXTJNL-" + claim + "-" + std::to_string(first_deal) + ".CSV";
}

Journal::Journal(std::vector<std::string> lines)
    : lines_(std::move(lines)), totals_(lines_.size(), 0) {}

void Journal::Add(Entry entry) {
  for (size_t line = 0; line < entry.amounts.size() && line < lines_.size(); ++line) {
    if (const std::optional<int64_t> cents = CentsOf(entry.amounts[line])) {
      totals_[line] += *cents;
    } else {
      ++unreadable_;
    }
  }
  entries_.push_back(std::move(entry));
}

std::string Journal::CsvHeader() const {
  std::string header = "deal,stock number,buyer,accounting record";
  for (const std::string& line : lines_) header += "," + line;
  return header + "\r\n";
}

std::string Journal::CsvRow(const Entry& entry) const {
  std::string row = std::to_string(entry.deal);
  row += ',';
  row += CsvCell(TrimRight(entry.stock_number));
  row += ',';
  row += CsvCell(std::string(Trimmed(entry.buyer)));
  row += entry.accounting_written ? ",written" : ",already there";
  for (size_t line = 0; line < lines_.size(); ++line) {
    row += ',';
    if (line >= entry.amounts.size()) continue;
    const std::string_view amount = Trimmed(entry.amounts[line]);
    if (amount.empty()) continue;
    const std::optional<int64_t> cents = CentsOf(amount);
    row += cents ? AmountText(*cents) : CsvCell(std::string(amount));
  }
  return row + "\r\n";
}

std::string Journal::CsvTotals() const {
  std::string row = "total," + std::to_string(deals()) + (deals() == 1 ? " deal" : " deals") + ",,";
  for (int64_t total : totals_) row += "," + AmountText(total);
  return row + "\r\n";
}

std::vector<std::string> Journal::Page(const std::string& title) const {
  std::vector<std::string> page = {title, ""};
  for (const Entry& entry : entries_) {
    page.push_back(PadRight("Deal " + std::to_string(entry.deal), 10) +
                   PadRight(TrimRight(entry.stock_number), 8) +
                   std::string(Trimmed(entry.buyer).substr(0, 40)) +
                   (entry.accounting_written ? "" : "  (accounting record already there)"));
    std::string amounts;
    int on_line = 0;
    for (size_t line = 0; line < entry.amounts.size() && line < lines_.size(); ++line) {
      const std::string amount(Trimmed(entry.amounts[line]));
      if (amount.empty()) continue;
      amounts += "  " + PadRight(lines_[line], 6) + PadLeft(amount, 11);
      if (++on_line == kAmountsPerLine) {
        page.push_back(amounts);
        amounts.clear();
        on_line = 0;
      }
    }
    if (!amounts.empty()) page.push_back(amounts);
  }
  page.push_back(std::string(kPageWidth, '-'));
  page.push_back("Totals of " + std::to_string(deals()) + (deals() == 1 ? " deal" : " deals"));
  std::string totals;
  for (size_t line = 0; line < lines_.size(); ++line) {
    totals += "  " + PadRight(lines_[line], 6) + PadLeft(AmountText(totals_[line]), 11);
    if ((line + 1) % kAmountsPerLine == 0 || line + 1 == lines_.size()) {
      page.push_back(totals);
      totals.clear();
    }
  }
  if (unreadable_ > 0) {
    page.push_back(unreadable_ == 1 ? "1 amount was not an amount and is in no total."
                                    : std::to_string(unreadable_) +
                                          " amounts were not amounts and are in no total.");
  }
  return page;
}

JournalFile::~JournalFile() = default;

void JournalFile::Append(const std::string& text) {
  if (file_ == nullptr) return;
  size_t written = 0;
  const int error = file_->Append(text, &written);
  if (written == text.size() || !failure_.empty()) return;
  failure_ = error != 0 ? std::strerror(error) : "a line was cut short";
}

void JournalFile::Write(const Journal& journal, const Journal::Entry& entry) {
  if (name_.empty() && failure_.empty()) {
    name_ = JournalName(claim_, entry.deal);
    if (const int error = files_.OpenForAppend(name_, FileSystem::Access::kAppend, &file_);
        error != 0) {
      failure_ = std::strerror(error);
    }
    Append("\xEF\xBB\xBF" + journal.CsvHeader());  // the mark tells a spreadsheet it is UTF-8
  }
  Append(journal.CsvRow(entry));
}

std::string JournalFile::Finish(const Journal& journal) {
  if (file_ == nullptr) return name_;
  Append(journal.CsvTotals());
  if (const int error = file_->Close(); error != 0 && failure_.empty()) {
    failure_ = std::strerror(error);
  }
  file_.reset();
  return name_;
}

}  // namespace dext
