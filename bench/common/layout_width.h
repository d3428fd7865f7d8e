// The record width a layout file gives, for benchmarks whose plain rivals
// store records as wide as the transfer's.
#ifndef DEXT_BENCH_COMMON_LAYOUT_WIDTH_H_
#define DEXT_BENCH_COMMON_LAYOUT_WIDTH_H_

#include <string>

namespace dext::bench {

// The widths of the layout's fields times their occurrences.
int RecordWidth(const std::string& layout_path);

}  // namespace dext::bench

#endif  // DEXT_BENCH_COMMON_LAYOUT_WIDTH_H_
