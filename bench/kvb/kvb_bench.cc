// Position + lock + read + write cycles on a keyed file of 100,000 records with
// autosecure on, next to a minimal loop of plain SQLite calls doing the same
// reads and writes at the same durability (WAL, synchronous=FULL, one
// transaction per write). Prints both rates and their ratio. With --deals,
// also deals of four writes to four files of the folder, in one transaction
// and as four commits, with the syncs each deal cost.
//
//   kvb_bench [--seconds S] [--records N] [--dir DIR] [--deals]
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "keyed_file.h"
#include "kvb.h"
#include "layout.h"
#include "record.h"
#include "sync_count.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kLayout[] =
    "STKNO 6 key\nACT 1\nNU 1\nVIN 17\nYEAR 4\nMAK 10\nMODEL 10\nBODY 5\nCOL 10\n"
    "MILES 6\nPROWN 30\nIP 9\nLIST 9\n";

struct Options {
  double seconds = 1.5;  // per contender, split over three rounds
  int records = 100000;
  std::string dir = "/var/tmp";
  bool deals = false;
};

std::string StockOf(int i) {
  char key[8];
  snprintf(key, sizeof key, "%06d", i);
  return key;
}

bool Fill(const std::string& path, const kvb::Layout& layout, int records) {
  kvb::StoreCache stores;
  if (kvb::CreateKeyedFile(stores, path, layout) != 0) return false;
  std::unique_ptr<kvb::KeyedFile> file;
  if (kvb::KeyedFile::Open(stores, path, &layout, false, &file) != 0) return false;
  file->SetDurable(false);
  file->store().Begin();
  for (int i = 0; i < records; ++i) {
    file->buffer().Clear();
    file->buffer().Put("STKNO", 0, StockOf(i));
    file->buffer().Put("VIN", 0, "1HGCM82633A" + StockOf(i));
    file->buffer().Put("MAK", 0, "HONDA");
    if (file->Write() != 0) return false;
  }
  return file->store().Commit() == 0;
}

// Library cycles for a while; returns cycles done, or -1 on a failure.
long LibraryCycles(int16_t file, int records, double seconds, std::mt19937& random) {
  long cycles = 0;
  std::uniform_int_distribution<int> pick(0, records - 1);
  auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (Clock::now() < end) {
    std::string key = StockOf(pick(random));
    if (KVBposn(file, key.c_str(), -1, "", KVB_POSN_ON_KEY) != 0 || KVBrlock(file) != 0 ||
        KVBread(file, KVB_READ_AT_POSITION) != 0) {
      return -1;
    }
    KVBfput(cycles % 2 ? "2" : "1", "ACT", file, 0, 0);
    if (KVBwrite(file, 1, KVB_WRITE_KEYED) != 0) return -1;
    ++cycles;
  }
  return cycles;
}

// The plain contender's own database, with the same records as the library's.
bool FillPlain(const std::string& path, const kvb::Layout& layout, int records) {
  sqlite3* db = nullptr;
  sqlite3_stmt* put = nullptr;
  bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
            sqlite3_exec(db,
                         "PRAGMA journal_mode=WAL; BEGIN;"
                         "CREATE TABLE records(key BLOB PRIMARY KEY, data BLOB NOT NULL) "
                         "WITHOUT ROWID",
                         nullptr, nullptr, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db, "INSERT INTO records(key, data) VALUES(?1, ?2)", -1, &put,
                               nullptr) == SQLITE_OK;
  kvb::Record record(&layout);
  for (int i = 0; ok && i < records; ++i) {
    record.Clear();
    record.Put("STKNO", 0, StockOf(i));
    record.Put("VIN", 0, "1HGCM82633A" + StockOf(i));
    record.Put("MAK", 0, "HONDA");
    std::string_view key = record.Key();
    sqlite3_bind_blob(put, 1, key.data(), key.size(), SQLITE_STATIC);
    sqlite3_bind_blob(put, 2, record.bytes().data(), record.bytes().size(), SQLITE_STATIC);
    ok = sqlite3_step(put) == SQLITE_DONE;
    sqlite3_reset(put);
  }
  sqlite3_finalize(put);
  ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

struct PlainSqlite {
  sqlite3* db = nullptr;
  sqlite3_stmt* get = nullptr;
  sqlite3_stmt* put = nullptr;
  ~PlainSqlite() {
    sqlite3_finalize(get);
    sqlite3_finalize(put);
    sqlite3_close(db);
  }
  bool Open(const std::string& path) {
    return sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
           sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", nullptr, nullptr,
                        nullptr) == SQLITE_OK &&
           sqlite3_prepare_v2(db, "SELECT data FROM records WHERE key = ?1", -1, &get, nullptr) ==
               SQLITE_OK &&
           sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO records(key, data) VALUES(?1, ?2)", -1,
                              &put, nullptr) == SQLITE_OK;
  }
};

