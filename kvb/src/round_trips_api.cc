// Entry points for programs that mind their round trips to a record server:
// KVBprefetch names records a transaction will read, KVBroundtrips counts.
#include <climits>

#include "kvb.h"
#include "open_files.h"
#include "pg_call.h"
#include "status.h"

using namespace kvb;

extern "C" {

int16_t KVBprefetch(int16_t file, const char* key) {
  if (key == nullptr) return Fail(kBadArgument);
  Library& library = TheLibrary();
  std::lock_guard guard(library.mutex);
  int16_t code = kNone;
  OpenFile* open = FindFile(library, file, &code);
  if (open == nullptr) return Fail(code);
  if (!open->keyed) return Fail(kNotKeyed);
  code = PrefetchKeyed(library, file, *open->keyed, key);
  return code == kNone ? 0 : Fail(code);
}

int32_t KVBroundtrips(void) {
  const long trips = RoundTripsSoFar();
  return trips > INT32_MAX ? INT32_MAX : static_cast<int32_t>(trips);
}

}  // extern "C"
