// Any deal file through the real driver and the three postings into a
// dealership on a memory-backed temporary folder (libkvb and SQLite as in
// production): the transfer never crashes, ends in order, and leaves every
// record file sound. Each input starts from the same sample dealership.
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "records/library.h"
#include "screen/transfer_form.h"
#include "session/orderly_end.h"
#include "context/session.h"
#include "session/start.h"
#include "toolkit/front_end.h"
#include "toolkit/headless.h"
#include "transfer/transfer.h"

namespace fs = std::filesystem;

namespace {

fs::path pristine;  // a sample dealership, made once
fs::path trial;     // its copy for the current input
std::ostringstream shown;

fs::path TemporaryFolder() {
  const fs::path base = fs::exists("/dev/shm") ? "/dev/shm" : "/tmp";
  std::string pattern = (base / "dext-deal-fuzz-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  return pattern;
}

void MakeDealership() {
  pristine = TemporaryFolder();
  trial = pristine.string() + "-trial";
  setenv("KVBTOOL", KVBTOOL_PATH, 1);
  const std::string command = std::string(DEXT_SAMPLE_PATH) + " '" + pristine.string() +
                              "' --deals 4 --vehicles 12 --seed 9 >/dev/null";
  if (std::system(command.c_str()) != 0) std::abort();
  fs::remove(pristine / "work" / "DEXT.DAT");
  setenv("KVB_DRIVE_F", (trial / "F").c_str(), 1);
  static toolkit::HeadlessFrontEnd front_end(shown);
  toolkit::SetFrontEnd(&front_end);
}

void CheckIntegrity() {
  sqlite3* db = nullptr;
  const std::string path = (trial / "F" / "DLR" / "KVBSTORE.DB").string();
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    std::abort();
  }
  sqlite3_stmt* check = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &check, nullptr);
  if (sqlite3_step(check) != SQLITE_ROW ||
      std::string(reinterpret_cast<const char*>(sqlite3_column_text(check, 0))) != "ok") {
    std::abort();
  }
  sqlite3_finalize(check);
  sqlite3_close(db);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (pristine.empty()) MakeDealership();
  std::error_code ignored;
  fs::remove_all(trial, ignored);
  fs::copy(pristine, trial, fs::copy_options::recursive);
  std::ofstream(trial / "work" / "DEXT.DAT", std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  fs::current_path(trial / "work");

  if (dext::TransferFormExists()) dext::DestroyTransferForm();
  dext::ResetSession();
  dext::BindLibrary(dext::LibKvb());
  dext::StartSession("");
  dext::SessionContext& session = dext::Session();
  try {
    dext::StartTransfer();
    dext::Library().KVBinit(session.FileBase);  // a posting stopped the run
  } catch (const dext::ProgramEnd& end) {
    const bool transferred = end.status == dext::ExitStatus::kTransferred;
    // Success deletes the deal file; every other end keeps it.
    if (transferred == fs::exists(trial / "work" / "DEXT.DAT")) std::abort();
  }
  shown.str("");
  CheckIntegrity();
  fs::current_path(pristine);
  return 0;
}
