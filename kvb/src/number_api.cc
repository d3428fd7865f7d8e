// The number and text functions of kvb.h over the pure functions of
// number_edit.h, picture.h and justify.h. Every text result lives in a
// thread-local string of its function: valid until the next call of that
// function on the same thread, never freed by the caller.
#include <string>
#include <string_view>

#include "justify.h"
#include "kvb.h"
#include "number_edit.h"
#include "picture.h"

namespace {

std::string_view Text(const char* text) {
  return text ? std::string_view(text) : std::string_view();
}

char PadOf(const char* pad) { return pad && pad[0] != '\0' ? pad[0] : ' '; }

const char* Keep(std::string& slot, std::string value) {
  slot = std::move(value);
  return slot.c_str();
}

const char* Justified(std::string& slot, const char* text, const char* pad,
                      kvb::Alignment alignment) {
  return Keep(slot, kvb::Justify(Text(text), PadOf(pad), alignment));
}

}  // namespace

extern "C" {

const char* KVBroundstub(const char* number, int16_t places) {
  thread_local std::string result;
  return Keep(result, kvb::RoundNumberText(Text(number), places));
}

// A null currency reads as "$". The currency text is left as it is.
const char* KVBedit(const char* number, const char* picture, char* currency) {
  thread_local std::string result;
  std::string_view symbol = currency ? std::string_view(currency) : std::string_view("$");
  return Keep(result, kvb::EditNumber(Text(number), Text(picture), symbol));
}

const char* KVBunedit(const char* edited) {
  thread_local std::string result;
  return Keep(result, kvb::UneditNumber(Text(edited)));
}

// A non-zero flag fills the picture from the right (type "R" fields); the
// flag itself is not changed.
const char* KVBpicture(const char* text, const char* picture, int32_t* flag) {
  thread_local std::string result;
  kvb::FillFrom from = flag && *flag != 0 ? kvb::FillFrom::kRight : kvb::FillFrom::kLeft;
  return Keep(result, kvb::FillPicture(Text(text), Text(picture), from));
}

const char* KVBljust(const char* text, const char* pad) {
  thread_local std::string result;
  return Justified(result, text, pad, kvb::Alignment::kLeft);
}

const char* KVBcenter(const char* text, const char* pad) {
  thread_local std::string result;
  return Justified(result, text, pad, kvb::Alignment::kCenter);
}

const char* KVBrjust(const char* text, const char* pad) {
  thread_local std::string result;
  return Justified(result, text, pad, kvb::Alignment::kRight);
}

const char* KVBdateform(const char* format) {
  thread_local std::string result;
  return Keep(result, kvb::DateFormatText(Text(format)));
}

}  // extern "C"
