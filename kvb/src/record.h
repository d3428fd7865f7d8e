// A record buffer: the fixed-width text of one record of a layout, every
// field padded with blanks.
#ifndef KVB_SRC_RECORD_H_
#define KVB_SRC_RECORD_H_

#include <string>
#include <string_view>

#include "layout.h"

namespace kvb {

class Record {
 public:
  explicit Record(const Layout* layout);

  const Layout& layout() const { return *layout_; }
  const std::string& bytes() const { return bytes_; }

  // Replaces the whole record; false (and nothing changed) when data has the
  // wrong width.
  bool Assign(std::string_view data);
  void Clear();

  // Occurrence 0 addresses occurrence 1. Returns kNone, kUnknownField or
  // kUnknownOccurrence. Put cuts or pads the value to the field's width, except
  // into the key field, where a value whose non-blank part does not fit is
  // refused with kKeyTooLong so that a record never lands under a cut key.
  int16_t Put(std::string_view name, int occurrence, std::string_view value);
  int16_t Get(std::string_view name, int occurrence, std::string_view* value) const;

  // The key field's value, padded to its width.
  std::string_view Key() const;

  // Copies every field whose name both layouts have, occurrence by
  // occurrence (as many as both have), cut or padded to this record's widths.
  // Refuses with kKeyTooLong, changing nothing, when the key would be cut.
  int16_t CopyFrom(const Record& source);

 private:
  // Offset of an occurrence, or -1 with *code set.
  int Locate(std::string_view name, int occurrence, const Field** field, int16_t* code) const;

  const Layout* layout_;
  std::string bytes_;
};

// key cut of trailing blanks must fit width; then padded. kNone or kKeyTooLong.
int16_t NormalizeKey(std::string_view key, int width, std::string* normalized);

}  // namespace kvb

#endif  // KVB_SRC_RECORD_H_
