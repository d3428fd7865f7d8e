// The real record library behind the library table, for tests: every call
// goes through to libkvb unless the test made it fail, and is written down
// for the few checks that need the exact calls in their order.
//
// Constructing a FaultyLibrary binds it as the library table (BindLibrary);
// destroying it binds back the table in force before. One is active at a
// time.
//
// A call's text is the function's name and its arguments separated by
// commas, texts as they are: "KVBopen(KCU.DAT,F:\KD\FF\KCU.FID,,43,3,0)",
// "KVBpicture(5551234567,(###)###-####,-1)" (the flag's value),
// "KVBget(41,249)" (file and count handed in; not the buffer).
//
// A call made to fail does not reach libkvb: it returns libkvb's status for
// the secondary code, a text result is "" and a call without a result does
// nothing. KVBerr and KVBerrcause then report that failure, its code and the
// cause given, until the next call that reaches libkvb.
#ifndef DEXT_RECORDS_TESTING_FAULTY_LIBRARY_H_
#define DEXT_RECORDS_TESTING_FAULTY_LIBRARY_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "records/library.h"

namespace dext {

class FaultyLibrary {
 public:
  FaultyLibrary();
  ~FaultyLibrary();
  FaultyLibrary(const FaultyLibrary&) = delete;
  FaultyLibrary& operator=(const FaultyLibrary&) = delete;

  // Every call so far, in order.
  const std::vector<std::string>& calls() const { return calls_; }
  // The calls of one function ("KVBopen"), in order.
  std::vector<std::string> CallsTo(const std::string& function) const;
  void ClearCalls() { calls_.clear(); }

  // The next `times` calls whose text starts with prefix fail with the
  // secondary code (times -1: all of them); the newest matching rule wins.
  void FailCalls(const std::string& prefix, int16_t code, int times = -1,
                 const std::string& cause = "");

  // The implementation behind the bound table; not for tests to call.
  struct Calls;
  friend struct Calls;

 private:
  struct Failure {
    int16_t status;
    int16_t code;
    std::string cause;
  };
  struct Rule {
    std::string prefix;
    Failure failure;
    int times;
  };

  // Writes the call down; the failure a rule gives it, else nullptr.
  const Failure* Note(std::string call);

  RecordLibrary previous_table_;
  FaultyLibrary* previous_library_;
  std::vector<std::string> calls_;
  std::vector<Rule> rules_;
  // The failure made last, while KVBerr reports it.
  std::optional<Failure> reported_;
  std::string cause_;  // KVBerrcause's result
};

}  // namespace dext

#endif  // DEXT_RECORDS_TESTING_FAULTY_LIBRARY_H_
