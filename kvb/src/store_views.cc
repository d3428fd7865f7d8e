#include "store_views.h"

#include <cctype>
#include <set>
#include <vector>

#include "cause.h"
#include "sql_transaction.h"
#include "status.h"

namespace kvb {
namespace {

// The code points of Windows-1252 bytes 0x80 to 0x9F; the five bytes it
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) are the C1 controls of the
// same value, as Windows has them. Every other byte is its own code point.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Serialises the making of views on a server, as the catalogue's making is.
constexpr char kViewLock[] = "SELECT pg_advisory_xact_lock(5355808830451892565)";

// What kvb_views keeps of the layout a view was made for: the layout with a
// first line (a comment in a layout) naming the form of the view's SQL, so
// that a library making its views otherwise remakes them.
std::string MadeFor(const Layout& layout) { return "# view form 3\n" + layout.Canonical(); }

// A plain number: an optional sign, digits with at most one decimal point.
constexpr char kPgNumber[] = "'^[+-]?([0-9]+[.]?[0-9]*|[.][0-9]+)$'";

// Text of the bytes r (a bytea) in the database's encoding, one character a
// byte, for records with one of the bytes convert() refuses: the undefined
// five (the C1 controls) and zero (U+FFFD, the replacement character).
constexpr char kPgTextFunction[] =
    "CREATE OR REPLACE FUNCTION kvb_text(r bytea) RETURNS text LANGUAGE sql IMMUTABLE STRICT"
    " PARALLEL SAFE AS $$ SELECT coalesce(string_agg(CASE"
    " WHEN get_byte(r, i) IN (129, 141, 143, 144, 157) THEN chr(get_byte(r, i))"
    " WHEN get_byte(r, i) = 0 THEN chr(65533)"
    " ELSE convert_from(convert(substr(r, i + 1, 1), 'WIN1252', 'UTF8'), 'UTF8') END,"
    " '' ORDER BY i), '') FROM generate_series(0, length(r) - 1) AS i $$";

// True for a record whose bytes convert() takes as Windows-1252.
constexpr char kPgConvertible[] =
    "position('\\x00'::bytea IN data) = 0 AND position('\\x81'::bytea IN data) = 0 AND"
    " position('\\x8d'::bytea IN data) = 0 AND position('\\x8f'::bytea IN data) = 0 AND"
    " position('\\x90'::bytea IN data) = 0 AND position('\\x9d'::bytea IN data) = 0";

struct Column {
  std::string name;  // lower case
  int position;      // of its first byte in the record, from 1
  int width;
  bool number;
};

// The fields and occurrences of layout as columns: NAME, or NAME_1 ..
// NAME_n for a repeating field; a name another field already has gets '_'
// after it until it is free.
std::vector<Column> ColumnsOf(const Layout& layout) {
  std::set<std::string> taken;
  for (const Field& field : layout.fields()) taken.insert(field.name);
  std::vector<Column> columns;
  std::set<std::string> used;
  for (const Field& field : layout.fields()) {
    for (int i = 1; i <= field.occurrences; ++i) {
      std::string name = field.name;
      if (field.occurrences > 1) {
        name += "_" + std::to_string(i);
        while (taken.count(name) || used.count(name)) name += "_";
      }
      used.insert(name);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      columns.push_back(
          {name, field.offset + (i - 1) * field.width + 1, field.width, field.number});
    }
  }
  return columns;
}

// Names compared as SQLite compares them: ASCII letters in any case.
bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string Identifier(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// A field's bytes as they are stored.
std::string Bytes(const Column& column) {
  return "substr(data, " + std::to_string(column.position) + ", " + std::to_string(column.width) +
         ")";
}

// A column cut from t, the record as text: every Windows-1252 byte is one
// character, so a field's characters stand where its bytes stand.
std::string Cut(const Column& column) {
  return "substr(t, " + std::to_string(column.position) + ", " + std::to_string(column.width) + ")";
}

// The name under which SqliteRecords gives the trimmed text of the number
// column number k.
std::string NumberText(size_t k) { return "kvb_n" + std::to_string(k); }

// The trimmed text of a number column, as SqliteRecords gives it: a number
// is ASCII, so its bytes are its text.
std::string SqliteNumberText(const Column& column) {
  return "trim(CAST(" + Bytes(column) + " AS TEXT))";
}

// An SQLite column over a row of SqliteRecords: a text column from the
// bytes of a record of ASCII alone (a text would be counted character by
// character), else from the record's converted text; the k-th number column
// from its text when that is a plain number (a sign or digit or point,
// then digits and points, a digit among them and at most one point).
std::string SqliteColumn(const Column& column, size_t k) {
  if (!column.number) {
    return "rtrim(CASE WHEN t IS NULL THEN CAST(" + Bytes(column) + " AS TEXT) ELSE " +
           Cut(column) + " END, ' ')";
  }
  const std::string s = NumberText(k);
  return "CASE WHEN " + s + " GLOB '[0-9.+-]*' AND substr(" + s + ", 2) NOT GLOB '*[^0-9.]*' AND " +
         s + " GLOB '*[0-9]*' AND " + s + " NOT GLOB '*.*.*' THEN CAST(" + s + " AS NUMERIC) END";
}

// A PostgreSQL column over a row of PgRecords: its bytes converted as they
// are cut (a text would be counted character by character). A number is
// ASCII: its bytes are its text.
std::string PgColumn(const Column& column) {
  if (column.number) {
    const std::string s = "btrim(encode(" + Bytes(column) + ", 'escape'))";
    return "CASE WHEN " + s + " ~ " + kPgNumber + " THEN " + s + "::numeric END";
  }
  return "rtrim(CASE WHEN plain THEN convert_from(convert(" + Bytes(column) +
         ", 'WIN1252', 'UTF8'), 'UTF8') ELSE kvb_text(" + Bytes(column) + ") END, ' ')";
}

std::string SelectList(const std::vector<Column>& columns, bool sqlite) {
  std::string list;
  size_t numbers = 0;
  for (const Column& column : columns) {
    list += (list.empty() ? "" : ", ") +
            (sqlite ? SqliteColumn(column, column.number ? numbers++ : 0) : PgColumn(column)) +
            " AS " + Identifier(column.name);
  }
  return list;
}

// Bytes at a time the conversion takes: an ASCII run of them as it is,
// others byte by byte.
constexpr int kChunk = 16;

// The text of the kChunk bytes of data from position i.
std::string SqliteChunk() {
  const std::string chunk = "CAST(substr(data, i, " + std::to_string(kChunk) + ") AS TEXT)";
  std::string bytes;
  for (int k = 0; k < kChunk; ++k) {
    bytes += std::string(k ? " || " : "") +
             "coalesce((SELECT text FROM kvb_cp1252 WHERE byte = substr(data, i + " +
             std::to_string(k) + ", 1)), '')";
  }
  return "CASE WHEN " + chunk + " GLOB '*[^' || char(1) || '-' || char(127) || ']*' THEN " + bytes +
         " ELSE " + chunk + " END";
}

// The records of an SQLite table: data; t, the record as text when it
// holds a byte beyond ASCII (NULL when not), converted once, kChunk bytes a
// step through kvb_cp1252; and the trimmed text of each number column, cut
// once for the checks made on it. The OFFSET keeps SQLite from folding
// these into every use.
std::string SqliteRecords(const std::string& table, const std::vector<Column>& columns) {
  std::string numbers;
  size_t k = 0;
  for (const Column& column : columns) {
    if (column.number) numbers += ", " + SqliteNumberText(column) + " AS " + NumberText(k++);
  }
  return "(SELECT data, CASE WHEN CAST(data AS TEXT) GLOB '*[^' || char(1) || '-' || char(127) ||"
         " ']*' THEN (WITH RECURSIVE c(i, t) AS (SELECT 1, '' UNION ALL SELECT i + " +
         std::to_string(kChunk) + ", t || " + SqliteChunk() +
         " FROM c WHERE i <= length(data)) SELECT t FROM c WHERE i > length(data)) END AS t" +
         numbers + " FROM " + Identifier(table) + " LIMIT -1 OFFSET 0)";
}

// The records of a file on a server: data, and plain, true when convert()
// takes all of it. The OFFSET keeps the check from being made for every
// column.
std::string PgRecords(const std::string& id) {
  return std::string("(SELECT data, ") + kPgConvertible +
         " AS plain FROM kvb_records WHERE file = " + id + " OFFSET 0)";
}

// The rows of kvb_cp1252: every byte and its character (zero: U+FFFD, as
// text holds no zero).
std::string CodeTableRows() {
  static const char kHex[] = "0123456789ABCDEF";
  std::string rows;
  for (int byte = 0; byte < 256; ++byte) {
    const char32_t code = byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
    rows += std::string(rows.empty() ? "" : ", ") + "(X'" + kHex[byte >> 4] + kHex[byte & 15] +
            "', char(" + std::to_string(byte == 0 ? 0xFFFD : code) + "))";
  }
  return rows;
}

int16_t Run(RecordStore& store, const std::string& sql, const std::vector<std::string>& params = {},
            SqlRows* rows = nullptr) {
  return store.RunSql(sql, params, rows);
}

// One value of a one-row query; "" for none.
int16_t Value(RecordStore& store, const std::string& sql, const std::vector<std::string>& params,
              std::string* value) {
  SqlRows rows;
  const int16_t code = Run(store, sql, params, &rows);
  *value = code == kNone && !rows.empty() && !rows[0].empty() ? rows[0][0] : "";
  return code;
}

// Makes kvb_views, and what the views read through (kvb_cp1252, kvb_text).
int16_t MakeCatalogue(RecordStore& store, bool sqlite) {
  if (int16_t code = Run(store,
                         "CREATE TABLE IF NOT EXISTS kvb_views(file TEXT PRIMARY KEY,"
                         " view TEXT NOT NULL UNIQUE, layout TEXT NOT NULL)");
      code != kNone) {
    return code;
  }
  if (!sqlite) {
    std::string missing;
    int16_t code = Value(store, "SELECT to_regprocedure('kvb_text(bytea)') IS NULL", {}, &missing);
    if (code == kNone && missing == "t") code = Run(store, kPgTextFunction);
    return code;
  }
  int16_t code = Run(store,
                     "CREATE TABLE IF NOT EXISTS kvb_cp1252(byte BLOB PRIMARY KEY,"
                     " text TEXT NOT NULL) WITHOUT ROWID");
  if (code == kNone)
    code = Run(store, "INSERT OR IGNORE INTO kvb_cp1252 VALUES " + CodeTableRows());
  return code;
}

// A name for file's view that no table or view of the database has, nor
// avoid (in any case).
int16_t FreeName(RecordStore& store, bool sqlite, const std::string& file, const std::string& avoid,
                 std::string* name) {
  const std::string taken =
      sqlite ? "SELECT (SELECT count(*) FROM sqlite_master WHERE lower(name) = lower(?1)) +"
               " (SELECT count(*) FROM kvb_views WHERE lower(view) = lower(?1))"
             : "SELECT (SELECT count(*) FROM pg_class c JOIN pg_namespace n ON n.oid ="
               " c.relnamespace WHERE n.nspname = current_schema() AND c.relname = $1) +"
               " (SELECT count(*) FROM kvb_views WHERE view = $1)";
  const std::string base = ViewName(file);
  for (int n = 1;; ++n) {
    *name = n == 1 ? base : base + "_" + std::to_string(n);
    std::string count;
    if (int16_t code = Value(store, taken, {*name}, &count); code != kNone) return code;
    if (count == "0" && !SameName(*name, avoid)) return kNone;
  }
}

// The SELECT a view of file runs.
int16_t ViewQuery(RecordStore& store, bool sqlite, const std::string& file, const Layout& layout,
                  std::string* query) {
  if (sqlite) {
    const std::vector<Column> columns = ColumnsOf(layout);
    *query =
        "SELECT " + SelectList(columns, true) + " FROM " + SqliteRecords(file, columns) + " AS r";
    return kNone;
  }
  std::string id;
  if (int16_t code = Value(store, "SELECT id FROM kvb_files WHERE name = $1", {file}, &id);
      code != kNone) {
    return code;
  }
  if (id.empty()) return WithCause(kMissingFile, "no keyed file " + file + " in the database");
  *query = "SELECT " + SelectList(ColumnsOf(layout), false) + " FROM " + PgRecords(id) + " AS r";
  return kNone;
}

}  // namespace

std::string ViewName(std::string_view file) {
  std::string name;
  for (char c : file) {
    const unsigned char u = static_cast<unsigned char>(c);
    name += std::isalnum(u) && u < 0x80 ? static_cast<char>(std::tolower(u)) : '_';
  }
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) name = "f_" + name;
  return name.substr(0, 48);  // room for a number after it within any limit
}

