#include "tools/kvbtool/check_command.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "cause.h"
#include "file_admin.h"
#include "keyed_file.h"
#include "path.h"
#include "status.h"
#include "store_views.h"
#include "tools/kvbtool/failure.h"

namespace kvbtool {
namespace {

// The first value of a query as a number (-1 when it failed).
long Count(kvb::RecordStore& store, const std::string& sql,
           const std::vector<std::string>& params) {
  kvb::SqlRows rows;
  if (store.RunSql(sql, params, &rows) != kvb::kNone || rows.empty()) return -1;
  return std::atol(rows[0][0].c_str());
}

// What is wrong with the catalogue of the server's database and with the
// records of the file name, one finding a line; empty when it is sound.
std::vector<std::string> CatalogueFindings(kvb::RecordStore& store, const std::string& name,
                                           const kvb::Layout& layout) {
  std::vector<std::string> findings;
  auto count = [&](const std::string& sql, const std::vector<std::string>& params,
                   const std::string& what) {
    const long found = Count(store, sql, params);
    if (found != 0) {
      findings.push_back(found < 0 ? "cannot count the " + what + ": " + kvb::TakeCause()
                                   : what + ": " + std::to_string(found));
    }
  };
  const std::string file = "(SELECT id FROM kvb_files WHERE name = $1)";
  count(
      "SELECT count(*) FROM kvb_records r WHERE NOT EXISTS (SELECT 1 FROM kvb_files f"
      " WHERE f.id = r.file)",
      {}, "records of no file in kvb_files");
  count("SELECT count(*) FROM kvb_records WHERE file = " + file + " AND length(data) <> $2",
        {name, std::to_string(layout.record_width())},
        "records of this file not as wide as its layout");
  const kvb::Field& key = layout.key();
  count(
      "SELECT count(*) FROM kvb_records WHERE file = " + file + " AND key <> substr(data, $2, $3)",
      {name, std::to_string(key.offset + 1), std::to_string(key.width)},
      "records of this file stored under another key than their key field's");
  kvb::SqlRows layouts;
  if (store.RunSql("SELECT name, layout FROM kvb_files", {}, &layouts) != kvb::kNone) {
    findings.push_back("cannot read kvb_files: " + kvb::TakeCause());
  }
  for (const auto& row : layouts) {
    kvb::Layout parsed;
    std::string error;
    if (!kvb::ParseLayout(row[1], row[0], &parsed, &error)) {
      findings.push_back("the stored layout of " + error);
    }
  }
  return findings;
}

}  // namespace

void PrintLayout(const kvb::Layout& layout, std::ostream& out) {
  out << "layout: " << layout.fields().size() << " fields, " << layout.record_width()
      << " characters a record, key " << layout.key().name << "\n";
  for (const kvb::Field& field : layout.fields()) {
    out << "  " << field.name << std::string(17 - field.name.size(), ' ') << field.width;
    if (field.occurrences > 1) out << " x " << field.occurrences;
    if (field.number) out << "  number";
    if (&field == &layout.key()) out << "  key";
    out << "\n";
  }
}

int RunServerCheck(const std::string& name, const std::string& host, Streams io) {
  kvb::StoreCache stores;
  std::unique_ptr<kvb::KeyedFile> file;
  kvb::KeyedFileAt at;
  long records = 0;
  const char drive = kvb::DriveOf(name);
  int16_t code = kvb::KeyedFile::Open(stores, host, nullptr, false, &file, drive);
  if (code == kvb::kNone) code = kvb::LocateKeyedFile(stores, host, &at, drive);
  if (code == kvb::kNone) code = kvb::CountRecords(at, &records);
  if (code != kvb::kNone) return FailedCode(io, name, code);
  kvb::RecordStore& store = file->store();
  kvb::SqlRows database;
  store.RunSql("SELECT current_database()", {}, &database);
  io.out << name << ": keyed record file " << at.name << " on the record server, database "
         << (database.empty() ? "?" : database[0][0]) << "\n";
  PrintLayout(file->layout(), io.out);
  io.out << "records: " << records << "\n";
  std::string view;
  bool in_step = false;
  if (kvb::FindView(store, at.name, file->layout(), &view, &in_step) == kvb::kNone &&
      !view.empty()) {
    io.out << "view: " << view << (in_step ? "" : " (made for another layout)") << "\n";
  } else {
    kvb::DropCause();
    io.out << "view: none (this role may not make views)\n";
  }
  const std::vector<std::string> findings = CatalogueFindings(store, at.name, file->layout());
  if (findings.empty()) {
    io.out << "catalogue: sound (every record belongs to a file; this file's records have its "
              "layout's width and are stored under their keys)\n";
    return 0;
  }
  io.out << "catalogue: damaged:\n";
  for (const std::string& finding : findings) io.out << "  " << finding << "\n";
  return Failed(io, name +
                        ": the server's catalogue of keyed files is damaged (restore the "
                        "database from a backup)");
}

}  // namespace kvbtool
