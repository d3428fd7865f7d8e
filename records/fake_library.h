// A recording fake of the record-file library, for tests of the program.
//
// Constructing a FakeLibrary binds it as the library table (BindLibrary);
// destroying it binds back the table that was in force before. One fake is
// active at a time; a nested one takes over until it is destroyed.
//
// What it records: every call, in order, as text: the function name and its
// arguments separated by commas, texts as they are, e.g. "KVBdataget(7,0)",
// "KVBopen(KVIN.DAT,\KD\FF\KVIN.FID,,45,3,0)", "KVBget(41,249)" (file, count
// handed in), "KVBgetfiles(7,SINGLE)" (the text handed in).
//
// What it does, unless a rule says otherwise:
//  - every status is 0; KVBinit(0) returns `base`, KVBinit(other) 0;
//    KVBerr returns `secondary_code`.
//  - record buffers per file number: KVBfput sets a field, KVBfiditemstub
//    returns it unpadded ("" when unset), KVBrclear empties the buffer,
//    KVBcopy copies every field of the source buffer into the destination.
//    Occurrence 0 and 1 address the same value.
//  - keyed files (opened with a layout): KVBposn remembers the key; KVBread
//    loads the record given by SetRecord for the file's data file name and
//    that key, or fails with kNoRecord; KVBwrite stores the buffer as the
//    record under the positioned key (the real library uses the key field).
//  - text files (opened with an empty layout): KVBopen in mode 1 fails with
//    kMissing unless SetTextFile gave the file; KVBget delivers its lines
//    (count -1: whole) and fails with kEndOfFile after the last. KVBmake
//    starts an empty file; KVBput adds to the pending line (width >= 0 cuts
//    or pads), KVBwrite ends it; TextFile shows the lines.
//  - KVBfileexists is 1 for names given to SetTextFile, SetRecord or
//    `existing_files` (exact spelling).
//  - texts: KVBdataget returns `chain_parameters[index]` ("" when absent);
//    KVBgetfiles writes `rewritten_network_type` over its text (cut to the
//    text's length; empty: unchanged); KVBroundstub rounds its number text
//    on decimal digits, halves away from zero; KVBedit is a plain stand-in:
//    the number rounded to the picture's decimals, right-aligned in the
//    picture's width, "" when it does not fit, currency unchanged;
//    KVBunedit keeps the sign, digits and point; KVBdateform, KVBpicture and
//    the justifications return their text.
//
// Rules: FailCalls makes calls whose recorded text starts with a prefix
// return a status; SetText makes text results of matching calls a text.
#ifndef DEXT_RECORDS_FAKE_LIBRARY_H_
#define DEXT_RECORDS_FAKE_LIBRARY_H_

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "records/library.h"

namespace dext {

class FakeLibrary {
 public:
  // Statuses of the fake's own failures.
  static constexpr int16_t kMissing = 2;
  static constexpr int16_t kEndOfFile = 3;
  static constexpr int16_t kNoRecord = 4;

  // A record: field values by "NAME" (occurrence 0 or 1) or "NAME#n".
  using Record = std::map<std::string, std::string>;

  FakeLibrary();
  ~FakeLibrary();
  FakeLibrary(const FakeLibrary&) = delete;
  FakeLibrary& operator=(const FakeLibrary&) = delete;

  // Every call so far, in order.
  const std::vector<std::string>& calls() const { return calls_; }
  // The calls of one function ("KVBopen"), in order.
  std::vector<std::string> CallsTo(const std::string& function) const;
  void ClearCalls() { calls_.clear(); }

  // The next `times` calls whose text starts with prefix return status
  // (times -1: all of them). The newest matching rule wins.
  void FailCalls(const std::string& prefix, int16_t status, int times = -1);
  // Text results of calls whose text starts with prefix are this text.
  void SetText(const std::string& prefix, const std::string& text);

  int16_t base = 40;
  int16_t secondary_code = 0;
  std::map<int, std::string> chain_parameters;
  std::string rewritten_network_type;
  std::set<std::string> existing_files;

  void SetTextFile(const std::string& name, const std::vector<std::string>& lines);
  // Lines written to a made text file.
  std::vector<std::string> TextFile(const std::string& name) const;
  void SetRecord(const std::string& name, const std::string& key, const Record& record);
  // The record stored under a key, or nullptr.
  const Record* FindRecord(const std::string& name, const std::string& key) const;

  // A field of a file number's buffer ("" when unset), and setting one.
  std::string Field(int16_t file, const std::string& field, int16_t occurrence = 0) const;
  void SetField(int16_t file, const std::string& field, int16_t occurrence,
                const std::string& value);

  // The key under which a field occurrence is kept in a Record.
  static std::string FieldKey(const std::string& field, int16_t occurrence);

  // The implementation behind the bound table; not for tests to call.
  struct Calls;
  friend struct Calls;

 private:
  struct OpenFile {
    std::string name;
    bool keyed = false;
    std::string position;
    std::size_t next_line = 0;
    std::string pending_line;
  };
  struct Rule {
    std::string prefix;
    int16_t status;
    int times;
  };

  // Records a call and returns the status a rule gives it (0 when none).
  int16_t Note(const std::string& call);
  const char* TextResult(const std::string& call, const std::string& text);

  RecordLibrary previous_table_;
  FakeLibrary* previous_fake_;
  std::vector<std::string> calls_;
  std::vector<Rule> rules_;
  std::vector<std::pair<std::string, std::string>> texts_;
  std::map<int16_t, OpenFile> files_;
  std::map<int16_t, Record> buffers_;
  std::map<std::string, std::vector<std::string>> text_files_;
  std::map<std::string, std::map<std::string, Record>> records_;
  std::string text_result_;
};

}  // namespace dext

#endif  // DEXT_RECORDS_FAKE_LIBRARY_H_
