#include "transfer/deal_progress.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/computer_name.h"
#include "records/checked.h"
#include "records/library.h"
#include "records/line_output.h"
#include "records/numeric.h"
#include "context/session.h"
#include "transfer/text.h"
#include "transfer/postings.h"
#include "transfer/transfer_files.h"

namespace dext {
namespace {

constexpr const char* kLayoutLines[] = {
    "# DEXTPROG.FID - how far DEXT has come with the deal files of its work folders",
    "KEY     48  key  # work folder, generation, deal; or F and the work folder",
    "STATE    1       # P posted, S skipped",
    "STKNO    6       # the deal's sold vehicle",
    "GEN      8       # a folder's current generation",
    "FILEID  80       # a folder's transferred deal file, until it is deleted",
};

struct Progress {
  std::string folder;      // hash of the workstation and the work folder
  long generation = 1;
  std::string deal_key;    // key of the current deal
  std::map<std::string, int> seen;  // deals of this run by content, for equal deals
};

Progress& TheProgress() {
  static Progress progress;
  return progress;
}

FileNumber ProgressFile() { return NumberOf(kProgressFile); }

std::string Hash(const std::string& bytes) {
  uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a
  for (unsigned char c : bytes) hash = (hash ^ c) * 0x100000001b3ull;
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

std::string WorkFolder() {
  char* real = realpath(".", nullptr);
  std::string folder = real != nullptr ? real : ".";
  std::free(real);
  return folder;
}

std::string FolderKey() { return "F" + TheProgress().folder; }

// The deal file's identity on disk: a file sent again later is another file.
std::string Identity(const std::string& deal_file) {
  struct stat st {};
  if (::stat(deal_file.c_str(), &st) != 0) return "";
  char text[96];
  std::snprintf(text, sizeof text, "%llx:%llx:%llx:%lld.%09ld",
                static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino),
                static_cast<unsigned long long>(st.st_size), static_cast<long long>(st.st_mtim.tv_sec),
                st.st_mtim.tv_nsec);
  return text;
}

// Positions on key and reads its record; false when there is none.
bool Load(const std::string& key) {
  CheckStatus(PositionOnKey(ProgressFile(), key));
  return ReadAtPosition(ProgressFile());
}

void Store(const std::string& key, const std::map<std::string, std::string>& fields) {
  CheckStatus(ClearRecord(ProgressFile()));
  PutFieldValue(key, "KEY", ProgressFile(), 0);
  for (const auto& [field, value] : fields) PutFieldValue(value, field, ProgressFile(), 0);
  CheckStatus(StoreRecord(ProgressFile()));
}

void StoreFolder(const std::string& transferred_file) {
  Store(FolderKey(), {{"GEN", std::to_string(TheProgress().generation)},
                      {"FILEID", transferred_file}});
}

void MakeProgressFile(const std::string& data, const std::string& layout) {
  CheckStatus(MakeFile(layout, "", "", ProgressFile(), 0, 0));
  for (const char* line : kLayoutLines) {
    CheckStatus(PutLine(line, kProgressFile, -1));
    CheckStatus(EndLines(kProgressFile, 1, 0));
  }
  CheckStatus(CloseFile(ProgressFile()));
  // Another workstation may make it at the same moment: then it is there.
  const int16_t status = MakeFile(data, layout, "", ProgressFile(), 3, 0);
  if (status != 0 && Session().ErrorInfo.Code == KVB_ERR_FILE_EXISTS) return;
  CheckStatus(status);
  CheckStatus(CloseFile(ProgressFile()));
}

}  // namespace

void OpenDealProgress(const std::string& destination) {
  Progress& progress = TheProgress();
  progress = Progress{};
  progress.folder = Hash(platform::ComputerName() + "|" + WorkFolder());
  const std::string data = destination + "\\" + kProgressFileName;
  const std::string layout = destination + "\\" + kProgressLayoutName;
  if (Library().KVBfileexists(data.c_str()) == 0) MakeProgressFile(data, layout);
  CheckStatus(OpenFile(data, layout, "", ProgressFile(), 3, 0));
  if (Load(FolderKey())) {
    progress.generation = std::atol(FieldValue("GEN", ProgressFile(), 0).c_str());
  } else {
    StoreFolder("");
  }
}

bool DealFileAlreadyTransferred(const std::string& deal_file) {
  if (!Load(FolderKey())) return false;
  const std::string transferred = TrimRight(FieldValue("FILEID", ProgressFile(), 0));
  if (transferred.empty()) return false;
  if (transferred == Identity(deal_file)) return true;
  StoreFolder("");  // that file is gone: this is another one
  return false;
}

void BeginDealProgress(const Deal& deal) {
  Progress& progress = TheProgress();
  const std::string content = Hash(deal.first_record + "\n" + deal.second_record);
  const int earlier = progress.seen[content]++;
  char generation[9];
  std::snprintf(generation, sizeof generation, "%08lx", progress.generation);
  char count[5];
  std::snprintf(count, sizeof count, "%04x", earlier & 0xffff);
  progress.deal_key = progress.folder + generation + content + count;
}

DealDone CurrentDealDone() {
  if (!Load(TheProgress().deal_key)) return DealDone::kNo;
  return FieldValue("STATE", ProgressFile(), 0) == "S" ? DealDone::kSkipped : DealDone::kPosted;
}

void NoteDealDone(DealDone how, const std::string& stock_number) {
  Store(TheProgress().deal_key,
        {{"STATE", how == DealDone::kSkipped ? "S" : "P"}, {"STKNO", stock_number}});
}

void NoteDealFileTransferred(const std::string& deal_file) {
  ++TheProgress().generation;
  StoreFolder(Identity(deal_file));
}

}  // namespace dext
