#include "transfer/deal_progress.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

#include "context/session.h"
#include "records/checked.h"
#include "records/library.h"
#include "records/numeric.h"
#include "session/orderly_end.h"
#include "transfer/postings.h"
#include "transfer/text.h"
#include "transfer/transfer_files.h"

namespace dext {
namespace {

constexpr char kLayout[] =
    "# DEXTRUNS.FID - how far DEXT has come with each claimed deal file\n"
    "KEY     24  key  # the claim; or the claim, S and the number of a skipped deal\n"
    "DONE     8       # deals done, posted or skipped\n"
    "CHAIN   16       # fingerprint of the deals done, in their order\n"
    "SKIPS    8       # how many of them were skipped\n"
    "DEAL     8       # a skipped deal: its number in the deal file\n"
    "STKNO    6       # a skipped deal: its sold vehicle\n"
    "SKPAT   12       # a skipped deal: the size of DEXT.SKP before its records\n";

constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001b3ull;

FileNumber ProgressFile() { return NumberOf(kProgressFile); }

std::string Hex(uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016" PRIx64, value);
  return text;
}

std::string SkipKey(const std::string& claim, long skip) { return claim + "S" + std::to_string(skip); }

// Positions on key and reads its record; false when there is none.
bool Load(const std::string& key) {
  CheckStatus(PositionOnKey(ProgressFile(), key));
  return ReadAtPosition(ProgressFile());
}

long Number(const char* field) { return std::atol(FieldValue(field, ProgressFile(), 0).c_str()); }

void Store(const std::string& key, const std::map<std::string, std::string>& fields) {
  CheckStatus(ClearRecord(ProgressFile()));
  PutFieldValue(key, "KEY", ProgressFile(), 0);
  for (const auto& [field, value] : fields) PutFieldValue(value, field, ProgressFile(), 0);
  CheckStatus(StoreRecord(ProgressFile()));
}

// The layout, written where every workstation can read it: the temporary
// folder of this one. The store keeps the layout a file was made with and
// compares it on every open.
class LayoutFile {
 public:
  LayoutFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "DEXTRUNS-XXXXXX").string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return;
    const bool written = write(fd, kLayout, sizeof kLayout - 1) ==
                         static_cast<ssize_t>(sizeof kLayout - 1);
    if (close(fd) == 0 && written) path_ = pattern;
  }
  ~LayoutFile() {
    if (!path_.empty()) unlink(path_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Makes the progress file; another workstation making it at the same moment
// is no failure. One whose records the store holds without its .DAT is never
// made anew: that would drop the progress of every run.
void MakeProgressFile(const std::string& data, const std::string& layout) {
  const int16_t status = MakeFile(data, layout, "", ProgressFile(), 3, 0);
  const int16_t code = Session().ErrorInfo.Code;
  if (status != 0 && code == KVB_ERR_FILE_EXISTS) return;
  if (status != 0 && code == KVB_ERR_TABLE_HAS_RECORDS) {
    Session().ErrorInfo.Detail =
        data + " was deleted, but its records, how far each transfer has come, are still in "
               "the store. Nothing was transferred. Put it back with: kvbtool stub '" + data +
        "', then run DEXT again.";
    ShowErrorAndEnd();
  }
  CheckStatus(status);
  CheckStatus(CloseFile(ProgressFile()));
}

}  // namespace

DealProgress::DealProgress(const std::string& destination, std::string claim)
    : claim_(std::move(claim)), chain_(kFnvOffset) {
  Open(destination, /*read_only=*/false);
}

DealProgress::DealProgress(const std::string& destination, std::string claim, ReadOnly)
    : claim_(std::move(claim)), chain_(kFnvOffset) {
  Open(destination, /*read_only=*/true);
}

void DealProgress::Open(const std::string& destination, bool read_only) {
  const std::string data = destination + "\\" + kProgressFileName;
  const bool exists = Library().KVBfileexists(data.c_str()) != 0;
  if (read_only && !exists) return;
  const LayoutFile layout;
  if (layout.path().empty()) {
    StopWithError(kProgressFile, "The Layout Of " + std::string(kProgressFileName) +
                                     " Could Not Be Written",
                  "DEXT writes it to " + std::filesystem::temp_directory_path().string() +
                      " while it opens its progress file: " + std::strerror(errno) +
                      ". Nothing was transferred: make that folder writable (or set TMPDIR) "
                      "and run DEXT again.");
  }
  if (!exists) MakeProgressFile(data, layout.path());
  CheckStatus(OpenFile(data, layout.path(), "", ProgressFile(), read_only ? 1 : 3, 0));
  if (Load(claim_)) {
    done_ = Number("DONE");
    skips_ = Number("SKIPS");
    stored_chain_ = TrimRight(FieldValue("CHAIN", ProgressFile(), 0));
  }
}

void DealProgress::Fold(const Deal& deal) {
  for (const std::string* record : {&deal.first_record, &deal.second_record}) {
    for (unsigned char c : TrimRight(*record)) chain_ = (chain_ ^ c) * kFnvPrime;
    chain_ = (chain_ ^ '\n') * kFnvPrime;
  }
}

bool DealProgress::CheckDoneDeal(const Deal& deal, SkippedBefore* skipped) {
  Fold(deal);
  if (next_skip_ <= skips_ && next_skip_deal_ == 0 && Load(SkipKey(claim_, next_skip_))) {
    next_skip_deal_ = Number("DEAL");
    next_skipped_.stock_number = FieldValue("STKNO", ProgressFile(), 0);
    next_skipped_.kept_at = static_cast<uint64_t>(
        std::strtoull(FieldValue("SKPAT", ProgressFile(), 0).c_str(), nullptr, 10));
  }
  const bool was_skipped = next_skip_deal_ == deal.number;
  if (was_skipped) {
    *skipped = next_skipped_;
    ++next_skip_;
    next_skip_deal_ = 0;
  }
  if (deal.number == done_ && Hex(chain_) != stored_chain_) {
    StopWithError(kDealFile,
                  "The Deals Already Transferred From This Deal File Were Changed",
                  "An earlier run transferred its first " + std::to_string(done_) +
                      " deals; one of them is no longer as it was (or deals were added or "
                      "removed among them). Nothing more was posted: put those deals back as "
                      "they were and run DEXT again.");
  }
  return was_skipped;
}

void DealProgress::CheckEndOfDeals(long deals) {
  if (deals >= done_) return;
  StopWithError(kDealFile, "The Deal File Holds Fewer Deals Than Were Transferred",
                "An earlier run transferred its first " + std::to_string(done_) +
                    " deals; it now ends after " + std::to_string(deals) +
                    ". Nothing more was posted: put the deals back as they were and run DEXT "
                    "again.");
}

void DealProgress::StoreClaim() {
  Store(claim_, {{"DONE", std::to_string(done_)},
                 {"CHAIN", Hex(chain_)},
                 {"SKIPS", std::to_string(skips_)}});
}

void DealProgress::NoteDone(const Deal& deal) {
  Fold(deal);
  done_ = deal.number;
  StoreClaim();
}

void DealProgress::NoteSkipped(const Deal& deal, uint64_t kept_at) {
  Fold(deal);
  done_ = deal.number;
  ++skips_;
  Store(SkipKey(claim_, skips_), {{"DEAL", std::to_string(deal.number)},
                                  {"STKNO", deal.StockNumber()},
                                  {"SKPAT", std::to_string(kept_at)}});
  StoreClaim();
}

bool DealProgress::Forget() {
  const RecordLibrary& library = Library();
  const int16_t base = Session().FileBase;
  const int16_t file = ProgressFile().value;
  if (library.KVBbegin(base) != 0) return false;
  bool removed = true;
  for (long skip = 0; skip <= skips_ && removed; ++skip) {
    const std::string key = skip == 0 ? claim_ : SkipKey(claim_, skip);
    removed = library.KVBposn(file, key.c_str(), -1, "", KVB_POSN_ON_KEY) == 0 &&
              (library.KVBdelete(file) == 0 || library.KVBerr(base) == KVB_ERR_NO_RECORD);
  }
  if (removed && library.KVBcommit(base) == 0) return true;
  library.KVBrollback(base);
  return false;
}

}  // namespace dext
