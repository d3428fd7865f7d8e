// A read-only view of each keyed file in its store's database, so that any
// SQL tool (the sqlite3 shell, psql, a spreadsheet through ODBC) reads the
// records without the library:
//
//   - one column per field, an occurrence of a repeating field as its own
//     column (DA 9 22 gives da_1 .. da_22), named in lower case;
//   - text converted from the records' Windows-1252 to the database's
//     encoding, without its trailing blanks;
//   - a field the layout marks "number" as a number: its text, blanks
//     around it aside, when that is a plain number (an optional sign,
//     digits, a decimal point), else NULL.
//
// A view is named after its file: the name in the store in lower case, every
// character other than a letter or digit made '_' ("KVIN.DAT" -> kvin_dat,
// "DLR\KVIN.DAT" on a server -> dlr_kvin_dat); a name starting with a digit
// gets "f_" in front, and a name another table or view has gets "_2", "_3"
// and so on after it. The table kvb_views lists each file's view and the
// layout it was made for (under a comment line naming the form of the
// view, so that another form is made again).
//
// Columns are cut from the record's bytes, not from a text, which both
// databases count character by character. SQLite has no Windows-1252
// conversion, and the view must work in a plain sqlite3 shell: a record of
// ASCII alone is cut as it is; any other is made text once, 16 bytes a step
// through the table kvb_cp1252 (a byte and its character), and cut from
// that text (every Windows-1252 byte is one character). On PostgreSQL each
// field is converted with convert() unless its record holds a byte convert()
// refuses (the five Windows-1252 leaves undefined, or zero); then it goes
// through the function kvb_text(bytea), made beside the views.
//
// Writes never go through a view: they keep going through the library and
// its record locks. The views cost the writes nothing; they are made and
// kept in step when files are made, opened, copied, upgraded, renamed.
#ifndef KVB_SRC_STORE_VIEWS_H_
#define KVB_SRC_STORE_VIEWS_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "layout.h"
#include "record_store.h"

namespace kvb {

// Makes the view of file (its name in the store) when it is missing or was
// made for another layout (number marks included), in a transaction of its
// own. kNone when the view is in step; a store whose records are in a
// transaction is left alone (kStoreInTransaction).
int16_t KeepView(RecordStore& store, const std::string& file, const Layout& layout);

// KeepView for a caller that can do without the view (a program opening
// the file, a role that may not make views): a failure is dropped with
// its cause, never reported.
void KeepViewIfPossible(RecordStore& store, const std::string& file, const Layout& layout);

// Inside the caller's administration transaction: makes the view of file
// for layout, replacing the one it had, or drops it (and its entry).
int16_t MakeView(RecordStore& store, const std::string& file, const Layout& layout);
int16_t DropView(RecordStore& store, const std::string& file);

// In a folder's store, where the records of a file are a table named after
// it: moves a view named table (in any case) to another name, so that a
// table of that name can be made (KVIN_DAT beside the view kvin_dat of
// KVIN.DAT). Its own transaction; kNone when no view has the name.
int16_t FreeViewName(RecordStore& store, const std::string& table);

// The name of file's view and whether it was made for layout: kNone with
// *view "" when it has none.
int16_t FindView(RecordStore& store, const std::string& file, const Layout& layout,
                 std::string* view, bool* in_step);

// The name a view of file gets when no other table or view has it.
std::string ViewName(std::string_view file);

}  // namespace kvb

#endif  // KVB_SRC_STORE_VIEWS_H_
