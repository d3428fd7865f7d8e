#include "tools/kvbtool/failure.h"

#include "cause.h"
#include "status.h"

namespace kvbtool {

namespace {

int Print(Streams io, const std::string& what, const std::string& cause) {
  io.err << "kvbtool: " << what << "\n";
  if (!cause.empty()) io.err << "kvbtool: cause: " << cause << "\n";
  return 1;
}

}  // namespace

int Failed(Streams io, const std::string& what) { return Print(io, what, kvb::TakeCause()); }

int FailedCode(Streams io, const std::string& name, int16_t code) {
  return Print(io, name + ": " + kvb::Describe(code), kvb::TakeCause(code));
}

}  // namespace kvbtool