long PlainCycles(PlainSqlite& plain, int records, double seconds, std::mt19937& random) {
  long cycles = 0;
  std::uniform_int_distribution<int> pick(0, records - 1);
  std::string data;
  auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (Clock::now() < end) {
    std::string key = StockOf(pick(random));
    sqlite3_bind_blob(plain.get, 1, key.data(), key.size(), SQLITE_STATIC);
    if (sqlite3_step(plain.get) != SQLITE_ROW) return -1;
    data.assign(static_cast<const char*>(sqlite3_column_blob(plain.get, 0)),
                sqlite3_column_bytes(plain.get, 0));
    sqlite3_reset(plain.get);
    data[6] = cycles % 2 ? '2' : '1';
    sqlite3_bind_blob(plain.put, 1, key.data(), key.size(), SQLITE_STATIC);
    sqlite3_bind_blob(plain.put, 2, data.data(), data.size(), SQLITE_STATIC);
    if (sqlite3_step(plain.put) != SQLITE_DONE) return -1;
    sqlite3_reset(plain.put);
    ++cycles;
  }
  return cycles;
}

// Deals for a while: a write to each of the four files under first .. first
// + 3 (the first a random record of the filled file), in one transaction or
// not. Returns deals done, or -1 on a failure.
long Deals(int16_t first, bool in_transaction, int records, double seconds, std::mt19937& random) {
  long deals = 0;
  std::uniform_int_distribution<int> pick(0, records - 1);
  auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (Clock::now() < end) {
    if (in_transaction && KVBbegin(first) != 0) return -1;
    std::string key = StockOf(pick(random));
    if (KVBposn(first, key.c_str(), -1, "", KVB_POSN_ON_KEY) != 0 ||
        KVBread(first, KVB_READ_AT_POSITION) != 0) {
      return -1;
    }
    KVBfput(deals % 2 ? "2" : "1", "ACT", first, 0, 0);
    if (KVBwrite(first, 1, KVB_WRITE_KEYED) != 0) return -1;
    for (int16_t file = first + 1; file < first + 4; ++file) {
      KVBrclear(file);
      KVBfput(StockOf(static_cast<int>(deals % records)).c_str(), "STKNO", file, 0, 0);
      if (KVBwrite(file, 1, KVB_WRITE_KEYED) != 0) return -1;
    }
    if (in_transaction && KVBcommit(first) != 0) return -1;
    ++deals;
  }
  return deals;
}

