#include "record.h"

#include <algorithm>
#include <cstring>

#include "status.h"

namespace kvb {
namespace {

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

void Fill(std::string& bytes, int offset, int width, std::string_view value) {
  size_t n = std::min<size_t>(value.size(), width);
  std::memmove(bytes.data() + offset, value.data(), n);
  std::memset(bytes.data() + offset + n, ' ', width - n);
}

}  // namespace

int16_t NormalizeKey(std::string_view key, int width, std::string* normalized) {
  std::string_view trimmed = TrimRight(key);
  if (trimmed.size() > static_cast<size_t>(width)) return kKeyTooLong;
  *normalized = std::string(trimmed) + std::string(width - trimmed.size(), ' ');
  return kNone;
}

Record::Record(const Layout* layout) : layout_(layout), bytes_(layout->record_width(), ' ') {}

bool Record::Assign(std::string_view data) {
  if (data.size() != bytes_.size()) return false;
  bytes_.assign(data);
  return true;
}

void Record::Clear() { bytes_.assign(bytes_.size(), ' '); }

int Record::Locate(std::string_view name, int occurrence, const Field** field,
                   int16_t* code) const {
  *field = layout_->Find(name);
  if (*field == nullptr) {
    *code = kUnknownField;
    return -1;
  }
  if (occurrence == 0) occurrence = 1;
  if (occurrence < 0 || occurrence > (*field)->occurrences) {
    *code = kUnknownOccurrence;
    return -1;
  }
  return (*field)->offset + (occurrence - 1) * (*field)->width;
}

int16_t Record::Put(std::string_view name, int occurrence, std::string_view value) {
  const Field* field;
  int16_t code = kNone;
  int offset = Locate(name, occurrence, &field, &code);
  if (offset < 0) return code;
  if (field == &layout_->key() && TrimRight(value).size() > static_cast<size_t>(field->width)) {
    return kKeyTooLong;
  }
  Fill(bytes_, offset, field->width, value);
  return kNone;
}

int16_t Record::Get(std::string_view name, int occurrence, std::string_view* value) const {
  const Field* field;
  int16_t code = kNone;
  int offset = Locate(name, occurrence, &field, &code);
  if (offset < 0) return code;
  *value = std::string_view(bytes_).substr(offset, field->width);
  return kNone;
}

std::string_view Record::Key() const {
  const Field& key = layout_->key();
  return std::string_view(bytes_).substr(key.offset, key.width);
}

const Record::CopyPlan& Record::PlanCopyFrom(const Layout& source) {
  constexpr size_t kPlansKept = 4;
  for (const CopyPlan& plan : copy_plans_) {
    if (plan.source_serial == source.serial()) return plan;
  }
  if (copy_plans_.size() == kPlansKept) copy_plans_.erase(copy_plans_.begin());
  CopyPlan& plan = copy_plans_.emplace_back();
  plan.source_serial = source.serial();
  if (const Field* key = source.Find(layout_->key().name); key != nullptr) {
    plan.source_key_offset = key->offset;
    plan.source_key_width = key->width;
  }
  for (const Field& to : layout_->fields()) {
    const Field* from = source.Find(to.name);
    if (from == nullptr) continue;
    plan.fields.push_back({from->offset, from->width, to.offset, to.width,
                           std::min(to.occurrences, from->occurrences)});
  }
  return plan;
}

int16_t Record::CopyFrom(const Record& source) {
  if (&source == this) return kNone;
  const CopyPlan& plan = PlanCopyFrom(source.layout());
  // The key field is the only one that may refuse its value: checked first,
  // so that a refusal leaves the record as it was.
  if (plan.source_key_offset >= 0) {
    std::string_view value =
        std::string_view(source.bytes_).substr(plan.source_key_offset, plan.source_key_width);
    if (TrimRight(value).size() > static_cast<size_t>(layout_->key().width)) return kKeyTooLong;
  }
  for (const SharedField& field : plan.fields) {
    for (int i = 0; i < field.occurrences; ++i) {
      std::string_view value =
          std::string_view(source.bytes_)
              .substr(field.from_offset + i * field.from_width, field.from_width);
      Fill(bytes_, field.to_offset + i * field.to_width, field.to_width, value);
    }
  }
  return kNone;
}

}  // namespace kvb
