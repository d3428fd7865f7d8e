// The record buffer of an open keyed file, field by field. A read gives the
// field as the library holds it (cut or padded to its width, which may
// differ from what was put); a put is not checked, as the library ignores a
// field its layout lacks.
#ifndef DEXT_RECORDS_RECORD_FIELDS_H_
#define DEXT_RECORDS_RECORD_FIELDS_H_

#include <cstdint>
#include <string>

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

}  // namespace dext

#endif  // DEXT_RECORDS_RECORD_FIELDS_H_
