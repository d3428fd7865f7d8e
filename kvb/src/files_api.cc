// Entry points that open, make and close files and manage file numbers.
#include <cstring>
#include <vector>

#include "kvb.h"
#include "layout.h"
#include "open_files.h"
#include "path.h"
#include "status.h"
#include "store_location.h"

using namespace kvb;

namespace {

constexpr int16_t kModeRead = 1;
constexpr int16_t kModeReadWrite = 3;

bool IsEmpty(const char* text) { return text == nullptr || *text == '\0'; }

int16_t OpenText(const char* data_file, int16_t mode, OpenFile* file) {
  if (mode != kModeRead && mode != kModeReadWrite) return kBadMode;
  std::string host;
  if (int16_t code = ResolvePath(data_file, &host); code != kNone) return code;
  auto reader = std::make_unique<TextReader>();
  if (int16_t code = reader->Open(host); code != kNone) return code;
  file->reader = std::move(reader);
  return kNone;
}

int16_t OpenKeyed(Library& library, const char* data_file, const char* layout_file, int16_t mode,
                  OpenFile* file) {
  if (mode != kModeRead && mode != kModeReadWrite) return kBadMode;
  std::string layout_host;
  if (int16_t code = ResolvePath(layout_file, &layout_host); code != kNone) return code;
  Layout layout;
  std::string error;
  if (int16_t code = LoadLayoutFile(layout_host, layout_file, &layout, &error); code != kNone) {
    return code;
  }
  std::string host;
  if (int16_t code = ResolvePath(data_file, &host); code != kNone) return code;
  std::unique_ptr<KeyedFile> keyed;
  if (int16_t code = KeyedFile::Open(library.stores, host, &layout, mode == kModeRead, &keyed,
                                     DriveOf(data_file));
      code != kNone) {
    return code;
  }
  if (int16_t code = keyed->SetDurable(library.autosecure); code != kNone) return code;
  file->keyed = std::move(keyed);
  return kNone;
}

int16_t MakeKeyed(Library& library, const char* data_file, const char* layout_file,
                  OpenFile* file) {
  std::string layout_host, host, error;
  Layout layout;
  if (int16_t code = ResolvePath(layout_file, &layout_host); code != kNone) return code;
  if (int16_t code = LoadLayoutFile(layout_host, layout_file, &layout, &error); code != kNone) {
    return code;
  }
  if (int16_t code = ResolvePath(data_file, &host); code != kNone) return code;
  if (int16_t code = CreateKeyedFile(library.stores, host, layout, DriveOf(data_file));
      code != kNone) {
    return code;
  }
  return OpenKeyed(library, data_file, layout_file, kModeReadWrite, file);
}

bool HasFilesUnder(const Library& library, int base) {
  auto it = library.files.lower_bound(base);
  return it != library.files.end() && it->first < base + kFilesPerBase;
}

// Shared steps of KVBopen and KVBmake: check the number, close what is open
// under it, run open_step, and enter the file on success.
template <typename Step>
int16_t OpenUnder(int16_t number, const char* data_file, Step open_step) {
  Library& library = TheLibrary();
  std::lock_guard guard(library.mutex);
  if (number <= 0) return Fail(kBadFileNumber);
  if (data_file == nullptr) return Fail(kBadArgument);
  CloseFile(library, number);
  OpenFile file;
  if (int16_t code = open_step(library, &file); code != kNone) return Fail(code);
  library.files[number] = std::move(file);
  return 0;
}

}  // namespace

