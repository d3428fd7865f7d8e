// A record buffer: the fixed-width text of one record of a layout, every
// field padded with blanks.
#ifndef KVB_SRC_RECORD_H_
#define KVB_SRC_RECORD_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
  // One field both layouts have: where its occurrences lie in each.
  struct SharedField {
    int from_offset, from_width, to_offset, to_width, occurrences;
  };
  // What a copy from a layout does, worked out on the first copy from it:
  // records are copied between the same few files again and again.
  struct CopyPlan {
    uint64_t source_serial = 0;  // no layout has serial 0
    int source_key_offset = -1;  // of the source's field named as this key; -1: none
    int source_key_width = 0;
    std::vector<SharedField> fields;
  };
  const CopyPlan& PlanCopyFrom(const Layout& source);

  // Offset of an occurrence, or -1 with *code set.
  int Locate(std::string_view name, int occurrence, const Field** field, int16_t* code) const;

  const Layout* layout_;
  std::string bytes_;
  std::vector<CopyPlan> copy_plans_;  // for the last few source layouts
};

// key cut of trailing blanks must fit width; then padded. kNone or kKeyTooLong.
int16_t NormalizeKey(std::string_view key, int width, std::string* normalized);

}  // namespace kvb

#endif  // KVB_SRC_RECORD_H_
