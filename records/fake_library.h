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
// What it answers is what libkvb answers (kvb.h), files kept in memory: a
// failure returns libkvb's status for its secondary code (StatusOf), and
// KVBerr returns the code of the fake's last failure (0 before any; a later
// success keeps it). KVBroundstub, KVBedit, KVBunedit, KVBpicture, the
// justifications and KVBerrtext are libkvb's own functions, recorded and
// passed on.
//  - file numbers: 0 or below fails KVB_ERR_BAD_FILE_NUMBER, one not open
//    KVB_ERR_FILE_NOT_OPEN. KVBinit(0) returns `base`; KVBinit(b) and
//    KVBcloseall(b) close the numbers b to b + 255, KVBclose(0) every file.
//    Opening under a number in use closes it first.
//  - keyed files (opened or made with a layout): KVBposn sets the position,
//    KVBread loads the record stored under it (KVB_ERR_NO_POSITION before any
//    KVBposn, KVB_ERR_NO_RECORD when none), KVBrlock needs a position and
//    always gets the lock, KVBrclear blanks the buffer, KVBcopy copies the
//    fields. A file opened in mode 1 refuses writes (KVB_ERR_WRONG_DIRECTION).
//    Line operations on them fail KVB_ERR_NOT_TEXT.
//      With a layout the fake knows (SetLayout), the buffer is libkvb's record
//    of that layout: KVBfput cuts or pads to the field's width, KVBfiditemstub
//    gives the field padded, an unknown field or occurrence fails
//    (KVB_ERR_UNKNOWN_FIELD, KVB_ERR_UNKNOWN_OCCURRENCE) and gives "" or
//    changes nothing, occurrence 0 is occurrence 1; KVBcopy copies the fields
//    both layouts have; KVBposn refuses a key longer than the key field and
//    KVBwrite stores under the key field, refusing a blank one.
//      With any other layout the buffer holds the values as put (occurrence 0
//    and 1 the same), KVBcopy copies every one, and KVBwrite stores under the
//    position.
//  - text files (opened with an empty layout, modes 1 and 3): KVBopen fails
//    KVB_ERR_MISSING_FILE unless SetTextFile gave the file; KVBget delivers
//    its lines (count -1: whole) and fails KVB_ERR_END_OF_FILE after the
//    last. KVBmake starts a file; KVBput adds to the pending line (width >= 0
//    cuts or pads), KVBwrite ends it, and KVBclose publishes the lines (the
//    pending one too when it has characters): TextFile shows them. Record
//    operations on text files fail KVB_ERR_NOT_KEYED.
//  - transactions: KVBbegin while the base has one fails
//    KVB_ERR_TRANSACTION_OPEN, KVBcommit and KVBrollback without one
//    KVB_ERR_NO_TRANSACTION; KVBrollback, and closing a keyed file under the
//    base, puts back the records as they were at KVBbegin.
//  - KVBfileexists is 1 for names given to SetTextFile, SetRecord or
//    `existing_files` (exact spelling).
//  - texts: KVBdataget returns `chain_parameters[index]` ("" when absent);
//    KVBgetfiles writes `rewritten_network_type` over its text (cut to the
//    text's length; empty: unchanged); KVBhostpath is "/host/" and the name;
//    KVBdateform returns its text; KVBerrcause is "" (SetText gives a
//    failure its cause).
//
// Scripts: FailCalls makes calls whose recorded text starts with a prefix
// fail with a secondary code; SetText makes text results of matching calls a
// text.
#ifndef DEXT_RECORDS_FAKE_LIBRARY_H_
#define DEXT_RECORDS_FAKE_LIBRARY_H_

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "records/library.h"

namespace dext {

class FakeLibrary {
 public:
  // A record: field values by "NAME" (occurrence 0 or 1) or "NAME#n".
  using Record = std::map<std::string, std::string>;

  FakeLibrary();
  ~FakeLibrary();
  FakeLibrary(const FakeLibrary&) = delete;
  FakeLibrary& operator=(const FakeLibrary&) = delete;

  // The status libkvb returns with a secondary code (KVB_ERR_*): the kind of
  // failure it belongs to (not found, bad request, bad file, locked, I/O).
  static int16_t StatusOf(int16_t code);

  // Every call so far, in order.
  const std::vector<std::string>& calls() const { return calls_; }
  // The calls of one function ("KVBopen"), in order.
  std::vector<std::string> CallsTo(const std::string& function) const;
  void ClearCalls() { calls_.clear(); }

  // The next `times` calls whose text starts with prefix fail (times -1: all
  // of them) with the secondary code, and libkvb's status for it or the
  // status given. The newest matching rule wins. A text result of a failing
  // call is "".
  void FailCalls(const std::string& prefix, int16_t code, int times = -1);
  void FailCallsWith(const std::string& prefix, int16_t status, int16_t code, int times = -1);
  // Text results of calls whose text starts with prefix are this text.
  void SetText(const std::string& prefix, const std::string& text);

  // The layout of keyed files opened with a layout file of this name, as a
  // .FID file holds it. The name is matched by its last component in any
  // case: "KJRVH.FID" serves "F:\KD\FF\KJRVH.FID". A text that does not
  // parse makes those opens fail with KVB_ERR_MALFORMED_LAYOUT.
  void SetLayout(const std::string& layout_file, const std::string& text);

  // Off: calls() stays empty (a fuzz target saves the time).
  bool record_calls = true;
  int16_t base = 40;
  std::map<int, std::string> chain_parameters;
  std::string rewritten_network_type;
  std::set<std::string> existing_files;

  void SetTextFile(const std::string& name, const std::vector<std::string>& lines);
  // The lines of a text file as the last close of a made file published them.
  std::vector<std::string> TextFile(const std::string& name) const;
  // Stores a record under a key (trailing blanks aside) of a keyed file.
  void SetRecord(const std::string& name, const std::string& key, const Record& record);
  bool HasRecord(const std::string& name, const std::string& key) const;
  // The record stored under a key, or nullptr. A record written from a
  // buffer of a known layout holds every field occurrence, padded.
  const Record* FindRecord(const std::string& name, const std::string& key) const;

  // A KVBfput into the buffer of a known layout whose value, trailing
  // blanks aside, is longer than the field: the field keeps only its width.
  struct CutValue {
    int16_t file;
    std::string field;
    int16_t occurrence;
    std::string value;
  };
  const std::vector<CutValue>& cut_values() const { return cut_values_; }

  // The key under which a field occurrence is kept in a Record.
  static std::string FieldKey(const std::string& field, int16_t occurrence);

  // The implementation behind the bound table; not for tests to call.
  struct Calls;
  friend struct Calls;

 private:
  struct Failure {
    int16_t status;
    int16_t code;
  };
  struct Rule {
    std::string prefix;
    Failure failure;
    int times;
  };
  struct State;

  // Records a call; true when a rule makes it fail, which is then the last
  // failure.
  bool Note(const std::string& call);
  // Records code as the last failure and returns libkvb's status for it.
  int16_t Fail(int16_t code);
  const char* TextResult(const std::string& call, const std::string& text);

  RecordLibrary previous_table_;
  FakeLibrary* previous_fake_;
  std::vector<std::string> calls_;
  std::vector<Rule> rules_;
  std::vector<std::pair<std::string, std::string>> texts_;
  Failure last_failure_{0, 0};
  std::vector<CutValue> cut_values_;
  std::unique_ptr<State> state_;
  std::string text_result_;
};

}  // namespace dext

#endif  // DEXT_RECORDS_FAKE_LIBRARY_H_
