// A fixed-column text record, built by placing values at 1-based columns.
#ifndef DEXT_TOOLS_DEXT_SAMPLE_FIXED_RECORD_H_
#define DEXT_TOOLS_DEXT_SAMPLE_FIXED_RECORD_H_

#include <string>

namespace sample {

class FixedRecord {
 public:
  explicit FixedRecord(int width) : text_(static_cast<size_t>(width), ' ') {}

  // Places value at columns first .. first + length - 1, left-aligned, cut
  // or padded with blanks to length.
  void Put(int first, int length, const std::string& value);

  // The record, trailing blanks removed (the finance side writes short lines).
  std::string Text() const;

 private:
  std::string text_;
};

// An amount as the deal file carries it: 8 characters, right-aligned, two
// decimals ("  1234.50"); blank for a missing amount.
std::string AmountColumn(long cents);

}  // namespace sample

#endif  // DEXT_TOOLS_DEXT_SAMPLE_FIXED_RECORD_H_
