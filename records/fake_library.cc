#include "records/fake_library.h"

#include <algorithm>
#include <cstring>

#include "records/numeric.h"

namespace dext {

namespace {

FakeLibrary* active = nullptr;

std::string Text(const char* text) { return text != nullptr ? text : ""; }

template <typename... Args>
std::string CallText(const char* function, const Args&... args) {
  std::string text = function;
  text += '(';
  bool first = true;
  ((text += (first ? "" : ","), text += args, first = false), ...);
  return text + ')';
}

std::string Num(int value) { return std::to_string(value); }

// Rounds a plain number text to places decimals on its decimal digits,
// halves away from zero; the result has exactly places decimals.
std::string RoundDecimal(const std::string& number, int places) {
  places = std::max(places, 0);
  std::string plain = NumberText(NumericValue(number));
  bool negative = !plain.empty() && plain[0] == '-';
  if (negative) plain.erase(0, 1);
  std::size_t point = plain.find('.');
  std::string whole = plain.substr(0, point);
  std::string decimals = point == std::string::npos ? "" : plain.substr(point + 1);
  bool round_up = decimals.size() > static_cast<std::size_t>(places) && decimals[places] >= '5';
  decimals.resize(places, '0');
  std::string digits = whole + decimals;
  for (std::size_t i = digits.size(); round_up && i-- > 0;) {
    if (digits[i] == '9') {
      digits[i] = '0';
    } else {
      ++digits[i];
      round_up = false;
    }
  }
  if (round_up) digits.insert(0, "1");
  std::string text = digits.substr(0, digits.size() - places);
  if (places > 0) text += "." + digits.substr(digits.size() - places);
  bool zero = digits.find_first_not_of('0') == std::string::npos;
  return (negative && !zero ? "-" : "") + text;
}

}  // namespace

struct FakeLibrary::Calls {
  static FakeLibrary& F() { return *active; }