// Runs Deals in a transaction and without, and prints rates and syncs.
bool CompareDeals(const std::string& folder, const kvb::Layout& layout, int records,
                  double seconds) {
  kvb::StoreCache stores;
  const int16_t first = KVBinit(0);
  for (const char* name : {"DEAL1.DAT", "DEAL2.DAT", "DEAL3.DAT"}) {
    if (kvb::CreateKeyedFile(stores, folder + "/" + name, layout) != 0) return false;
  }
  int16_t number = first;
  for (const char* name : {"LIB.DAT", "DEAL1.DAT", "DEAL2.DAT", "DEAL3.DAT"}) {
    if (KVBopen((folder + "/" + name).c_str(), (folder + "/BENCH.FID").c_str(), "", number++, 3,
                0) != 0) {
      return false;
    }
  }
  std::mt19937 random(7);
  for (bool in_transaction : {true, false}) {
    long syncs = kvb::SyncsSoFar();
    long deals = Deals(first, in_transaction, records, seconds / 2, random);
    if (deals <= 0) return false;
    printf("deal of 4 writes, %s: %10.0f deals/s, %.2f syncs per deal\n",
           in_transaction ? "one transaction" : "four commits  ", deals / (seconds / 2),
           static_cast<double>(kvb::SyncsSoFar() - syncs) / deals);
  }
  return KVBcloseall(first) == 0;
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (i + 1 < argc && arg == "--seconds") {
      options->seconds = atof(argv[++i]);
    } else if (i + 1 < argc && arg == "--records") {
      options->records = atoi(argv[++i]);
    } else if (i + 1 < argc && arg == "--dir") {
      options->dir = argv[++i];
    } else if (arg == "--deals") {
      options->deals = true;
    } else {
      return false;
    }
  }
  return options->seconds > 0 && options->records > 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    fprintf(stderr, "usage: kvb_bench [--seconds S] [--records N] [--dir DIR] [--deals]\n");
    return 2;
  }
  if (options.deals && !kvb::CountSyncs()) {
    fprintf(stderr, "kvb_bench: cannot count syncs\n");
    return 1;
  }
  std::string folder = options.dir + "/kvb-bench-XXXXXX";
  if (mkdtemp(folder.data()) == nullptr) {
    perror(options.dir.c_str());
    return 1;
  }
  kvb::Layout layout;
  std::string error;
  kvb::ParseLayout(kLayout, "bench.FID", &layout, &error);
  FILE* fid = fopen((folder + "/BENCH.FID").c_str(), "w");
  fputs(kLayout, fid);
  fclose(fid);
  printf("filling two files of %d records in %s ...\n", options.records, folder.c_str());
  if (!Fill(folder + "/LIB.DAT", layout, options.records) ||
      !FillPlain(folder + "/PLAIN.DB", layout, options.records)) {
    fprintf(stderr, "kvb_bench: cannot fill the files\n");
    return 1;
  }
  KVBautosecure(1);
  const int16_t file = KVBinit(0) + 5;
  PlainSqlite plain;
  if (KVBopen((folder + "/LIB.DAT").c_str(), (folder + "/BENCH.FID").c_str(), "", file, 3, 0) !=
          0 ||
      !plain.Open(folder + "/PLAIN.DB")) {
    fprintf(stderr, "kvb_bench: cannot open the files\n");
    return 1;
  }
  std::mt19937 random(42);
  long library_cycles = 0, plain_cycles = 0;
  const double slice = options.seconds / 3;
  for (int round = 0; round < 3; ++round) {  // alternate, so drift hits both alike
    long a = LibraryCycles(file, options.records, slice, random);
    long b = PlainCycles(plain, options.records, slice, random);
    if (a < 0 || b < 0) {
      fprintf(stderr, "kvb_bench: a cycle failed (library %ld, plain %ld)\n", a, b);
      return 1;
    }
    library_cycles += a;
    plain_cycles += b;
  }
  KVBcloseall(file - 5);
  double library_rate = library_cycles / options.seconds;
  double plain_rate = plain_cycles / options.seconds;
  printf("libkvb  posn+rlock+read+fput+write: %10.0f cycles/s (%ld cycles)\n", library_rate,
         library_cycles);
  printf("sqlite  select+insert-or-replace:   %10.0f cycles/s (%ld cycles)\n", plain_rate,
         plain_cycles);
  printf("ratio plain/libkvb: %.3fx (goal: at most 1.3x)\n", plain_rate / library_rate);
  if (options.deals && !CompareDeals(folder, layout, options.records, options.seconds)) {
    fprintf(stderr, "kvb_bench: a deal failed\n");
    return 1;
  }
  std::filesystem::remove_all(folder);
  return 0;
}
