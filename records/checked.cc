#include "records/checked.h"

#include <map>

#include "records/library.h"
#include "context/session.h"

namespace dext {

namespace {

// The number after "ID  " for an operation on a file: its offset from the base.
int16_t IdOf(FileNumber file) { return ValueOf(OffsetOf(file)); }

// The whole names files were last opened or made under, by offset, for the
// lines under an error message (OpenFileNames keeps only 20 characters).
std::map<int16_t, std::string>& FullNames() {
  static std::map<int16_t, std::string> names;
  return names;
}

// Steps 3 to 7 of every checked operation: on a non-zero status, records the
// failure and its message in ErrorInfo. Returns the status unchanged.
int16_t Check(int16_t status, int16_t number, const char* label, bool names_a_file = true) {
  if (status == 0) return 0;
  RecordFailure(number, label, status, Library().KVBerr(Session().FileBase), names_a_file);
  return status;
}

// OpenFileNames holds the name cut or padded to exactly 20 characters. A file
// number with no slot in the table (no caller passes one) stores nothing.
void RememberFileName(const std::string& data_file, FileNumber file) {
  const int16_t offset = IdOf(file);
  FullNames()[offset] = data_file;
  auto& names = Session().OpenFileNames;
  if (offset < 0 || offset >= static_cast<int>(names.size())) return;
  std::string name = data_file.substr(0, 20);
  name.resize(20, ' ');
  names[offset] = name;
}

}  // namespace

std::string OpenedFileName(FileOffset offset) {
  const auto name = FullNames().find(ValueOf(offset));
  return name == FullNames().end() ? "" : name->second;
}

void RecordFailure(int16_t number, const char* label, int16_t status, int16_t code,
                   bool names_a_file) {
  SessionContext& session = Session();
  ErrorRecord& error = session.ErrorInfo;
  error.FileOffset = number;
  error.Status = status;
  error.ProgramName = session.ProgramName;
  error.Code = code;
  error.FileName = names_a_file ? OpenedFileName(FileOffset{number}) : "";
  error.Detail.clear();
  error.Cause = code != 0 ? TextFromLibrary(Library().KVBerrcause(session.FileBase)) : "";
  error.Message = "ID  " + std::to_string(number) + label + std::to_string(status) + "-" +
                  std::to_string(code) + " in " + session.ProgramName;
}

int16_t OpenFile(const std::string& data_file, const std::string& layout, const std::string& text,
                 FileNumber file, int16_t mode, int16_t flag) {
  RememberFileName(data_file, file);
  int16_t status =
      Library().KVBopen(data_file.c_str(), layout.c_str(), text.c_str(), file.value, mode, flag);
  return Check(status, IdOf(file), ", Open Error # ");
}

int16_t MakeFile(const std::string& data_file, const std::string& layout, const std::string& text,
                 FileNumber file, int16_t mode, int16_t flag) {
  RememberFileName(data_file, file);
  int16_t status =
      Library().KVBmake(data_file.c_str(), layout.c_str(), text.c_str(), file.value, mode, flag);
  return Check(status, IdOf(file), ", Make Error # ");
}

int16_t ReadRecord(FileNumber file, int16_t option) {
  return Check(Library().KVBread(file.value, option), IdOf(file), ", Read Error # ");
}

int16_t WriteRecord(FileNumber file, int16_t count, int16_t option) {
  return Check(Library().KVBwrite(file.value, count, option), IdOf(file), ", Write Error # ");
}

int16_t CloseFile(FileNumber file) {
  return Check(Library().KVBclose(file.value), IdOf(file), ", Close Error # ");
}

int16_t CloseAll(int16_t base) {
  return Check(Library().KVBcloseall(base), base, ", Close All Error # ", false);
}

int16_t PositionFile(FileNumber file, const std::string& key, int16_t direction,
                     const std::string& index, int16_t flag) {
  int16_t status = Library().KVBposn(file.value, key.c_str(), direction, index.c_str(), flag);
  return Check(status, IdOf(file), ", Position Error # ");
}

int16_t ClearRecord(FileNumber file) {
  return Check(Library().KVBrclear(file.value), IdOf(file), ", Record Clear Error # ");
}

int16_t CopyRecord(FileNumber source, FileNumber destination) {
  return Check(Library().KVBcopy(source.value, destination.value), IdOf(source),
               ", Record Copy Error # ");
}

int16_t LockRecord(FileNumber file) {
  return Check(Library().KVBrlock(file.value), IdOf(file), ", Record Lock Error # ");
}

int16_t SetHost(int16_t base, const std::string& network_type) {
  return Check(Library().KVBhost(base, network_type.c_str()), base, ", Set Host Error # ", false);
}

int16_t BeginTransaction(int16_t base) {
  return Check(Library().KVBbegin(base), base, ", Begin Transaction Error # ", false);
}

int16_t CommitTransaction(int16_t base) {
  return Check(Library().KVBcommit(base), base, ", Commit Error # ", false);
}

int16_t PutField(const std::string& text, FileNumber file, int16_t width) {
  return Check(Library().KVBput(text.c_str(), file.value, width), IdOf(file),
               ", Field Put Error # ");
}

int16_t PositionOnKey(FileNumber file, const std::string& key) {
  return PositionFile(file, key, -1, "", KVB_POSN_ON_KEY);
}

int16_t StoreRecord(FileNumber file) { return WriteRecord(file, 1, KVB_WRITE_KEYED); }

int16_t DeleteRecord(FileNumber file) {
  return Check(Library().KVBdelete(file.value), IdOf(file), ", Record Delete Error # ");
}

}  // namespace dext
