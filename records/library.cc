#include "records/library.h"

#include <algorithm>

#include "platform/lstr.h"

namespace dext {

namespace {

// The longest text result taken whole: its length is a 16-bit count.
constexpr int kLongestLibraryText = 32766;

RecordLibrary& Bound() {
  static RecordLibrary bound = LibKvb();
  return bound;
}

}  // namespace

const RecordLibrary& Library() { return Bound(); }

void BindLibrary(const RecordLibrary& library) { Bound() = library; }

RecordLibrary LibKvb() {
  return RecordLibrary{
      &::KVBinit,      &::KVBopen,      &::KVBmake,      &::KVBclose,       &::KVBcloseall,
      &::KVBhost,      &::KVBautosecure, &::KVBerr,      &::KVBposn,        &::KVBread,
      &::KVBrclear,    &::KVBcopy,      &::KVBrlock,     &::KVBdelete,      &::KVBwrite,
      &::KVBput,
      &::KVBget,       &::KVBfput,      &::KVBfiditemstub, &::KVBroundstub, &::KVBedit,
      &::KVBunedit,    &::KVBpicture,   &::KVBljust,     &::KVBcenter,      &::KVBrjust,
      &::KVBdateform,  &::KVBdataget,   &::KVBgetfiles,  &::KVBdatafree,    &::KVBfileexists,
      &::KVBbegin,     &::KVBcommit,    &::KVBrollback,  &::KVBerrtext,     &::KVBhostpath,
      &::KVBerrcause,  &::KVBprefetch,  &::KVBroundtrips,
  };
}

// Measures, then copies into a text of its own, as the library's strings are
// only borrowed. A longer string than a 16-bit count can measure is cut
// to its first 32,766 bytes rather than refused.
std::string TextFromLibrary(const char* address) {
  int length = platform::LStrLen(address);
  if (length == 0) return std::string();
  return std::string(address, std::min(length, kLongestLibraryText));
}

std::string NameWithHostPath(const std::string& file_name) {
  const std::string host = TextFromLibrary(Library().KVBhostpath(file_name.c_str()));
  return host.empty() ? file_name : file_name + " (" + host + ")";
}

}  // namespace dext