int16_t FindView(RecordStore& store, const std::string& file, const Layout& layout,
                 std::string* view, bool* in_step) {
  const bool sqlite = store.dialect() == SqlDialect::kSqlite;
  SqlRows rows;
  const int16_t code =
      Run(store,
          sqlite ? "SELECT view, layout FROM kvb_views WHERE file = ?1 AND EXISTS (SELECT 1 FROM"
                   " sqlite_master WHERE type = 'view' AND name = kvb_views.view)"
                 : "SELECT view, layout FROM kvb_views WHERE file = $1 AND"
                   " to_regclass(quote_ident(view)) IS NOT NULL",
          {file}, &rows);
  view->clear();
  *in_step = false;
  if (code != kNone || rows.empty()) return code;
  *view = rows[0][0];
  *in_step = rows[0][1] == MadeFor(layout);
  return kNone;
}

int16_t DropView(RecordStore& store, const std::string& file) {
  const bool sqlite = store.dialect() == SqlDialect::kSqlite;
  if (!sqlite && store.dialect() != SqlDialect::kPostgres) return kNone;
  // A failed query would undo a PostgreSQL transaction: look before asking.
  std::string views;
  int16_t code =
      Value(store,
            sqlite ? "SELECT count(*) FROM sqlite_master WHERE name = 'kvb_views'"
                   : "SELECT count(*) FROM pg_class WHERE oid = to_regclass('kvb_views')",
            {}, &views);
  if (code != kNone || views == "0") return code;
  std::string view;
  code = Value(store,
               sqlite ? "SELECT view FROM kvb_views WHERE file = ?1"
                      : "SELECT view FROM kvb_views WHERE file = $1",
               {file}, &view);
  if (code != kNone || view.empty()) return code;
  code = Run(store, "DROP VIEW IF EXISTS " + Identifier(view));
  if (code == kNone) {
    code = Run(
        store,
        sqlite ? "DELETE FROM kvb_views WHERE file = ?1" : "DELETE FROM kvb_views WHERE file = $1",
        {file});
  }
  return code;
}

