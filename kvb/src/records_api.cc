// Entry points that work on records, lines and fields of open files.
#include <algorithm>

#include "kvb.h"
#include "open_files.h"
#include "status.h"

using namespace kvb;

namespace {

// Runs body on the open file under number with the library locked; returns
// 0 or the failure's status.
template <typename Body>
int16_t WithFile(int16_t number, Body body) {
  Library& library = TheLibrary();
  std::lock_guard guard(library.mutex);
  int16_t code = kNone;
  OpenFile* file = FindFile(library, number, &code);
  if (file == nullptr) return Fail(code);
  code = body(library, *file);
  return code == kNone ? 0 : Fail(code);
}

// As WithFile, for a keyed file only.
template <typename Body>
int16_t WithKeyed(int16_t number, Body body) {
  return WithFile(number, [&](Library&, OpenFile& file) -> int16_t {
    return file.keyed ? body(*file.keyed) : kNotKeyed;
  });
}

}  // namespace

extern "C" {

int16_t KVBposn(int16_t file, const char* key, int16_t /*direction*/, const char* /*index*/,
                int16_t /*flag*/) {
  if (key == nullptr) return Fail(kBadArgument);
  return WithKeyed(file, [&](KeyedFile& keyed) { return keyed.Position(key); });
}

int16_t KVBread(int16_t file, int16_t /*option*/) {
  return WithFile(file, [&](Library& library, OpenFile& open) -> int16_t {
    if (open.keyed) return ReadKeyed(library, file, *open.keyed);
    return open.reader ? kNone : kWrongDirection;  // a text record stays where it is
  });
}

int16_t KVBrclear(int16_t file) {
  return WithKeyed(file, [](KeyedFile& keyed) -> int16_t {
    keyed.buffer().Clear();
    return kNone;
  });
}

int16_t KVBcopy(int16_t source, int16_t destination) {
  Library& library = TheLibrary();
  std::lock_guard guard(library.mutex);
  int16_t code = kNone;
  OpenFile* from = FindFile(library, source, &code);
  OpenFile* to = from ? FindFile(library, destination, &code) : nullptr;
  if (to == nullptr) return Fail(code);
  if (!from->keyed || !to->keyed) return Fail(kNotKeyed);
  code = to->keyed->buffer().CopyFrom(from->keyed->buffer());
  return code == kNone ? 0 : Fail(code);
}

int16_t KVBrlock(int16_t file) {
  return WithKeyed(file, [](KeyedFile& keyed) { return keyed.Lock(); });
}

int16_t KVBdelete(int16_t file) {
  return WithFile(file, [&](Library& library, OpenFile& open) -> int16_t {
    return open.keyed ? DeleteKeyed(library, file, *open.keyed) : kNotKeyed;
  });
}

int16_t KVBwrite(int16_t file, int16_t count, int16_t /*option*/) {
  return WithFile(file, [&](Library& library, OpenFile& open) -> int16_t {
    if (open.keyed) return WriteKeyed(library, file, *open.keyed);
    if (!open.writer) return kWrongDirection;
    open.writer->EndLine(count);
    return kNone;
  });
}

int16_t KVBput(const char* text, int16_t file, int16_t width) {
  if (text == nullptr) return Fail(kBadArgument);
  return WithFile(file, [&](Library&, OpenFile& open) -> int16_t {
    if (open.keyed) return kNotText;
    if (!open.writer) return kWrongDirection;
    open.writer->Put(text, width);
    return kNone;
  });
}

int16_t KVBget(char* buffer, int16_t file, int16_t* count) {
  if (buffer == nullptr || count == nullptr) return Fail(kBadArgument);
  return WithFile(file, [&](Library&, OpenFile& open) -> int16_t {
    if (open.keyed) return kNotText;
    if (!open.reader) return kWrongDirection;
    std::string line;
    if (int16_t code = open.reader->Next(&line); code != kNone) return code;
    size_t limit = *count >= 0 ? static_cast<size_t>(*count) : KVB_WHOLE_LINE_MAX;
    size_t n = std::min(line.size(), limit);
    std::copy_n(line.data(), n, buffer);
    buffer[n] = '\0';
    *count = static_cast<int16_t>(n);
    open.current_line = std::move(line);
    return kNone;
  });
}

int16_t KVBfput(const char* value, const char* field, int16_t file, int16_t occurrence,
                int16_t /*flag*/) {
  if (value == nullptr || field == nullptr) return Fail(kBadArgument);
  return WithKeyed(file,
                   [&](KeyedFile& keyed) { return keyed.buffer().Put(field, occurrence, value); });
}

const char* KVBfiditemstub(const char* field, int16_t file, int16_t occurrence) {
  std::string_view value;
  if (field == nullptr) {
    Fail(kBadArgument);
    return TextResult("");
  }
  int16_t status = WithKeyed(
      file, [&](KeyedFile& keyed) { return keyed.buffer().Get(field, occurrence, &value); });
  return TextResult(status == 0 ? value : std::string_view());
}

}  // extern "C"
