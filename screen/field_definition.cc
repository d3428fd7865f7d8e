#include "screen/field_definition.h"

namespace dext {

std::string FieldDefinition::Name() const {
  const std::string name = tag_.substr(0, 10);
  const size_t last = name.find_last_not_of(' ');
  return last == std::string::npos ? "" : name.substr(0, last + 1);
}

}  // namespace dext
