// Record layouts (.FID files): the fields of a keyed record file.
//
// One line per field: NAME WIDTH [OCCURRENCES] [number] [key]. Blank lines
// and everything after '#' are ignored. Names are upper-case letters, digits
// and '_' (at most 16 characters, starting with a letter); widths 1 to 4000;
// occurrences 1 to 999 (1 when omitted). Exactly one field carries the word
// "key"; it does not repeat. The word "number" marks a field that holds a
// number: the records stay text, and the file's view (store_views.h) shows
// the field as a number. It changes nothing else, so a layout with and one
// without the mark describe the same records.
//
//   # KVIN.FID - vehicle inventory
//   STKNO   6      key
//   VIN    17
//   DA     10  22  number
#ifndef KVB_SRC_LAYOUT_H_
#define KVB_SRC_LAYOUT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvb {

struct Field {
  std::string name;
  int width = 0;
  int occurrences = 1;
  int offset = 0;  // of occurrence 1 within the record
  bool number = false;  // marked "number": shown as a number in the view
};

// A number no other layout made in this process has had.
uint64_t NextLayoutSerial();

class Layout {
 public:
  // Tells layouts apart: every layout made or parsed has its own; a copy
  // shares its original's, as it has the same fields.
  uint64_t serial() const { return serial_; }
  const std::vector<Field>& fields() const { return fields_; }
  const Field& key() const { return fields_[key_index_]; }
  int record_width() const { return record_width_; }

  // The field called name (any ASCII case), or nullptr. A lookup in a hash
  // index, without allocating: programs look fields up by name on every put
  // and get.
  const Field* Find(std::string_view name) const;

  // The layout as canonical text: equal for layouts with the same fields,
  // widths, occurrences, key and number marks, whatever their spacing and
  // comments. A data file stores it with its records.
  std::string Canonical() const;
  // The canonical text without the number marks: equal for layouts that
  // describe the same records. A data file refuses a layout whose shape
  // differs from its own.
  std::string Shape() const;

 private:
  friend bool ParseLayout(std::string_view, std::string_view, Layout*, std::string*);
  std::string Text(bool with_marks) const;
  // Appends a field and enters it into the index.
  void Add(Field field);
  // Enters fields_[f] into a free slot.
  void Enter(size_t f);

  std::vector<Field> fields_;
  // Open addressing by the hash of the upper-case name: an index into
  // fields_, or -1 for a free slot; at most half the slots are taken.
  std::vector<int> slots_;
  size_t key_index_ = 0;
  int record_width_ = 0;
  uint64_t serial_ = NextLayoutSerial();
};

// Parses layout text. source names it in errors. On failure returns false and
// sets *error to "source:line: what is wrong".
bool ParseLayout(std::string_view text, std::string_view source, Layout* layout,
                 std::string* error);

// Reads and parses a layout file by host path: kNone, kMissingLayout (with
// *error) or kMalformedLayout (with *error).
int16_t LoadLayoutFile(const std::string& host_path, std::string_view display_name, Layout* layout,
                       std::string* error);

}  // namespace kvb

#endif  // KVB_SRC_LAYOUT_H_
