#include "session/start.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "records/library.h"
#include "records/numeric.h"
#include "session/identity.h"
#include "session/orderly_end.h"
#include "context/session.h"

namespace dext {

namespace {

std::string Parameter(int16_t index) {
  return TextFromLibrary(Library().KVBdataget(Session().FileBase, index));
}

int16_t ShortParameter(int16_t index) { return RoundToInt16(NumericValue(Parameter(index))); }

// KVBgetfiles may rewrite the network type in place, at the same length.
void TakeBackNetworkType() {
  SessionContext& session = Session();
  std::vector<char> text(session.NetworkType.begin(), session.NetworkType.end());
  text.push_back('\0');
  Library().KVBgetfiles(session.FileBase, text.data());
  session.NetworkType.assign(text.data(), strnlen(text.data(), session.NetworkType.size()));
}

void SetStandAloneDefaults() {
  SessionContext& session = Session();
  session.SessionWord40 = 0;
  session.RoundingPlaces = 5;
  session.CurrencySymbol = "$";
  session.DateFormat = TextFromLibrary(Library().KVBdateform("M/D/CY h:m:s"));
  session.SessionWord44 = 1;
  session.NetworkType = "SINGLE";
}

}  // namespace

std::optional<int16_t> FileBaseFromCommandLine(const std::string& command_line) {
  double base = std::nearbyint(NumericValue(command_line));
  if (base < -32768 || base > kHighestFileBase) return std::nullopt;
  return static_cast<int16_t>(base);
}

void ImportChainParameters() {
  SessionContext& session = Session();
  for (int16_t n = 0; n < 10; ++n) {
    session.TextSlot[n] = Parameter(n);
    session.AmountSlot[n] = NumericValue(Parameter(n + 10));
    session.LongSlot[n] = RoundToInt32(NumericValue(Parameter(n + 20)));
    session.ShortSlot[n] = ShortParameter(n + 30);
  }
  session.SessionWord40 = ShortParameter(40);
  session.ProcessOnBackTab = ShortParameter(41);
  session.CurrencySymbol = Parameter(42);
  session.DateFormat = Parameter(43);
  session.SessionWord44 = ShortParameter(44);
  session.NetworkType = Parameter(45);
  session.SessionWord46 = ShortParameter(46);
  session.RoundingPlaces = ShortParameter(47);
  TakeBackNetworkType();
  Library().KVBdatafree(session.FileBase);
}

void StartSession(const std::string& command_line) {
  std::optional<int16_t> base = FileBaseFromCommandLine(command_line);
  if (!base) throw ProgramEnd{ExitStatus::kUsage};
  SessionContext& session = Session();
  session.FileBase = *base;
  if (session.FileBase != 0) {
    ImportChainParameters();
    return;
  }
  SetStandAloneDefaults();
  session.FileBase = InitRecordLibrary(0);
}

}  // namespace dext
