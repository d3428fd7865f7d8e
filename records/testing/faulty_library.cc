#include "records/testing/faulty_library.h"

#include <string_view>
#include <type_traits>
#include <utility>

#include "status.h"

// The library's functions in the order of RecordLibrary's members.
// clang-format off
#define DEXT_LIBRARY_FUNCTIONS(X)                                                             \
  X(KVBinit) X(KVBopen) X(KVBmake) X(KVBclose) X(KVBcloseall) X(KVBhost) X(KVBautosecure)     \
  X(KVBerr) X(KVBposn) X(KVBread) X(KVBrclear) X(KVBcopy) X(KVBrlock) X(KVBdelete)           \
  X(KVBwrite) X(KVBput) X(KVBget) X(KVBfput) X(KVBfiditemstub) X(KVBroundstub) X(KVBedit)    \
  X(KVBunedit) X(KVBpicture) X(KVBljust) X(KVBcenter) X(KVBrjust) X(KVBdateform)            \
  X(KVBdataget) X(KVBgetfiles) X(KVBdatafree) X(KVBfileexists) X(KVBbegin) X(KVBcommit)     \
  X(KVBrollback) X(KVBerrtext) X(KVBhostpath) X(KVBerrcause) X(KVBprefetch)      \
  X(KVBroundtrips)
// clang-format on

namespace dext {
namespace {

FaultyLibrary* active = nullptr;

// The name of a library function, by its address.
template <auto kFunction>
constexpr const char* kNameOf = nullptr;
#define DEXT_NAME_OF(function) \
  template <>                  \
  constexpr const char* kNameOf<&::function> = #function;
DEXT_LIBRARY_FUNCTIONS(DEXT_NAME_OF)
#undef DEXT_NAME_OF

template <auto>
struct Tag {};
// Whether two function addresses are the same function.
template <auto kA, auto kB>
constexpr bool kIs = std::is_same_v<Tag<kA>, Tag<kB>>;

std::string Arg(int16_t value) { return std::to_string(value); }
std::string Arg(const char* text) { return text != nullptr ? text : ""; }
std::string Arg(const int16_t* count) { return count != nullptr ? Arg(*count) : ""; }
std::string Arg(const int32_t* flag) { return flag != nullptr ? std::to_string(*flag) : ""; }

template <typename... Args>
std::string CallText(std::string_view function, const Args&... args) {
  std::string text(function);
  text += '(';
  bool first = true;
  ((text += first ? "" : ",", text += Arg(args), first = false), ...);
  return text + ')';
}

}  // namespace

struct FaultyLibrary::Calls {
  // Writes down a call on its way to libkvb; the status it fails with when a
  // rule makes it fail.
  static std::optional<int16_t> Note(std::string call) {
    const Failure* failure = active->Note(std::move(call));
    if (failure == nullptr) {
      active->reported_.reset();
      return std::nullopt;
    }
    active->reported_ = *failure;
    return failure->status;
  }
  // Writes down a call that asks about the last failure.
  static void NoteQuestion(std::string call) { active->calls_.push_back(std::move(call)); }
  static const std::optional<Failure>& Reported() { return active->reported_; }
  // The cause of the failure made last, as a library text result.
  static const char* ReportedCause() {
    active->cause_ = active->reported_->cause;
    return active->cause_.c_str();
  }
};

namespace {

template <auto kReal>
struct Forward;

template <typename R, typename... A, R (*kReal)(A...)>
struct Forward<kReal> {
  using Calls = FaultyLibrary::Calls;

  static R Run(A... args) {
    if constexpr (kIs<kReal, &::KVBerr> || kIs<kReal, &::KVBerrcause>) {
      Calls::NoteQuestion(Text(args...));
      if (!Calls::Reported()) return kReal(args...);
      if constexpr (kIs<kReal, &::KVBerr>) {
        return Calls::Reported()->code;
      } else {
        return Calls::ReportedCause();
      }
    } else {
      const std::optional<int16_t> failed = Calls::Note(Text(args...));
      if constexpr (std::is_void_v<R>) {
        if (!failed) kReal(args...);
      } else if constexpr (std::is_pointer_v<R>) {
        return failed ? "" : kReal(args...);
      } else {
        return failed ? *failed : kReal(args...);
      }
    }
  }

  static std::string Text(A... args) {
    if constexpr (kIs<kReal, &::KVBget>) {
      return [](char*, int16_t file, int16_t* count) {
        return CallText("KVBget", file, count);
      }(args...);
    } else {
      return CallText(kNameOf<kReal>, args...);
    }
  }
};

}  // namespace

FaultyLibrary::FaultyLibrary() : previous_table_(Library()), previous_library_(active) {
  active = this;
#define DEXT_FORWARD(function) &Forward<&::function>::Run,
  BindLibrary(RecordLibrary{DEXT_LIBRARY_FUNCTIONS(DEXT_FORWARD)});
#undef DEXT_FORWARD
}

FaultyLibrary::~FaultyLibrary() {
  BindLibrary(previous_table_);
  active = previous_library_;
}

std::vector<std::string> FaultyLibrary::CallsTo(const std::string& function) const {
  std::vector<std::string> found;
  for (const std::string& call : calls_) {
    if (call.compare(0, function.size() + 1, function + "(") == 0) found.push_back(call);
  }
  return found;
}

void FaultyLibrary::FailCalls(const std::string& prefix, int16_t code, int times,
                              const std::string& cause) {
  rules_.push_back(Rule{prefix, Failure{kvb::StatusOf(code), code, cause}, times});
}

const FaultyLibrary::Failure* FaultyLibrary::Note(std::string call) {
  calls_.push_back(std::move(call));
  const std::string& text = calls_.back();
  for (auto rule = rules_.rbegin(); rule != rules_.rend(); ++rule) {
    if (rule->times == 0 || text.compare(0, rule->prefix.size(), rule->prefix) != 0) continue;
    if (rule->times > 0) --rule->times;
    return &rule->failure;
  }
  return nullptr;
}

}  // namespace dext