namespace {

int16_t MakeViewAvoiding(RecordStore& store, const std::string& file, const Layout& layout,
                         const std::string& avoid) {
  const bool sqlite = store.dialect() == SqlDialect::kSqlite;
  if (!sqlite && store.dialect() != SqlDialect::kPostgres) return kNone;  // no SQL, no view
  std::string name, query;
  int16_t code = MakeCatalogue(store, sqlite);
  if (code == kNone) code = DropView(store, file);
  if (code == kNone) code = FreeName(store, sqlite, file, avoid, &name);
  if (code == kNone) code = ViewQuery(store, sqlite, file, layout, &query);
  if (code == kNone) code = Run(store, "CREATE VIEW " + Identifier(name) + " AS " + query);
  const std::string canonical = layout.Canonical();
  const std::string made_for = MadeFor(layout);
  if (code == kNone) {
    code = Run(store,
               sqlite ? "INSERT INTO kvb_views VALUES(?1, ?2, ?3)"
                      : "INSERT INTO kvb_views VALUES($1, $2, $3)",
               {file, name, made_for});
  }
  // The file's stored layout takes the number marks of the layout its view
  // follows, so that copies and tools reading the stored layout keep them.
  if (code == kNone) {
    code = Run(store,
               sqlite ? "UPDATE kvb_files SET layout = ?2 WHERE name = ?1 AND layout <> ?2"
                      : "UPDATE kvb_files SET layout = $2 WHERE name = $1 AND layout <> $2",
               {file, canonical});
  }
  return code;
}

}  // namespace

