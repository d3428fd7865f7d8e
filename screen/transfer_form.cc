#include "screen/transfer_form.h"

#include <iterator>
#include <memory>
#include <string>

#include "screen/field_definition.h"
#include "screen/handlers.h"

namespace dext {

namespace {

std::unique_ptr<toolkit::Form>& FormSlot() {
  static std::unique_ptr<toolkit::Form> form;
  return form;
}

const toolkit::Font kSansSerifBold{"MS Sans Serif", 13.5, true};
const toolkit::Font kSansSerifSmall{"MS Sans Serif", 8.25, false};
const toolkit::Font kSansSerifSmallBold{"MS Sans Serif", 8.25, true};

constexpr toolkit::Color kBlack = 0x000000;
constexpr toolkit::Color kWhite = 0xFFFFFF;
constexpr toolkit::Color kGrey = 0xC0C0C0;
constexpr toolkit::Color kLightGrey = 0xE0E0E0;
constexpr toolkit::Color kLightBlue = 0xC0C0FF;
constexpr toolkit::Color kDarkBlue = 0x0000C0;

template <typename T>
void Place(T& control, int left, int top, int width, int height, int16_t tab_index) {
  control.Left = left;
  control.Top = top;
  control.Width = width;
  control.Height = height;
  control.TabIndex = tab_index;
  control.TabStop = false;
}

// Every field takes any character, upper-cased, and may have the focus.
struct FieldDesign {
  const char* name;
  char justification;
  int left, top, width, height;
  int16_t max_length;
  toolkit::Color back_color;
  bool own_font;
};

constexpr FieldDesign kFields[] = {
    {"STKNO", 'C', 2550, 870, 1575, 405, 6, kLightGrey, true},
    {"DNP", 'L', 2100, 2280, 2490, 240, 20, kLightBlue, false},
    {"DPYN", 'L', 4590, 2760, 180, 240, 1, kGrey, false},
};

void AddFields(toolkit::Form& form) {
  for (int16_t index = 0; index < static_cast<int16_t>(std::size(kFields)); ++index) {
    const FieldDesign& design = kFields[index];
    auto& box = form.Add(std::make_unique<toolkit::TextBox>("kvf", index));
    Place(box, design.left, design.top, design.width, design.height, index);
    box.Tag = FieldDefinitionText({.name = design.name, .justification = design.justification});
    box.MaxLength = design.max_length;
    box.BackColor = design.back_color;
    box.ForeColor = kBlack;
    if (design.own_font) box.font = kSansSerifBold;
    box.on_got_focus = [index] { kvf_GotFocus(index); };
    box.on_lost_focus = [index] { kvf_LostFocus(index); };
  }
}

void AddLabel(toolkit::Form& form, const char* name, const char* caption, int left, int top,
              int width, int height, int16_t tab_index, toolkit::Color fore_color,
              const toolkit::Font& font) {
  auto& label = form.Add(std::make_unique<toolkit::Label>(name));
  Place(label, left, top, width, height, tab_index);
  label.Caption = caption;
  label.BackColor = kGrey;
  label.ForeColor = fore_color;
  label.font = font;
}

std::unique_ptr<toolkit::Form> BuildTransferForm() {
  auto form = std::make_unique<toolkit::Form>("dext01");
  form->Caption = " DEXT";
  form->BackColor = kGrey;
  form->ForeColor = kWhite;
  form->font = toolkit::Font{"Fixedsys", 9, false};
  form->Left = 1215;
  form->Top = 2415;
  form->ClientWidth = 6690;
  form->ClientHeight = kDesignedClientHeight;
  form->KeyPreview = true;

  AddFields(*form);
  auto& cancel = form->Add(std::make_unique<toolkit::CommandButton>("ButCancel"));
  Place(cancel, 6900, 2205, 720, 255, 3);
  cancel.Caption = "&Cancel";
  cancel.font = kSansSerifSmall;
  cancel.on_click = [] { ButCancel_Click(); };
  AddLabel(*form, "Label1", "Is Drive and Path Correct (Y/N):", 1800, 2760, 2760, 195, 6,
           kDarkBlue, kSansSerifSmallBold);
  AddLabel(*form, "L1000", "Transferring Customer Data To Accounting", 353, 150, 5985, 360, 4,
           kDarkBlue, kSansSerifBold);
  AddLabel(*form, "L1001", "Drive and Path To Transfer Data To", 1800, 1980, 3090, 195, 5,
           kBlack, kSansSerifSmallBold);

  form->on_key_down = [](int16_t& key_code, int shift) { Form_KeyDown(key_code, shift); };
  form->on_key_press = [](int16_t& c) { Form_KeyPress(c); };
  form->on_key_up = [](int16_t& key_code, int shift) { Form_KeyUp(key_code, shift); };
  form->on_click = [] { Form_Click(); };
  return form;
}

}  // namespace

toolkit::Form& TransferForm() {
  if (!FormSlot()) FormSlot() = BuildTransferForm();
  return *FormSlot();
}

bool TransferFormExists() { return FormSlot() != nullptr; }

void DestroyTransferForm() {
  FormSlot().reset();
  ResetHighlight();
}

}  // namespace dext