extern "C" {

int16_t KVBinit(int16_t base) {
  Library& library = TheLibrary();
  std::lock_guard guard(library.mutex);
  if (base == 0) {
    int first = kFirstBase;
    while (HasFilesUnder(library, first) && first + 2 * kFilesPerBase <= INT16_MAX) {
      first += kFilesPerBase;
    }
    return static_cast<int16_t>(first);
  }
  if (auto transaction = library.transactions.find(base);
      transaction != library.transactions.end()) {
    RollBack(library, transaction);
  }
  int16_t result = 0;
  auto begin = library.files.lower_bound(base);
  auto end = library.files.lower_bound(static_cast<int>(base) + kFilesPerBase);
  std::vector<int16_t> numbers;
  for (auto it = begin; it != end; ++it) numbers.push_back(it->first);
  for (int16_t number : numbers) {
    if (int16_t code = CloseFile(library, number); code != kNone && result == 0) {
      result = Fail(code);
    }
  }
  return result;
}

int16_t KVBopen(const char* data_file, const char* layout, const char* /*text*/, int16_t file,
                int16_t mode, int16_t /*flag*/) {
  return OpenUnder(file, data_file, [&](Library& library, OpenFile* open) {
    if (IsEmpty(layout)) return OpenText(data_file, mode, open);
    return OpenKeyed(library, data_file, layout, mode, open);
  });
}

int16_t KVBmake(const char* data_file, const char* layout, const char* /*text*/, int16_t file,
                int16_t /*mode*/, int16_t /*flag*/) {
  return OpenUnder(file, data_file, [&](Library& library, OpenFile* open) -> int16_t {
    if (!IsEmpty(layout)) return MakeKeyed(library, data_file, layout, open);
    std::string host;
    if (int16_t code = ResolvePath(data_file, &host); code != kNone) return code;
    open->writer = std::make_unique<TextWriter>(host);
    return kNone;
  });
}

int16_t KVBclose(int16_t file) {
  Library& library = TheLibrary();
  std::lock_guard guard(library.mutex);
  if (file == 0) {  // every open file, and every transaction rolled back
    while (!library.transactions.empty()) RollBack(library, library.transactions.begin());
    int16_t result = 0;
    while (!library.files.empty()) {
      int16_t code = CloseFile(library, library.files.begin()->first);
      if (code != kNone && result == 0) result = Fail(code);
    }
    return result;
  }
  int16_t code = kNone;
  if (FindFile(library, file, &code) == nullptr) return Fail(code);
  code = CloseFile(library, file);
  return code == kNone ? 0 : Fail(code);
}

int16_t KVBcloseall(int16_t base) {
  if (base <= 0) return Fail(kBadFileNumber);
  return KVBinit(base);
}

int16_t KVBhost(int16_t base, const char* network_type) {
  if (base <= 0) return Fail(kBadFileNumber);
  if (network_type == nullptr) return Fail(kBadArgument);
  Library& library = TheLibrary();
  std::lock_guard guard(library.mutex);
  library.network_type = network_type;
  return 0;
}

void KVBautosecure(int16_t on) {
  Library& library = TheLibrary();
  std::lock_guard guard(library.mutex);
  library.autosecure = on != 0;
  for (auto& [number, file] : library.files) {
    if (!file.keyed) continue;
    if (!library.autosecure) {
      file.keyed->SetDurable(false);
    } else if (file.keyed->Sync() == kNone) {
      file.keyed->SetDurable(true);
    }
  }
}

int16_t KVBerr(int16_t /*base*/) { return LastFailure(); }

const char* KVBerrcause(int16_t /*base*/) { return TextResult(LastCause()); }

// A keyed file on a drive's server has no file in the folder: the server
// answers for it. When it cannot (no connection), the answer is 0 and KVBerr
// tells why.
int16_t KVBfileexists(const char* name) {
  if (name == nullptr) return 0;
  if (FileExists(name)) return 1;
  std::string host;
  ServerFile server;
  if (ResolvePath(name, &host) != kNone || !OnServer(host, DriveOf(name), &server)) return 0;
  Library& library = TheLibrary();
  std::lock_guard guard(library.mutex);
  std::shared_ptr<RecordStore> store;
  std::unique_ptr<RecordTable> table;
  int16_t code = library.stores.GetServer(server.conninfo, &store);
  if (code == kNone) code = store->OpenTable(server.name, &table);
  if (code == kNone) return 1;
  if (code != kMissingFile) Fail(code);
  return 0;
}

const char* KVBerrtext(int16_t code) {
  std::lock_guard guard(TheLibrary().mutex);
  return TextResult(Describe(code));
}

const char* KVBhostpath(const char* name) {
  std::lock_guard guard(TheLibrary().mutex);
  std::string host;
  if (name == nullptr || ResolvePath(name, &host) != kNone) host.clear();
  return TextResult(host);
}

}  // extern "C"
