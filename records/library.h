// The program's one way to the record-file library: a table of the library's
// functions, bound to libkvb at start-up. Tests bind a wrapper of libkvb that
// fails chosen calls (records/testing/faulty_library.h).
#ifndef DEXT_RECORDS_LIBRARY_H_
#define DEXT_RECORDS_LIBRARY_H_

#include <cstdint>
#include <string>

#include "kvb.h"

namespace dext {

struct RecordLibrary {
  decltype(&::KVBinit) KVBinit;
  decltype(&::KVBopen) KVBopen;
  decltype(&::KVBmake) KVBmake;
  decltype(&::KVBclose) KVBclose;
  decltype(&::KVBcloseall) KVBcloseall;
  decltype(&::KVBhost) KVBhost;
  decltype(&::KVBautosecure) KVBautosecure;
  decltype(&::KVBerr) KVBerr;
  decltype(&::KVBposn) KVBposn;
  decltype(&::KVBread) KVBread;
  decltype(&::KVBrclear) KVBrclear;
  decltype(&::KVBcopy) KVBcopy;
  decltype(&::KVBrlock) KVBrlock;
  decltype(&::KVBdelete) KVBdelete;
  decltype(&::KVBwrite) KVBwrite;
  decltype(&::KVBput) KVBput;
  decltype(&::KVBget) KVBget;
  decltype(&::KVBfput) KVBfput;
  decltype(&::KVBfiditemstub) KVBfiditemstub;
  decltype(&::KVBroundstub) KVBroundstub;
  decltype(&::KVBedit) KVBedit;
  decltype(&::KVBunedit) KVBunedit;
  decltype(&::KVBpicture) KVBpicture;
  decltype(&::KVBljust) KVBljust;
  decltype(&::KVBcenter) KVBcenter;
  decltype(&::KVBrjust) KVBrjust;
  decltype(&::KVBdateform) KVBdateform;
  decltype(&::KVBdataget) KVBdataget;
  decltype(&::KVBgetfiles) KVBgetfiles;
  decltype(&::KVBdatafree) KVBdatafree;
  decltype(&::KVBfileexists) KVBfileexists;
  decltype(&::KVBbegin) KVBbegin;
  decltype(&::KVBcommit) KVBcommit;
  decltype(&::KVBrollback) KVBrollback;
  decltype(&::KVBerrtext) KVBerrtext;
  decltype(&::KVBhostpath) KVBhostpath;
  decltype(&::KVBerrcause) KVBerrcause;
  decltype(&::KVBprefetch) KVBprefetch;
  decltype(&::KVBroundtrips) KVBroundtrips;
};

// The table in force. Bound to libkvb until BindLibrary replaces it.
const RecordLibrary& Library();

// Replaces the table (tests bind a wrapper; pass LibKvb() to restore).
void BindLibrary(const RecordLibrary& library);

// The table of the real libkvb.
RecordLibrary LibKvb();

// Copies a text result of the library: the bytes up to the terminating zero
// (none for a null address), at most 32,766 of them.
std::string TextFromLibrary(const char* address);

// A file's name as the program named it and, where the drive map resolves
// it, the host path it stands for: "F:\DLR\KCU.DAT (/srv/dlr/KCU.DAT)".
std::string NameWithHostPath(const std::string& file_name);

}  // namespace dext

#endif  // DEXT_RECORDS_LIBRARY_H_
