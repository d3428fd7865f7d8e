#include "records/fake_library.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>

#include "layout.h"
#include "record.h"
#include "status.h"

namespace dext {

namespace {

FakeLibrary* active = nullptr;

// The file numbers of a base, as libkvb hands them out.
constexpr int kFilesPerBase = 256;

std::string Text(const char* text) { return text != nullptr ? text : ""; }

std::string Num(int value) { return std::to_string(value); }

std::string TrimRight(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

// The last component of a file name, upper-cased: "F:\KD\FF\kjrvh.fid" is
// "KJRVH.FID".
std::string LayoutName(const std::string& file) {
  const size_t separator = file.find_last_of("\\/:");
  std::string name = separator == std::string::npos ? file : file.substr(separator + 1);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

// The field and occurrence a FieldKey stands for.
std::pair<std::string, int> SplitFieldKey(const std::string& key) {
  const size_t hash = key.find('#');
  if (hash == std::string::npos) return {key, 1};
  return {key.substr(0, hash), std::atoi(key.c_str() + hash + 1)};
}

}  // namespace

struct FakeLibrary::State {
  // A stored record: as written from a buffer of a known layout (its bytes),
  // or as given (its values). FindRecord shows the values, made from the
  // bytes when first asked.
  struct Stored {
    std::shared_ptr<const kvb::Layout> layout;
    std::string bytes;
    mutable std::optional<Record> values;
  };
  using Records = std::map<std::string, std::map<std::string, Stored>>;  // by file, key

  enum class Kind { kKeyed, kTextRead, kTextMade };

  struct OpenFile {
    std::string name;
    Kind kind = Kind::kKeyed;
    bool read_only = false;
    // A keyed file's buffer: libkvb's record of a known layout, else the
    // values as put.
    std::shared_ptr<const kvb::Layout> layout;
    std::unique_ptr<kvb::Record> record;
    Record values;
    std::optional<std::string> position;
    std::size_t next_line = 0;                // text file read
    std::vector<std::string> lines;           // text file made
    std::string pending_line;
  };

  // Known layouts by LayoutName; null for a text that does not parse.
  std::map<std::string, std::shared_ptr<const kvb::Layout>> layouts;
  std::map<int16_t, OpenFile> files;
  std::map<std::string, std::vector<std::string>> text_files;
  Records records;
  std::map<int16_t, Records> transactions;  // the records at KVBbegin, by base

  // The open file under number, or nullptr with *code set as libkvb sets it.
  OpenFile* Find(int16_t number, int16_t* code) {
    if (number <= 0) {
      *code = kvb::kBadFileNumber;
      return nullptr;
    }
    auto file = files.find(number);
    if (file == files.end()) {
      *code = kvb::kFileNotOpen;
      return nullptr;
    }
    return &file->second;
  }

  // The open transaction whose base's numbers include number, or end().
  std::map<int16_t, Records>::iterator TransactionOf(int number) {
    for (auto transaction = transactions.begin(); transaction != transactions.end();
         ++transaction) {
      if (number >= transaction->first && number < transaction->first + kFilesPerBase) {
        return transaction;
      }
    }
    return transactions.end();
  }

  void RollBack(std::map<int16_t, Records>::iterator transaction) {
    records = std::move(transaction->second);
    transactions.erase(transaction);
  }

  // Closes one file: a made text file is published; a keyed file under a
  // base with an open transaction rolls it back.
  void Close(int16_t number) {
    auto file = files.find(number);
    if (file == files.end()) return;
    OpenFile& open = file->second;
    if (open.kind == Kind::kTextMade) {
      if (!open.pending_line.empty()) open.lines.push_back(open.pending_line);
      text_files[open.name] = std::move(open.lines);
    } else if (open.kind == Kind::kKeyed) {
      if (auto transaction = TransactionOf(number); transaction != transactions.end()) {
        RollBack(transaction);
      }
    }
    files.erase(file);
  }

  void CloseBase(int16_t base) {
    if (auto transaction = transactions.find(base); transaction != transactions.end()) {
      RollBack(transaction);
    }
    std::vector<int16_t> numbers;
    for (const auto& [number, file] : files) {
      if (number >= base && number < base + kFilesPerBase) numbers.push_back(number);
    }
    for (int16_t number : numbers) Close(number);
  }

  // Every field occurrence of a record of a known layout, padded.
  static Record ValuesOf(const kvb::Layout& layout, const std::string& bytes) {
    Record values;
    for (const kvb::Field& field : layout.fields()) {
      for (int n = 1; n <= field.occurrences; ++n) {
        values[FieldKey(field.name, static_cast<int16_t>(n))] =
            bytes.substr(field.offset + (n - 1) * field.width, field.width);
      }
    }
    return values;
  }

  static const Record& ValuesOf(const Stored& stored) {
    if (!stored.values) stored.values = ValuesOf(*stored.layout, stored.bytes);
    return *stored.values;
  }

  // The buffer of a keyed file as it is stored.
  static Stored StoredOf(const OpenFile& file) {
    if (!file.record) return Stored{nullptr, "", file.values};
    return Stored{file.layout, file.record->bytes(), std::nullopt};
  }

  // Fills a buffer with a stored record; the fields a known layout lacks are
  // dropped.
  static void Load(const Stored& stored, OpenFile* file) {
    if (file->record && stored.layout == file->layout) {
      file->record->Assign(stored.bytes);
      return;
    }
    const Record& values = stored.layout ? ValuesOf(stored) : *stored.values;
    if (!file->record) {
      file->values = values;
      return;
    }
    file->record->Clear();
    for (const auto& [key, value] : values) {
      const auto [field, occurrence] = SplitFieldKey(key);
      file->record->Put(field, occurrence, value);
    }
  }

  const Stored* Find(const std::string& name, const std::string& key) const {
    auto file = records.find(name);
    if (file == records.end()) return nullptr;
    auto record = file->second.find(TrimRight(key));
    return record == file->second.end() ? nullptr : &record->second;
  }
};

struct FakeLibrary::Calls {
  using Kind = State::Kind;
  using OpenFile = State::OpenFile;

  static FakeLibrary& F() { return *active; }
  static State& S() { return *active->state_; }

  // The text of a call; none when nothing records it or could match it.
  template <typename... Args>
  static std::string CallText(const char* function, const Args&... args) {
    if (!F().record_calls && F().rules_.empty() && F().texts_.empty()) return std::string();
    std::string text = function;
    text += '(';
    bool first = true;
    ((text += (first ? "" : ","), text += args, first = false), ...);
    return text + ')';
  }

  // Records the call; the status of a scripted failure, else 0.
  static int16_t Scripted(const std::string& call) {
    return F().Note(call) ? F().last_failure_.status : 0;
  }
  static int16_t Fail(int16_t code) { return F().Fail(code); }

  // Runs body on the open file under number: 0, or the status of its code.
  template <typename Body>
  static int16_t WithFile(int16_t number, Body body) {
    int16_t code = kvb::kNone;
    OpenFile* file = S().Find(number, &code);
    if (file != nullptr) code = body(*file);
    return code == kvb::kNone ? 0 : Fail(code);
  }
  template <typename Body>
  static int16_t WithKeyed(int16_t number, Body body) {
    return WithFile(number, [&](OpenFile& file) -> int16_t {
      return file.kind == Kind::kKeyed ? body(file) : kvb::kNotKeyed;
    });
  }

  static int16_t Init(int16_t base) {
    if (int16_t status = Scripted(CallText("KVBinit", Num(base)))) return status;
    if (base == 0) return F().base;
    S().CloseBase(base);
    return 0;
  }

  static int16_t OpenKeyed(const std::string& layout_file, int16_t mode, OpenFile* file) {
    if (mode != 1 && mode != 3) return kvb::kBadMode;
    file->kind = Kind::kKeyed;
    file->read_only = mode == 1;
    auto known = S().layouts.find(LayoutName(layout_file));
    if (known == S().layouts.end()) return kvb::kNone;
    if (!known->second) return kvb::kMalformedLayout;
    file->layout = known->second;
    file->record = std::make_unique<kvb::Record>(file->layout.get());
    return kvb::kNone;
  }

  static int16_t Open(const char* data, const char* layout, const char* text, int16_t file,
                      int16_t mode, int16_t flag) {
    const std::string call = CallText("KVBopen", Text(data), Text(layout), Text(text), Num(file),
                                      Num(mode), Num(flag));
    if (int16_t status = Scripted(call)) return status;
    return OpenUnder(file, data, [&](OpenFile* open) -> int16_t {
      if (!Text(layout).empty()) return OpenKeyed(Text(layout), mode, open);
      if (mode != 1 && mode != 3) return kvb::kBadMode;
      if (!S().text_files.count(open->name)) return kvb::kMissingFile;
      open->kind = Kind::kTextRead;
      return kvb::kNone;
    });
  }

  static int16_t Make(const char* data, const char* layout, const char* text, int16_t file,
                      int16_t mode, int16_t flag) {
    const std::string call = CallText("KVBmake", Text(data), Text(layout), Text(text), Num(file),
                                      Num(mode), Num(flag));
    if (int16_t status = Scripted(call)) return status;
    return OpenUnder(file, data, [&](OpenFile* open) -> int16_t {
      if (Text(layout).empty()) {
        open->kind = Kind::kTextMade;
        return kvb::kNone;
      }
      if (S().records.count(open->name)) return kvb::kFileExists;
      if (int16_t code = OpenKeyed(Text(layout), 3, open); code != kvb::kNone) return code;
      S().records[open->name];
      return kvb::kNone;
    });
  }

  // The steps KVBopen and KVBmake share: check the number, close what is open
  // under it, open, and enter the file on success.
  template <typename Step>
  static int16_t OpenUnder(int16_t number, const char* data, Step step) {
    if (number <= 0) return Fail(kvb::kBadFileNumber);
    if (data == nullptr) return Fail(kvb::kBadArgument);
    S().Close(number);
    OpenFile open;
    open.name = data;
    if (int16_t code = step(&open); code != kvb::kNone) return Fail(code);
    S().files[number] = std::move(open);
    return 0;
  }

  static int16_t Close(int16_t file) {
    if (int16_t status = Scripted(CallText("KVBclose", Num(file)))) return status;
    if (file == 0) {
      while (!S().transactions.empty()) S().RollBack(S().transactions.begin());
      while (!S().files.empty()) S().Close(S().files.begin()->first);
      return 0;
    }
    int16_t code = kvb::kNone;
    if (S().Find(file, &code) == nullptr) return Fail(code);
    S().Close(file);
    return 0;
  }
  static int16_t CloseAll(int16_t base) {
    if (int16_t status = Scripted(CallText("KVBcloseall", Num(base)))) return status;
    if (base <= 0) return Fail(kvb::kBadFileNumber);
    S().CloseBase(base);
    return 0;
  }
  static int16_t Host(int16_t base, const char* type) {
    if (int16_t status = Scripted(CallText("KVBhost", Num(base), Text(type)))) return status;
    return base <= 0 ? Fail(kvb::kBadFileNumber) : 0;
  }
  static void AutoSecure(int16_t on) { F().Note(CallText("KVBautosecure", Num(on))); }

  static int16_t Begin(int16_t base) {
    if (int16_t status = Scripted(CallText("KVBbegin", Num(base)))) return status;
    if (S().transactions.count(base)) return Fail(kvb::kTransactionOpen);
    S().transactions[base] = S().records;
    return 0;
  }
  static int16_t Commit(int16_t base) {
    if (int16_t status = Scripted(CallText("KVBcommit", Num(base)))) return status;
    if (!S().transactions.erase(base)) return Fail(kvb::kNoTransaction);
    return 0;
  }
  static int16_t Rollback(int16_t base) {
    if (int16_t status = Scripted(CallText("KVBrollback", Num(base)))) return status;
    auto transaction = S().transactions.find(base);
    if (transaction == S().transactions.end()) return Fail(kvb::kNoTransaction);
    S().RollBack(transaction);
    return 0;
  }

  static int16_t Err(int16_t base) {
    F().Note(CallText("KVBerr", Num(base)));
    return F().last_failure_.code;
  }
  static const char* ErrCause(int16_t base) {
    const std::string call = CallText("KVBerrcause", Num(base));
    F().Note(call);
    return F().TextResult(call, "");
  }
  static const char* ErrText(int16_t code) {
    return PassedOn(CallText("KVBerrtext", Num(code)), [&] { return ::KVBerrtext(code); });
  }
  static const char* HostPath(const char* name) {
    const std::string call = CallText("KVBhostpath", Text(name));
    if (F().Note(call)) return F().TextResult(call, "");
    return F().TextResult(call, "/host/" + Text(name));
  }

  static int16_t Position(int16_t file, const char* key, int16_t direction, const char* index,
                          int16_t flag) {
    const std::string call =
        CallText("KVBposn", Num(file), Text(key), Num(direction), Text(index), Num(flag));
    if (int16_t status = Scripted(call)) return status;
    if (key == nullptr) return Fail(kvb::kBadArgument);
    return WithKeyed(file, [&](OpenFile& open) -> int16_t {
      std::string position = key;
      if (open.layout) {
        const int16_t code = kvb::NormalizeKey(key, open.layout->key().width, &position);
        if (code != kvb::kNone) return code;
      }
      open.position = std::move(position);
      return kvb::kNone;
    });
  }
  static int16_t Read(int16_t file, int16_t option) {
    if (int16_t status = Scripted(CallText("KVBread", Num(file), Num(option)))) return status;
    return WithFile(file, [&](OpenFile& open) -> int16_t {
      if (open.kind != Kind::kKeyed) {
        return open.kind == Kind::kTextRead ? kvb::kNone : kvb::kWrongDirection;
      }
      if (!open.position) return kvb::kNoPosition;
      const State::Stored* record = S().Find(open.name, *open.position);
      if (record == nullptr) return kvb::kNoRecord;
      State::Load(*record, &open);
      return kvb::kNone;
    });
  }
  static int16_t Clear(int16_t file) {
    if (int16_t status = Scripted(CallText("KVBrclear", Num(file)))) return status;
    return WithKeyed(file, [](OpenFile& open) -> int16_t {
      if (open.record) open.record->Clear();
      open.values.clear();
      return kvb::kNone;
    });
  }
  static int16_t Copy(int16_t source, int16_t destination) {
    if (int16_t status = Scripted(CallText("KVBcopy", Num(source), Num(destination)))) {
      return status;
    }
    int16_t code = kvb::kNone;
    OpenFile* from = S().Find(source, &code);
    OpenFile* to = from ? S().Find(destination, &code) : nullptr;
    if (to == nullptr) return Fail(code);
    if (from->kind != Kind::kKeyed || to->kind != Kind::kKeyed) return Fail(kvb::kNotKeyed);
    if (from == to) return 0;
    if (from->record && to->record) {
      code = to->record->CopyFrom(*from->record);
      return code == kvb::kNone ? 0 : Fail(code);
    }
    const State::Stored stored = State::StoredOf(*from);
    const Record& values = from->record ? State::ValuesOf(stored) : *stored.values;
    if (!to->record) {
      for (const auto& [key, value] : values) to->values[key] = value;
      return 0;
    }
    for (const auto& [key, value] : values) {
      const auto [field, occurrence] = SplitFieldKey(key);
      to->record->Put(field, occurrence, value);
    }
    return 0;
  }
  static int16_t Lock(int16_t file) {
    if (int16_t status = Scripted(CallText("KVBrlock", Num(file)))) return status;
    return WithKeyed(file, [](OpenFile& open) -> int16_t {
      return open.position ? kvb::kNone : kvb::kNoPosition;
    });
  }
  static int16_t Delete(int16_t file) {
    if (int16_t status = Scripted(CallText("KVBdelete", Num(file)))) return status;
    return WithKeyed(file, [](OpenFile& open) -> int16_t {
      if (!open.position) return kvb::kNoPosition;
      if (open.read_only) return kvb::kWrongDirection;
      return S().records[open.name].erase(TrimRight(*open.position)) == 1 ? kvb::kNone
                                                                          : kvb::kNoRecord;
    });
  }
  static int16_t Write(int16_t file, int16_t count, int16_t option) {
    if (int16_t status = Scripted(CallText("KVBwrite", Num(file), Num(count), Num(option)))) {
      return status;
    }
    return WithFile(file, [&](OpenFile& open) -> int16_t {
      if (open.kind == Kind::kKeyed) return WriteKeyed(open);
      if (open.kind != Kind::kTextMade) return kvb::kWrongDirection;
      open.lines.push_back(std::move(open.pending_line));
      open.pending_line.clear();
      for (int i = 1; i < count; ++i) open.lines.emplace_back();
      return kvb::kNone;
    });
  }
  static int16_t WriteKeyed(OpenFile& open) {
    if (open.read_only) return kvb::kWrongDirection;
    std::string key;
    if (open.record) {
      key = TrimRight(std::string(open.record->Key()));
    } else if (open.position) {
      key = TrimRight(*open.position);
    }
    if (key.empty()) return kvb::kBlankKey;
    S().records[open.name][key] = State::StoredOf(open);
    return kvb::kNone;
  }
  static int16_t Put(const char* text, int16_t file, int16_t width) {
    if (int16_t status = Scripted(CallText("KVBput", Text(text), Num(file), Num(width)))) {
      return status;
    }
    if (text == nullptr) return Fail(kvb::kBadArgument);
    return WithFile(file, [&](OpenFile& open) -> int16_t {
      if (open.kind == Kind::kKeyed) return kvb::kNotText;
      if (open.kind != Kind::kTextMade) return kvb::kWrongDirection;
      std::string piece = text;
      if (width >= 0) piece.resize(width, ' ');
      open.pending_line += piece;
      return kvb::kNone;
    });
  }
  static int16_t Get(char* buffer, int16_t file, int16_t* count) {
    if (buffer == nullptr || count == nullptr) return Fail(kvb::kBadArgument);
    if (int16_t status = Scripted(CallText("KVBget", Num(file), Num(*count)))) return status;
    return WithFile(file, [&](OpenFile& open) -> int16_t {
      if (open.kind == Kind::kKeyed) return kvb::kNotText;
      if (open.kind != Kind::kTextRead) return kvb::kWrongDirection;
      const std::vector<std::string>& lines = S().text_files[open.name];
      if (open.next_line >= lines.size()) return kvb::kEndOfFile;
      const std::string& line = lines[open.next_line++];
      const std::size_t most =
          *count < 0 ? KVB_WHOLE_LINE_MAX : static_cast<std::size_t>(*count);
      const std::size_t n = std::min(line.size(), most);
      std::memcpy(buffer, line.data(), n);
      buffer[n] = '\0';
      *count = static_cast<int16_t>(n);
      return kvb::kNone;
    });
  }
  static int16_t FieldPut(const char* value, const char* field, int16_t file, int16_t occurrence,
                          int16_t flag) {
    const std::string call =
        CallText("KVBfput", Text(value), Text(field), Num(file), Num(occurrence), Num(flag));
    if (int16_t status = Scripted(call)) return status;
    if (value == nullptr || field == nullptr) return Fail(kvb::kBadArgument);
    return WithKeyed(file, [&](OpenFile& open) -> int16_t {
      if (open.record) {
        const int16_t code = open.record->Put(field, occurrence, value);
        std::string put = TrimRight(value);
        if (code == kvb::kNone && put.size() > 1 &&
            put.size() > static_cast<size_t>(open.layout->Find(field)->width)) {
          F().cut_values_.push_back({file, field, occurrence, std::move(put)});
        }
        return code;
      }
      open.values[FieldKey(field, occurrence)] = value;
      return kvb::kNone;
    });
  }
  static const char* FieldGet(const char* field, int16_t file, int16_t occurrence) {
    const std::string call = CallText("KVBfiditemstub", Text(field), Num(file), Num(occurrence));
    if (F().Note(call)) return F().TextResult(call, "");
    if (field == nullptr) {
      Fail(kvb::kBadArgument);
      return F().TextResult(call, "");
    }
    std::string value;
    WithKeyed(file, [&](OpenFile& open) -> int16_t {
      if (!open.record) {
        auto found = open.values.find(FieldKey(field, occurrence));
        if (found != open.values.end()) value = found->second;
        return kvb::kNone;
      }
      std::string_view stored;
      const int16_t code = open.record->Get(field, occurrence, &stored);
      value = stored;
      return code;
    });
    return F().TextResult(call, value);
  }

  // libkvb's own number and text functions and error texts, recorded.
  template <typename Real>
  static const char* PassedOn(const std::string& call, Real real) {
    if (F().Note(call)) return F().TextResult(call, "");
    return F().TextResult(call, Text(real()));
  }
  static const char* Round(const char* number, int16_t places) {
    return PassedOn(CallText("KVBroundstub", Text(number), Num(places)),
                    [&] { return ::KVBroundstub(number, places); });
  }
  static const char* Edit(const char* number, const char* picture, char* currency) {
    return PassedOn(CallText("KVBedit", Text(number), Text(picture), Text(currency)),
                    [&] { return ::KVBedit(number, picture, currency); });
  }
  static const char* Unedit(const char* edited) {
    return PassedOn(CallText("KVBunedit", Text(edited)), [&] { return ::KVBunedit(edited); });
  }
  static const char* Picture(const char* text, const char* picture, int32_t* flag) {
    return PassedOn(
        CallText("KVBpicture", Text(text), Text(picture), flag ? Num(*flag) : std::string()),
        [&] { return ::KVBpicture(text, picture, flag); });
  }

  static const char* LeftJustify(const char* text, const char* pad) {
    return PassedOn(CallText("KVBljust", Text(text), Text(pad)),
                    [&] { return ::KVBljust(text, pad); });
  }
  static const char* Center(const char* text, const char* pad) {
    return PassedOn(CallText("KVBcenter", Text(text), Text(pad)),
                    [&] { return ::KVBcenter(text, pad); });
  }
  static const char* RightJustify(const char* text, const char* pad) {
    return PassedOn(CallText("KVBrjust", Text(text), Text(pad)),
                    [&] { return ::KVBrjust(text, pad); });
  }
  static const char* DateForm(const char* format) {
    return Echo(CallText("KVBdateform", Text(format)), format);
  }
  static const char* Echo(const std::string& call, const char* text) {
    if (F().Note(call)) return F().TextResult(call, "");
    return F().TextResult(call, Text(text));
  }
  static const char* DataGet(int16_t handle, int16_t index) {
    const std::string call = CallText("KVBdataget", Num(handle), Num(index));
    if (F().Note(call)) return F().TextResult(call, "");
    auto parameter = F().chain_parameters.find(index);
    return F().TextResult(call,
                          parameter == F().chain_parameters.end() ? "" : parameter->second);
  }
  static void GetFiles(int16_t handle, char* network_type) {
    F().Note(CallText("KVBgetfiles", Num(handle), Text(network_type)));
    const std::string& rewrite = F().rewritten_network_type;
    if (rewrite.empty() || network_type == nullptr) return;
    std::size_t length = std::strlen(network_type);
    std::memcpy(network_type, rewrite.data(), std::min(length, rewrite.size()));
  }
  static void DataFree(int16_t handle) { F().Note(CallText("KVBdatafree", Num(handle))); }
  static int16_t FileExists(const char* name) {
    F().Note(CallText("KVBfileexists", Text(name)));
    std::string file = Text(name);
    return F().existing_files.count(file) || S().text_files.count(file) ||
                   S().records.count(file)
               ? 1
               : 0;
  }
};

FakeLibrary::FakeLibrary()
    : previous_table_(Library()), previous_fake_(active), state_(std::make_unique<State>()) {
  active = this;
  BindLibrary(RecordLibrary{
      &Calls::Init,        &Calls::Open,     &Calls::Make,      &Calls::Close,
      &Calls::CloseAll,    &Calls::Host,     &Calls::AutoSecure, &Calls::Err,
      &Calls::Position,    &Calls::Read,     &Calls::Clear,     &Calls::Copy,
      &Calls::Lock,        &Calls::Delete,   &Calls::Write,     &Calls::Put,
      &Calls::Get,
      &Calls::FieldPut,    &Calls::FieldGet, &Calls::Round,     &Calls::Edit,
      &Calls::Unedit,      &Calls::Picture,  &Calls::LeftJustify, &Calls::Center,
      &Calls::RightJustify, &Calls::DateForm, &Calls::DataGet,  &Calls::GetFiles,
      &Calls::DataFree,    &Calls::FileExists, &Calls::Begin,   &Calls::Commit,
      &Calls::Rollback,    &Calls::ErrText,  &Calls::HostPath,  &Calls::ErrCause,
  });
}

FakeLibrary::~FakeLibrary() {
  BindLibrary(previous_table_);
  active = previous_fake_;
}

int16_t FakeLibrary::StatusOf(int16_t code) { return kvb::StatusOf(code); }

std::vector<std::string> FakeLibrary::CallsTo(const std::string& function) const {
  std::vector<std::string> found;
  for (const std::string& call : calls_) {
    if (call.compare(0, function.size() + 1, function + "(") == 0) found.push_back(call);
  }
  return found;
}

void FakeLibrary::FailCalls(const std::string& prefix, int16_t code, int times) {
  FailCallsWith(prefix, StatusOf(code), code, times);
}

void FakeLibrary::FailCallsWith(const std::string& prefix, int16_t status, int16_t code,
                                int times) {
  rules_.push_back(Rule{prefix, Failure{status, code}, times});
}

void FakeLibrary::SetText(const std::string& prefix, const std::string& text) {
  texts_.emplace_back(prefix, text);
}

void FakeLibrary::SetLayout(const std::string& layout_file, const std::string& text) {
  // Parsed once per text for every fake of the process (a fuzz target makes
  // a fake per input).
  static std::map<std::string, std::shared_ptr<const kvb::Layout>> parsed;
  auto known = parsed.find(text);
  if (known == parsed.end()) {
    auto layout = std::make_shared<kvb::Layout>();
    std::string error;
    if (!kvb::ParseLayout(text, layout_file, layout.get(), &error)) layout.reset();
    known = parsed.emplace(text, std::move(layout)).first;
  }
  state_->layouts[LayoutName(layout_file)] = known->second;
}

void FakeLibrary::SetTextFile(const std::string& name, const std::vector<std::string>& lines) {
  state_->text_files[name] = lines;
}

std::vector<std::string> FakeLibrary::TextFile(const std::string& name) const {
  auto file = state_->text_files.find(name);
  return file == state_->text_files.end() ? std::vector<std::string>() : file->second;
}

void FakeLibrary::SetRecord(const std::string& name, const std::string& key,
                            const Record& record) {
  state_->records[name][TrimRight(key)] = State::Stored{nullptr, "", record};
}

bool FakeLibrary::HasRecord(const std::string& name, const std::string& key) const {
  return state_->Find(name, key) != nullptr;
}

const FakeLibrary::Record* FakeLibrary::FindRecord(const std::string& name,
                                                   const std::string& key) const {
  const State::Stored* stored = state_->Find(name, key);
  if (stored == nullptr) return nullptr;
  return stored->layout ? &State::ValuesOf(*stored) : &*stored->values;
}

std::string FakeLibrary::FieldKey(const std::string& field, int16_t occurrence) {
  return occurrence <= 1 ? field : field + "#" + std::to_string(occurrence);
}

bool FakeLibrary::Note(const std::string& call) {
  if (record_calls) calls_.push_back(call);
  for (auto rule = rules_.rbegin(); rule != rules_.rend(); ++rule) {
    if (rule->times == 0 || call.compare(0, rule->prefix.size(), rule->prefix) != 0) continue;
    if (rule->times > 0) --rule->times;
    last_failure_ = rule->failure;
    return true;
  }
  return false;
}

int16_t FakeLibrary::Fail(int16_t code) {
  last_failure_ = Failure{StatusOf(code), code};
  return last_failure_.status;
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
