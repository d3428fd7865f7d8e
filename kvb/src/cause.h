// The cause of a failure in plain words, carried beside its secondary code.
//
// The place that meets a failure (a call of SQLite, libpq or the system, the
// layout reader) notes what the store or the system said, together with the
// code it returns. The entry point that records the failure (Fail) takes the
// note when it is about the same code; a failure with no note, or a note
// about another code, has no cause (""). Notes are per thread, like codes.
#ifndef KVB_SRC_CAUSE_H_
#define KVB_SRC_CAUSE_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace kvb {

// Notes cause (made one line) as the reason for a failure with code and
// returns code, so a failure site reads `return WithCause(kIoError, text);`.
// kNone notes nothing.
int16_t WithCause(int16_t code, std::string_view cause);

// As WithCause, with the system's words for error (an errno value) after
// what: "/srv/F/DLR: Permission denied".
int16_t WithSystemError(int16_t code, std::string_view what, int error);

// The note about code, or "" when the last note is about another code; the
// note is gone afterwards either way.
std::string TakeCause(int16_t code);
// The last note whatever its code ("" for none), for a caller that reports
// the library's last failure without its code; the note is gone afterwards.
std::string TakeCause();

// Forgets the note (after a failure that is handled and not reported).
void DropCause();

// Keeps the note of a failure across clean-up calls that may note their own
// (a rollback after the failure): the note is put back on destruction.
class KeptCause {
 public:
  KeptCause();
  ~KeptCause();
  KeptCause(const KeptCause&) = delete;
  KeptCause& operator=(const KeptCause&) = delete;

 private:
  int16_t code_;
  std::string text_;
};

// Why a store whose format marker reads found is not read by a library that
// reads the format ours: found empty (no marker: some other database), a
// newer format of this library's stores, or a foreign one. For the cause of
// kNotOurs.
std::string ForeignFormat(std::string_view found, std::string_view ours);

// text on one line: its lines joined as sentences (". " between them, or
// only a blank after punctuation), runs of blanks made one, and blanks at
// either end removed.
std::string OneLine(std::string_view text);

}  // namespace kvb

#endif  // KVB_SRC_CAUSE_H_
