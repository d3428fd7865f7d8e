#include "screen/field_definition.h"

namespace dext {

std::string FieldDefinition::Name() const {
  const std::string name = tag_.substr(0, kFieldNameColumns);
  const size_t last = name.find_last_not_of(' ');
  return last == std::string::npos ? "" : name.substr(0, last + 1);
}

std::string FieldDefinitionText(const FieldSettings& settings) {
  std::string text = settings.name.substr(0, kFieldNameColumns);
  text.resize(kFieldNameColumns, ' ');
  text += settings.type;
  text += settings.justification;
  text += settings.pad;
  text += settings.eligible ? 'Y' : 'N';
  text += "NN";
  text += settings.auto_completion ? 'N' : 'Y';
  text.resize(kPictureColumn - 1, ' ');
  return text + settings.picture;
}

}  // namespace dext
