// Reading a field definition: the fixed-column text in a text box's Tag.
// Columns are counted from 1; a definition shorter than a column reads a
// blank there.
#ifndef DEXT_SCREEN_FIELD_DEFINITION_H_
#define DEXT_SCREEN_FIELD_DEFINITION_H_

#include <string>

namespace dext {

class FieldDefinition {
 public:
  explicit FieldDefinition(const std::string& tag) : tag_(tag) {}

  // Columns 1-10 with trailing blanks removed.
  std::string Name() const;
  char TypeLetter() const { return Column(11); }
  char Justification() const { return Column(12); }
  char PadCharacter() const { return Column(13); }
  // Column 14 "Y": MoveFocus may give the field the focus.
  bool Eligible() const { return Column(14) == 'Y'; }
  // Column 17 "Y": the field does not complete itself when full.
  bool NoAutoCompletion() const { return Column(17) == 'Y'; }
  // Column 34 to the end.
  std::string Picture() const { return tag_.size() > 33 ? tag_.substr(33) : ""; }

 private:
  char Column(size_t column) const { return column <= tag_.size() ? tag_[column - 1] : ' '; }

  const std::string& tag_;
};

}  // namespace dext

#endif  // DEXT_SCREEN_FIELD_DEFINITION_H_
