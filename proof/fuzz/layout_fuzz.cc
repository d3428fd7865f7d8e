// The layout reader on any text: it never crashes, and a layout it accepts
// reads back from its own canonical form as the same layout.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  kvb::Layout layout;
  std::string error;
  if (!kvb::ParseLayout(text, "fuzz.FID", &layout, &error)) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  kvb::Layout again;
  if (!kvb::ParseLayout(layout.Canonical(), "canonical", &again, &error)) std::abort();
  if (again.Canonical() != layout.Canonical()) std::abort();
  return 0;
}
