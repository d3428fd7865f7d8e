// The controls of a form: text boxes, labels and command buttons. Properties
// are plain members named as the designer names them; what a control does on
// its own (editing a text box) is in its methods. Positions are in twips.
#ifndef DEXT_TOOLKIT_CONTROLS_H_
#define DEXT_TOOLKIT_CONTROLS_H_

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

namespace toolkit {

class Form;

// Colours are 0xRRGGBB.
using Color = uint32_t;

struct Font {
  std::string name;
  double points = 0;
  bool bold = false;

  bool operator==(const Font&) const = default;
};

enum class ControlKind { kTextBox, kLabel, kCommandButton };

class Control {
 public:
  Control(ControlKind kind, std::string name, int16_t index);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind kind() const { return kind_; }
  bool IsTextBox() const { return kind_ == ControlKind::kTextBox; }
  // Labels never take the focus.
  bool CanTakeFocus() const { return kind_ != ControlKind::kLabel; }
  const std::string& name() const { return name_; }
  // Position in a control array; -1 for a control that is not in one.
  int16_t index() const { return index_; }
  Form* form() const { return form_; }

  std::string Tag;
  int Left = 0, Top = 0, Width = 0, Height = 0;
  int16_t TabIndex = 0;
  bool TabStop = false;  // kept for the designer; no Tab traversal uses it
  bool Visible = true;
  Color BackColor = 0xFFFFFF;
  Color ForeColor = 0x000000;
  std::optional<Font> font;  // none: the form's font

  // Focus events, run synchronously by Form::SetFocus.
  std::function<void()> on_got_focus;
  std::function<void()> on_lost_focus;

 private:
  friend class Form;
  ControlKind kind_;
  std::string name_;
  int16_t index_;
  Form* form_ = nullptr;
};

class TextBox : public Control {
 public:
  explicit TextBox(std::string name, int16_t index = -1);

  const std::string& Text() const { return text_; }
  // Replaces the text; the caret goes to the start, nothing selected.
  void SetText(std::string text);

  int16_t MaxLength = 0;  // 0: no limit
  // The selection lies between its anchor, where it began, and the caret;
  // SelStart is its lower end, whichever end that is.
  int16_t SelStart() const { return std::min(anchor_, caret_); }
  int16_t SelLength() const { return static_cast<int16_t>(std::abs(caret_ - anchor_)); }
  // Where the caret is: the end of the selection that Shift+arrows move.
  int16_t Caret() const { return caret_; }
  // Both are kept inside the text. SetSelStart puts anchor and caret there;
  // SetSelLength keeps the anchor at SelStart and puts the caret at the
  // selection's end.
  void SetSelStart(int16_t position);
  void SetSelLength(int16_t length);

  // The box's own handling of a navigation key (Left, Right, Home, End,
  // Delete). With Shift the caret moves and the anchor stays; without, the
  // selection ends. Other keys change nothing.
  void HandleNavigationKey(int16_t key_code, int shift);
  // The box's own handling of a character: 8 deletes the selection or the
  // character before the caret; 32 and above replace the selection and go in
  // at the caret unless the text is at MaxLength; other codes change nothing.
  void TypeCharacter(int16_t character);

 private:
  void DeleteSelection();
  int16_t TextLength() const { return static_cast<int16_t>(text_.size()); }

  std::string text_;
  int16_t anchor_ = 0;
  int16_t caret_ = 0;
};

class Label : public Control {
 public:
  explicit Label(std::string name, int16_t index = -1);
  std::string Caption;
};

class CommandButton : public Control {
 public:
  explicit CommandButton(std::string name, int16_t index = -1);
  std::string Caption;  // "&Cancel": C is the access key (Alt+C)
  bool Cancel = false;  // Escape clicks the button
  std::function<void()> on_click;

  // The access key in upper case, or 0.
  char AccessKey() const;
  // The caption as shown, without the "&".
  std::string ShownCaption() const;
};

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_CONTROLS_H_
