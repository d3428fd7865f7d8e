// The record buffer of an open keyed file, field by field. A read gives the
// field as the library holds it (cut or padded to its width, which may
// differ from what was put); a put is not checked, as the library ignores a
// field its layout lacks.
#ifndef DEXT_RECORDS_RECORD_FIELDS_H_
#define DEXT_RECORDS_RECORD_FIELDS_H_

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include "context/file_numbers.h"
#include "records/numeric.h"

namespace dext {

class RecordFields {
 public:
  explicit RecordFields(FileNumber file) : file_(file) {}

  FileNumber file() const { return file_; }

  std::string Text(const std::string& field, int16_t occurrence = 0) const {
    return FieldValue(field, file_, occurrence);
  }
  double Number(const std::string& field, int16_t occurrence = 0) const {
    return NumericValue(Text(field, occurrence));
  }
  void Put(const std::string& value, const std::string& field, int16_t occurrence = 0) const {
    PutFieldValue(value, field, file_, occurrence);
  }

 private:
  FileNumber file_;
};

// A field name from a fixed list (an array of std::string_view), checked when
// compiling: naming a field that is not in the list does not compile.
template <const auto& kList>
struct ListedField {
  consteval ListedField(const char* field) : name(field) {
    if (std::find(std::begin(kList), std::end(kList), std::string_view(field)) == std::end(kList)) {
      throw "a field that is not in the list";
    }
  }
  const char* name;
};

// The record buffer of a keyed file, reached only through the fields of a
// list: a program that takes the fields it checks a layout for from the
// list cannot read or put one it did not check.
template <const auto& kList>
class ListedRecord {
 public:
  using Field = ListedField<kList>;

  explicit ListedRecord(FileNumber file) : record_(file) {}

  std::string Text(Field field) const { return record_.Text(field.name); }
  double Number(Field field) const { return record_.Number(field.name); }
  void Put(const std::string& value, Field field) const { record_.Put(value, field.name); }

 private:
  RecordFields record_;
};

}  // namespace dext

#endif  // DEXT_RECORDS_RECORD_FIELDS_H_
