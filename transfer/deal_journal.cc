#include "transfer/deal_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include "session/orderly_end.h"
#include "session/session.h"

namespace dext {
namespace {
namespace fs = std::filesystem;

constexpr char kFormat[] = "DEXT.JNL 1";

struct Journal {
  bool open = false;
  int fd = -1;
  int deal = 0;
  std::set<std::pair<int, std::string>> accounting;  // deal, key in hex
  std::set<int> skipped;
};

Journal& TheJournal() {
  static Journal journal;
  return journal;
}

// Size and FNV-1a hash of the deal file's bytes: the journal's owner.
std::string Identity(const fs::path& deal_file) {
  std::ifstream in(deal_file, std::ios::binary);
  uint64_t hash = 0xcbf29ce484222325ull;
  uint64_t size = 0;
  for (char c; in.get(c); ++size) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%llu %016llx", static_cast<unsigned long long>(size),
                static_cast<unsigned long long>(hash));
  return text;
}

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex.empty() ? "-" : hex;
}

bool WriteAll(int fd, const std::string& text) {
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

// Reads the entries of a journal whose header names this deal file; a line
// torn by a crash (no line end) is not an entry.
void LoadEntries(const std::string& header, Journal* journal) {
  std::ifstream in(kDealJournalName, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream lines(text.substr(0, text.rfind('\n') + 1));
  std::string line;
  if (!std::getline(lines, line) || line != header) return;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string kind, key;
    int deal = 0;
    if (!(words >> kind >> deal)) continue;
    if (kind == "A" && words >> key) journal->accounting.emplace(deal, key);
    if (kind == "S") journal->skipped.insert(deal);
  }
}

std::string Contents(const std::string& header, const Journal& journal) {
  std::string text = header + "\n";
  for (const auto& [deal, key] : journal.accounting) {
    text += "A " + std::to_string(deal) + " " + key + "\n";
  }
  for (int deal : journal.skipped) text += "S " + std::to_string(deal) + "\n";
  return text;
}

bool SyncCurrentDirectory() {
  const int fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

// Replaces the journal as a whole (temporary file, sync, rename) and keeps
// it open for appending.
bool Rewrite(const std::string& contents, Journal* journal) {
  const std::string temporary = std::string(kDealJournalName) + ".new";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, contents) && ::fsync(fd) == 0;
  if (::close(fd) != 0 || !written) return false;
  if (::rename(temporary.c_str(), kDealJournalName) != 0 || !SyncCurrentDirectory()) return false;
  journal->fd = ::open(kDealJournalName, O_WRONLY | O_APPEND | O_CLOEXEC);
  return journal->fd >= 0;
}

bool Append(const std::string& line) {
  Journal& journal = TheJournal();
  return WriteAll(journal.fd, line) && ::fdatasync(journal.fd) == 0;
}

}  // namespace

bool OpenDealJournal(const std::string& deal_file_name) {
  Journal& journal = TheJournal();
  if (journal.fd >= 0) ::close(journal.fd);
  journal = Journal{};
  const fs::path deal_file = deal_file_name;
  std::error_code error;
  if (!fs::exists(deal_file, error)) return false;
  // A deal file that is no regular file (a device) has no contents to own a
  // journal by; its reads fail before any deal is posted.
  if (!fs::is_regular_file(deal_file, error)) return true;
  const std::string header = std::string(kFormat) + " " + Identity(deal_file);
  LoadEntries(header, &journal);
  journal.open = Rewrite(Contents(header, journal), &journal);
  return journal.open;
}

void SetJournalDeal(int deal) { TheJournal().deal = deal; }

bool JournalHasAccounting(const std::string& key) {
  const Journal& journal = TheJournal();
  return journal.open && journal.accounting.count({journal.deal, Hex(key)}) != 0;
}

bool JournalAccounting(const std::string& key) {
  Journal& journal = TheJournal();
  if (!journal.open || JournalHasAccounting(key)) return true;
  if (!Append("A " + std::to_string(journal.deal) + " " + Hex(key) + "\n")) return false;
  journal.accounting.emplace(journal.deal, Hex(key));
  return true;
}

bool JournalHasSkippedDeal() {
  const Journal& journal = TheJournal();
  return journal.open && journal.skipped.count(journal.deal) != 0;
}

bool JournalSkippedDeal() {
  Journal& journal = TheJournal();
  if (!journal.open || JournalHasSkippedDeal()) return true;
  if (!Append("S " + std::to_string(journal.deal) + "\n")) return false;
  journal.skipped.insert(journal.deal);
  return true;
}

void CloseDealJournal(const std::string& deal_file_name) {
  Journal& journal = TheJournal();
  if (journal.fd >= 0) ::close(journal.fd);
  journal = Journal{};
  std::error_code error;
  if (fs::exists(deal_file_name, error)) return;
  std::error_code ignored;
  fs::remove(kDealJournalName, ignored);
}

void StopForUnwritableJournal() {
  StopWithError(1, std::string("The Progress Of The Transfer Could Not Be Saved In ") +
                       kDealJournalName,
                "The deal file is kept: make room or fix the folder's permissions and run "
                "DEXT again.");
}

}  // namespace dext