int16_t MakeView(RecordStore& store, const std::string& file, const Layout& layout) {
  return MakeViewAvoiding(store, file, layout, "");
}

int16_t FreeViewName(RecordStore& store, const std::string& table) {
  if (store.dialect() != SqlDialect::kSqlite) return kNone;
  SqlRows rows;
  if (Run(store, "SELECT file, layout FROM kvb_views WHERE lower(view) = lower(?1)", {table},
          &rows) != kNone) {
    DropCause();  // no views yet
    return kNone;
  }
  if (rows.empty()) return kNone;
  Layout layout;
  std::string error;
  if (!ParseLayout(rows[0][1], rows[0][0], &layout, &error)) return WithCause(kNotOurs, error);
  SqlTransaction transaction(store);
  int16_t code = transaction.Begin();
  if (code == kNone) code = MakeViewAvoiding(store, rows[0][0], layout, table);
  if (code == kNone) code = transaction.Commit();
  return code;
}

int16_t KeepView(RecordStore& store, const std::string& file, const Layout& layout) {
  if (store.dialect() == SqlDialect::kNone) return kNone;
  std::string view;
  bool in_step = false;
  const int16_t found = FindView(store, file, layout, &view, &in_step);
  if (found == kNone && in_step) return kNone;
  // A role refused even the reading of kvb_views may not make views either.
  if (found == kWrongDirection) return found;
  DropCause();  // a store without kvb_views yet
  SqlTransaction transaction(store);
  int16_t code = transaction.Begin();
  if (code == kNone && store.dialect() == SqlDialect::kPostgres) code = Run(store, kViewLock);
  if (code == kNone) code = MakeCatalogue(store, store.dialect() == SqlDialect::kSqlite);
  // Another process may have made it meanwhile.
  if (code == kNone) code = FindView(store, file, layout, &view, &in_step);
  if (code == kNone && !in_step) code = MakeView(store, file, layout);
  if (code == kNone) code = transaction.Commit();
  return code;
}

void KeepViewIfPossible(RecordStore& store, const std::string& file, const Layout& layout) {
  if (store.in_transaction()) return;
  if (KeepView(store, file, layout) != kNone) DropCause();
}

}  // namespace kvb
