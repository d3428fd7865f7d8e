// A field definition: the fixed-column text in a text box's Tag. Columns are
// counted from 1; a definition shorter than a column reads a blank there.
#ifndef DEXT_SCREEN_FIELD_DEFINITION_H_
#define DEXT_SCREEN_FIELD_DEFINITION_H_

#include <string>

namespace dext {

// Columns 1-10 hold the name, columns from 34 on the picture.
inline constexpr size_t kFieldNameColumns = 10;
inline constexpr size_t kPictureColumn = 34;

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
  std::string Picture() const {
    return tag_.size() >= kPictureColumn ? tag_.substr(kPictureColumn - 1) : "";
  }

 private:
  char Column(size_t column) const { return column <= tag_.size() ? tag_[column - 1] : ' '; }

  const std::string& tag_;
};

// What a field definition says, column by column.
struct FieldSettings {
  std::string name;
  // A digit: a number with that many decimal places; a letter: the
  // characters the field takes (see FilterCharacter).
  char type = 'X';
  // 'L', 'C' or 'R'; any other: as typed.
  char justification = 'L';
  char pad = ' ';
  bool eligible = true;
  bool auto_completion = true;
  std::string picture{};
};

// The definition text of the settings; columns 15 and 16, which the screen
// does not read, are "N".
std::string FieldDefinitionText(const FieldSettings& settings);

}  // namespace dext

#endif  // DEXT_SCREEN_FIELD_DEFINITION_H_