  static int16_t Init(int16_t base) {
    F().Note(CallText("KVBinit", Num(base)));
    return base == 0 ? F().base : 0;
  }
  static int16_t Open(const char* data, const char* layout, const char* text, int16_t file,
                      int16_t mode, int16_t flag) {
    int16_t status = F().Note(CallText("KVBopen", Text(data), Text(layout), Text(text), Num(file),
                                       Num(mode), Num(flag)));
    if (status != 0) return status;
    bool keyed = Text(layout) != "";
    if (!keyed && mode == 1 && !F().text_files_.count(Text(data))) return kMissing;
    F().files_[file] = OpenFile();
    F().files_[file].name = Text(data);
    F().files_[file].keyed = keyed;
    return 0;
  }
  static int16_t Make(const char* data, const char* layout, const char* text, int16_t file,
                      int16_t mode, int16_t flag) {
    int16_t status = F().Note(CallText("KVBmake", Text(data), Text(layout), Text(text), Num(file),
                                       Num(mode), Num(flag)));
    if (status != 0) return status;
    F().files_[file] = OpenFile();
    F().files_[file].name = Text(data);
    F().text_files_[Text(data)].clear();
    return 0;
  }
  static int16_t Close(int16_t file) {
    int16_t status = F().Note(CallText("KVBclose", Num(file)));
    if (status == 0) F().files_.erase(file);
    return status;
  }
  static int16_t CloseAll(int16_t base) {
    int16_t status = F().Note(CallText("KVBcloseall", Num(base)));
    if (status == 0) F().files_.clear();
    return status;
  }
  static int16_t Host(int16_t base, const char* type) {
    return F().Note(CallText("KVBhost", Num(base), Text(type)));
  }
  static void AutoSecure(int16_t on) { F().Note(CallText("KVBautosecure", Num(on))); }
  static int16_t Begin(int16_t base) { return F().Note(CallText("KVBbegin", Num(base))); }
  static int16_t Commit(int16_t base) { return F().Note(CallText("KVBcommit", Num(base))); }
  static int16_t Rollback(int16_t base) { return F().Note(CallText("KVBrollback", Num(base))); }
  static const char* ErrText(int16_t code) {
    const std::string call = CallText("KVBerrtext", Num(code));
    F().Note(call);
    return F().TextResult(call, "failure " + Num(code));
  }
  static const char* HostPath(const char* name) {
    const std::string call = CallText("KVBhostpath", Text(name));
    F().Note(call);
    return F().TextResult(call, "/host/" + Text(name));
  }
  static int16_t Err(int16_t base) {
    F().Note(CallText("KVBerr", Num(base)));
    return F().secondary_code;
  }
  static int16_t Position(int16_t file, const char* key, int16_t direction, const char* index,
                          int16_t flag) {
    int16_t status = F().Note(
        CallText("KVBposn", Num(file), Text(key), Num(direction), Text(index), Num(flag)));
    if (status == 0) F().files_[file].position = Text(key);
    return status;
  }
  static int16_t Read(int16_t file, int16_t option) {
    int16_t status = F().Note(CallText("KVBread", Num(file), Num(option)));
    if (status != 0) return status;
    auto open = F().files_.find(file);
    if (open == F().files_.end()) return kMissing;
    if (!open->second.keyed) return 0;
    const Record* record = F().FindRecord(open->second.name, open->second.position);
    if (record == nullptr) return kNoRecord;
    F().buffers_[file] = *record;
    return 0;
  }
  static int16_t Clear(int16_t file) {
    int16_t status = F().Note(CallText("KVBrclear", Num(file)));
    if (status == 0) F().buffers_[file].clear();
    return status;
  }
  static int16_t Copy(int16_t source, int16_t destination) {
    int16_t status = F().Note(CallText("KVBcopy", Num(source), Num(destination)));
    if (status != 0) return status;
    Record copy = F().buffers_[source];
    for (const auto& [key, value] : copy) F().buffers_[destination][key] = value;
    return 0;
  }
  static int16_t Lock(int16_t file) { return F().Note(CallText("KVBrlock", Num(file))); }
  static int16_t Write(int16_t file, int16_t count, int16_t option) {
    int16_t status = F().Note(CallText("KVBwrite", Num(file), Num(count), Num(option)));
    if (status != 0) return status;
    OpenFile& open = F().files_[file];
    if (open.keyed) {
      F().records_[open.name][open.position] = F().buffers_[file];
    } else {
      F().text_files_[open.name].push_back(open.pending_line);
      open.pending_line.clear();
    }
    return 0;
  }
  static int16_t Put(const char* text, int16_t file, int16_t width) {
    int16_t status = F().Note(CallText("KVBput", Text(text), Num(file), Num(width)));
    if (status != 0) return status;
    std::string piece = Text(text);
    if (width >= 0) piece.resize(width, ' ');
    F().files_[file].pending_line += piece;
    return 0;
  }
  static int16_t Get(char* buffer, int16_t file, int16_t* count) {
    int16_t status = F().Note(CallText("KVBget", Num(file), Num(*count)));
    if (status != 0) return status;
    auto open = F().files_.find(file);
    if (open == F().files_.end()) return kMissing;
    const std::vector<std::string>& lines = F().text_files_[open->second.name];
    if (open->second.next_line >= lines.size()) return kEndOfFile;
    std::string line = lines[open->second.next_line++];
    std::size_t most = *count < 0 ? KVB_WHOLE_LINE_MAX : static_cast<std::size_t>(*count);
    line.resize(std::min(line.size(), most));
    std::memcpy(buffer, line.c_str(), line.size() + 1);
    *count = static_cast<int16_t>(line.size());
    return 0;
  }
  static int16_t FieldPut(const char* value, const char* field, int16_t file, int16_t occurrence,
                          int16_t flag) {
    int16_t status = F().Note(
        CallText("KVBfput", Text(value), Text(field), Num(file), Num(occurrence), Num(flag)));
    if (status == 0) F().SetField(file, Text(field), occurrence, Text(value));
    return status;
  }
  static const char* FieldGet(const char* field, int16_t file, int16_t occurrence) {
    std::string call = CallText("KVBfiditemstub", Text(field), Num(file), Num(occurrence));
    F().Note(call);
    return F().TextResult(call, F().Field(file, Text(field), occurrence));
  }
  static const char* Round(const char* number, int16_t places) {
    std::string call = CallText("KVBroundstub", Text(number), Num(places));
    F().Note(call);
    return F().TextResult(call, RoundDecimal(Text(number), places));
  }
  static const char* Edit(const char* number, const char* picture, char* currency) {
    std::string call = CallText("KVBedit", Text(number), Text(picture), Text(currency));
    F().Note(call);
    std::string shape = Text(picture);
    std::size_t point = shape.find('.');
    int places = point == std::string::npos ? 0 : static_cast<int>(shape.size() - point - 1);
    std::string edited = RoundDecimal(Text(number), places);
    if (edited.size() > shape.size()) edited.clear();
    else edited.insert(0, shape.size() - edited.size(), ' ');
    return F().TextResult(call, edited);
  }
  static const char* Unedit(const char* edited) {
    std::string call = CallText("KVBunedit", Text(edited));
    F().Note(call);
    std::string plain, text = Text(edited);
    for (char c : text) {
      if ((c >= '0' && c <= '9') || c == '.') plain += c;
    }
    if (text.find('-') != std::string::npos) plain.insert(0, "-");
    return F().TextResult(call, plain);
  }
  static const char* Picture(const char* text, const char* picture, int32_t* flag) {
    std::string call = CallText("KVBpicture", Text(text), Text(picture), Num(*flag));
    F().Note(call);
    return F().TextResult(call, Text(text));
  }
  static const char* LeftJustify(const char* text, const char* pad) {
    return Echo(CallText("KVBljust", Text(text), Text(pad)), text);
  }
  static const char* Center(const char* text, const char* pad) {
    return Echo(CallText("KVBcenter", Text(text), Text(pad)), text);
  }
  static const char* RightJustify(const char* text, const char* pad) {
    return Echo(CallText("KVBrjust", Text(text), Text(pad)), text);
  }
  static const char* DateForm(const char* format) {
    return Echo(CallText("KVBdateform", Text(format)), format);
  }
  static const char* Echo(const std::string& call, const char* text) {
    F().Note(call);
    return F().TextResult(call, Text(text));
  }
  static const char* DataGet(int16_t handle, int16_t index) {
    std::string call = CallText("KVBdataget", Num(handle), Num(index));
    F().Note(call);
    auto parameter = F().chain_parameters.find(index);
    return F().TextResult(call,
                          parameter == F().chain_parameters.end() ? "" : parameter->second);
  }
  static void GetFiles(int16_t handle, char* network_type) {
    F().Note(CallText("KVBgetfiles", Num(handle), Text(network_type)));
    const std::string& rewrite = F().rewritten_network_type;
    if (rewrite.empty()) return;
    std::size_t length = std::strlen(network_type);
    std::memcpy(network_type, rewrite.data(), std::min(length, rewrite.size()));
  }
  static void DataFree(int16_t handle) { F().Note(CallText("KVBdatafree", Num(handle))); }
  static int16_t FileExists(const char* name) {
    F().Note(CallText("KVBfileexists", Text(name)));
    std::string file = Text(name);
    return F().existing_files.count(file) || F().text_files_.count(file) ||
                   F().records_.count(file)
               ? 1
               : 0;
  }
};

FakeLibrary::FakeLibrary() : previous_table_(Library()), previous_fake_(active) {
  active = this;
  BindLibrary(RecordLibrary{
      &Calls::Init,        &Calls::Open,     &Calls::Make,      &Calls::Close,
      &Calls::CloseAll,    &Calls::Host,     &Calls::AutoSecure, &Calls::Err,
      &Calls::Position,    &Calls::Read,     &Calls::Clear,     &Calls::Copy,
      &Calls::Lock,        &Calls::Write,    &Calls::Put,       &Calls::Get,
      &Calls::FieldPut,    &Calls::FieldGet, &Calls::Round,     &Calls::Edit,
      &Calls::Unedit,      &Calls::Picture,  &Calls::LeftJustify, &Calls::Center,
      &Calls::RightJustify, &Calls::DateForm, &Calls::DataGet,  &Calls::GetFiles,
      &Calls::DataFree,    &Calls::FileExists, &Calls::Begin,   &Calls::Commit,
      &Calls::Rollback,    &Calls::ErrText,  &Calls::HostPath,
  });
}

FakeLibrary::~FakeLibrary() {
  BindLibrary(previous_table_);
  active = previous_fake_;
}

std::vector<std::string> FakeLibrary::CallsTo(const std::string& function) const {
  std::vector<std::string> found;
  for (const std::string& call : calls_) {
    if (call.compare(0, function.size() + 1, function + "(") == 0) found.push_back(call);
  }
  return found;
}

void FakeLibrary::FailCalls(const std::string& prefix, int16_t status, int times) {
  rules_.push_back(Rule{prefix, status, times});
}

void FakeLibrary::SetText(const std::string& prefix, const std::string& text) {
  texts_.emplace_back(prefix, text);
}

void FakeLibrary::SetTextFile(const std::string& name, const std::vector<std::string>& lines) {
  text_files_[name] = lines;
}

std::vector<std::string> FakeLibrary::TextFile(const std::string& name) const {
  auto file = text_files_.find(name);
  return file == text_files_.end() ? std::vector<std::string>() : file->second;
}

void FakeLibrary::SetRecord(const std::string& name, const std::string& key,
                            const Record& record) {
  records_[name][key] = record;
}

const FakeLibrary::Record* FakeLibrary::FindRecord(const std::string& name,
                                                   const std::string& key) const {
  auto file = records_.find(name);
  if (file == records_.end()) return nullptr;
  auto record = file->second.find(key);
  return record == file->second.end() ? nullptr : &record->second;
}

std::string FakeLibrary::Field(int16_t file, const std::string& field,
                               int16_t occurrence) const {
  auto buffer = buffers_.find(file);
  if (buffer == buffers_.end()) return "";
  auto value = buffer->second.find(FieldKey(field, occurrence));
  return value == buffer->second.end() ? "" : value->second;
}

void FakeLibrary::SetField(int16_t file, const std::string& field, int16_t occurrence,
                           const std::string& value) {
  buffers_[file][FieldKey(field, occurrence)] = value;
}

std::string FakeLibrary::FieldKey(const std::string& field, int16_t occurrence) {
  return occurrence <= 1 ? field : field + "#" + std::to_string(occurrence);
}

int16_t FakeLibrary::Note(const std::string& call) {
  calls_.push_back(call);
  for (auto rule = rules_.rbegin(); rule != rules_.rend(); ++rule) {
    if (rule->times == 0 || call.compare(0, rule->prefix.size(), rule->prefix) != 0) continue;
    if (rule->times > 0) --rule->times;
    return rule->status;
  }
  return 0;
}

const char* FakeLibrary::TextResult(const std::string& call, const std::string& text) {
  text_result_ = text;
  for (auto rule = texts_.rbegin(); rule != texts_.rend(); ++rule) {
    if (call.compare(0, rule->first.size(), rule->first) == 0) {
      text_result_ = rule->second;
      break;
    }
  }
  return text_result_.c_str();
}

}  // namespace dext
