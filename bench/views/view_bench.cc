// What the views of keyed files (kvb/src/store_views.h) cost, in a folder's
// SQLite store:
//   - opening the store: a connection's first query, on the store with the
//     views and on a copy without them (SQLite reads the schema, the views'
//     definitions with it, on the first query);
//   - reading every record of an accounting file (KJRVH's 21 fields, 105
//     columns with the occurrences; one record in ten with accented names,
//     which the view converts byte by byte): through the
//     view with plain SQLite calls, every column as text, next to the
//     library's scan cutting the same fields and converting them to UTF-8
//     in C++ (what kvbtool dump does before its CSV).
// With --server CONNINFO (an empty database of a PostgreSQL server) the
// reading is timed there too: through the view with libpq, next to the
// library's scan.
// The sides alternate, R rounds each; min, median and max of each are
// printed, and the ratio of the medians.
//
//   view_bench [--records N] [--rounds R] [--dir DIR] [--server CONNINFO]
#include <libpq-fe.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "keyed_file.h"
#include "layout.h"
#include "record.h"
#include "store_cache.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  int records = 20000;
  int rounds = 7;
  std::string dir = "/var/tmp";
  std::string server;  // a connection string, or none
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; i += 2) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (value != nullptr && arg == "--records") {
      options.records = std::max(1, std::atoi(value));
    } else if (value != nullptr && arg == "--rounds") {
      options.rounds = std::max(1, std::atoi(value));
    } else if (value != nullptr && arg == "--dir") {
      options.dir = value;
    } else if (value != nullptr && arg == "--server") {
      options.server = value;
    } else {
      std::printf("usage: view_bench [--records N] [--rounds R] [--dir DIR] [--server CONNINFO]\n");
      std::exit(arg == "--help" ? 0 : 64);
    }
  }
  return options;
}

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string Utf8(std::string_view cp1252) {
  static const char32_t kHigh[32] = {0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021,
                                     0x2C6,  0x2030, 0x160,  0x2039, 0x152,  0x8D,   0x17D,  0x8F,
                                     0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};
  std::string out;
  for (unsigned char byte : cp1252) {
    const char32_t c = byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

kvb::Layout AccountingLayout() {
  kvb::Layout layout;
  std::string error;
  kvb::ParseLayout(
      "STKNO 6 key\nDELMO 2\nDELDAY 2\nDELYR 2\nSM 2\nSMNM 25\nLN1 15\nFN1 10\nMI1 1\n"
      "VIN 17\nYEAR 4 number\nMAK 10\nMODEL 10\nDA 9 22 number\nCA 9 22 number\nDC 6 22\n"
      "ACCT 6 22\nTA 9 number\nCP 9 number\nJRNL 2\nPOSTED 1\n",
      "KJRVH.FID", &layout, &error);
  return layout;
}

bool Fill(const std::string& path, const kvb::Layout& layout, int records) {
  kvb::StoreCache stores;
  std::unique_ptr<kvb::KeyedFile> file;
  if (kvb::CreateKeyedFile(stores, path, layout) != 0 ||
      kvb::KeyedFile::Open(stores, path, &layout, false, &file) != 0) {
    return false;
  }
  file->SetDurable(false);
  file->store().Begin();
  kvb::Record& record = file->buffer();
  for (int i = 0; i < records; ++i) {
    char stock[8];
    std::snprintf(stock, sizeof stock, "A%05u", static_cast<unsigned>(i) % 100000);
    record.Clear();
    record.Put("STKNO", 0, stock);
    record.Put("LN1", 0, i % 10 == 0 ? "M\xFCller-\xC5str\xF6m" : "MILLER");
    record.Put("SMNM", 0, "DANA WHITFIELD");
    for (int line = 1; line <= 22; line += 3) record.Put("DA", line, "  1234.56");
    record.Put("TA", 0, "  9999.99");
    if (file->Write() != 0) return false;
  }
  return file->store().Commit() == 0 && file->Sync() == 0;
}

// The first query of a new connection.
double OpenStore(const std::string& store) {
  const auto start = Clock::now();
  sqlite3* db = nullptr;
  sqlite3_open_v2(store.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_exec(db, "SELECT count(*) FROM kvb_files", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return Seconds(start);
}

double ReadView(const std::string& store, long* bytes) {
  const auto start = Clock::now();
  sqlite3* db = nullptr;
  sqlite3_open_v2(store.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* query = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM kjrvh_dat", -1, &query, nullptr);
  *bytes = 0;
  while (sqlite3_step(query) == SQLITE_ROW) {
    for (int c = 0; c < sqlite3_column_count(query); ++c) {
      sqlite3_column_text(query, c);
      *bytes += sqlite3_column_bytes(query, c);
    }
  }
  sqlite3_finalize(query);
  sqlite3_close(db);
  return Seconds(start);
}

double ReadServerView(const std::string& conninfo, long* bytes) {
  const auto start = Clock::now();
  PGconn* conn = PQconnectdb(conninfo.c_str());
  PGresult* result = PQexec(conn, "SELECT * FROM kjrvh_dat");
  *bytes = 0;
  for (int r = 0; r < PQntuples(result); ++r) {
    for (int c = 0; c < PQnfields(result); ++c) *bytes += PQgetlength(result, r, c);
  }
  PQclear(result);
  PQfinish(conn);
  return Seconds(start);
}

double ReadLibrary(const std::string& path, long* bytes) {
  const auto start = Clock::now();
  kvb::StoreCache stores;
  std::unique_ptr<kvb::KeyedFile> file;
  kvb::KeyedFile::Open(stores, path, nullptr, true, &file);
  kvb::Record& record = file->buffer();
  *bytes = 0;
  file->table().Scan([&](std::string_view data) {
    record.Assign(data);
    for (const kvb::Field& field : file->layout().fields()) {
      for (int i = 1; i <= field.occurrences; ++i) {
        std::string_view value;
        record.Get(field.name, i, &value);
        const size_t end = value.find_last_not_of(' ');
        *bytes += static_cast<long>(Utf8(value.substr(0, end + 1)).size());
      }
    }
    return true;
  });
  return Seconds(start);
}

void Print(const char* what, std::vector<double> times, double unit, const char* unit_name) {
  std::sort(times.begin(), times.end());
  std::printf("  %-44s min %8.2f  median %8.2f  max %8.2f %s\n", what, times.front() * unit,
              times[times.size() / 2] * unit, times.back() * unit, unit_name);
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  const fs::path root = fs::path(options.dir) / ("view-bench-" + std::to_string(getpid()));
  fs::create_directories(root / "views");
  fs::create_directories(root / "plain");
  const std::string data = (root / "views" / "KJRVH.DAT").string();
  if (!Fill(data, AccountingLayout(), options.records)) {
    std::fprintf(stderr, "view_bench: cannot make %s\n", data.c_str());
    return 1;
  }
  const std::string with_views = (root / "views" / "KVBSTORE.DB").string();
  const std::string without = (root / "plain" / "KVBSTORE.DB").string();
  fs::copy_file(with_views, without);
  sqlite3* db = nullptr;
  sqlite3_open(without.c_str(), &db);
  sqlite3_exec(db, "DROP VIEW kjrvh_dat", nullptr, nullptr, nullptr);
  sqlite3_close(db);

  std::vector<double> open_views, open_plain, view, library;
  long view_bytes = 0, library_bytes = 0;
  for (int round = 0; round < options.rounds; ++round) {
    for (int i = 0; i < 20; ++i) {
      open_views.push_back(OpenStore(with_views));
      open_plain.push_back(OpenStore(without));
    }
    view.push_back(ReadView(with_views, &view_bytes));
    library.push_back(ReadLibrary(data, &library_bytes));
  }
  int columns = 0;
  const kvb::Layout layout = AccountingLayout();
  for (const kvb::Field& field : layout.fields()) columns += field.occurrences;
  std::printf("views of keyed files: %d records of %d columns, %d rounds\n", options.records,
              columns, options.rounds);
  Print("open a store with the views (first query)", open_views, 1e3, "ms");
  Print("open a store without them", open_plain, 1e3, "ms");
  Print("read every record through the view", view, 1e3, "ms");
  Print("read every record through the library", library, 1e3, "ms");
  std::printf("  the view reads at %.2fx the library's time; %ld and %ld bytes of text\n",
              Median(view) / Median(library), view_bytes, library_bytes);
  if (!options.server.empty()) {
    // Drive Q: is a folder whose keyed files are on the server.
    setenv("KVB_DRIVE_Q", (root / "server").c_str(), 1);
    setenv("KVB_STORE_Q", options.server.c_str(), 1);
    fs::create_directories(root / "server");
    const std::string on_server = (root / "server" / "KJRVH.DAT").string();
    if (!Fill(on_server, AccountingLayout(), options.records)) {
      std::fprintf(stderr, "view_bench: cannot make the file on the server\n");
      return 1;
    }
    std::vector<double> server_view, server_library;
    for (int round = 0; round < options.rounds; ++round) {
      server_view.push_back(ReadServerView(options.server, &view_bytes));
      server_library.push_back(ReadLibrary(on_server, &library_bytes));
    }
    Print("server: read every record through the view", server_view, 1e3, "ms");
    Print("server: read every record through the library", server_library, 1e3, "ms");
    std::printf("  the server's view reads at %.2fx the library's time\n",
                Median(server_view) / Median(server_library));
  }
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return 0;
}
