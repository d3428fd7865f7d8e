#include "status.h"

#include "cause.h"

namespace kvb {
namespace {

thread_local int16_t last_failure = kNone;
thread_local std::string last_cause;

struct CodeInfo {
  int16_t code;
  int16_t status;
  const char* text;
};

constexpr CodeInfo kCodes[] = {
    {kMissingFile, kStatusNotFound, "file or folder not found"},
    {kUnmappedDrive, kStatusNotFound, "drive not mapped (set KVB_DRIVE_<letter>)"},
    {kBadName, kStatusBadRequest, "empty or unusable file name"},
    {kMissingLayout, kStatusNotFound, "layout file not found"},
    {kMalformedLayout, kStatusBadFile, "layout file is malformed"},
    {kNotOurs, kStatusBadFile, "not a keyed record file"},
    {kLayoutMismatch, kStatusBadFile, "data file does not match its layout"},
    {kBadMode, kStatusBadRequest, "open mode not known"},
    {kFileNotOpen, kStatusBadRequest, "file number not open"},
    {kBadFileNumber, kStatusBadRequest, "file number out of range"},
    {kNotKeyed, kStatusBadRequest, "not a keyed file"},
    {kNotText, kStatusBadRequest, "not a text file"},
    {kWrongDirection, kStatusBadRequest, "file not open for this operation"},
    {kUnknownField, kStatusBadRequest, "unknown field"},
    {kUnknownOccurrence, kStatusBadRequest, "unknown occurrence"},
    {kKeyTooLong, kStatusBadRequest, "key longer than the key field"},
    {kBlankKey, kStatusBadRequest, "record has a blank key"},
    {kNoPosition, kStatusBadRequest, "no position set"},
    {kNoRecord, kStatusNotFound, "no record at the position"},
    {kLocked, kStatusLocked, "record locked"},
    {kEndOfFile, kStatusNotFound, "end of file"},
    {kIoError, kStatusIo, "input/output error"},
    {kDiskFull, kStatusIo, "disk full"},
    {kBusy, kStatusLocked, "file busy"},
    {kBadArgument, kStatusBadRequest, "missing argument"},
    {kFileExists, kStatusBadRequest, "file already exists"},
    {kCtrlZInside, kStatusBadFile, "damaged text file: Ctrl-Z before the end"},
    {kLineTooLong, kStatusBadFile, "line too long"},
    {kLeavesDrive, kStatusBadRequest, "path leaves its drive"},
    {kOldKeyedFile, kStatusBadFile,
     "keyed file in the old one-database-per-file form: run kvbtool upgrade"},
    {kSecondStore, kStatusBadRequest, "transaction already writes another folder's files"},
    {kTransactionOpen, kStatusBadRequest, "transaction already open"},
    {kNoTransaction, kStatusBadRequest, "no transaction open"},
    {kNoStoreTable, kStatusNotFound, "records of the file not in the folder's KVBSTORE.DB"},
    {kStoreInTransaction, kStatusLocked, "files held by a transaction of another file base"},
    {kTransactionUndone, kStatusBadRequest, "transaction undone by a failed write"},
    {kTableHasRecords, kStatusBadFile,
     "the store holds records of this file already (kvbtool stub puts back a missing .DAT)"},
    {kPermissionDenied, kStatusIo, "permission denied"},
    {kDamagedStore, kStatusBadFile, "the folder's KVBSTORE.DB is damaged"},
    {kConnectionLost, kStatusIo, "connection to the record server lost"},
    {kServerUnreachable, kStatusIo, "record server not reachable"},
    {kLoginRefused, kStatusIo, "record server refused the login"},
    {kBadStoreSetting, kStatusBadRequest, "KVB_STORE_<letter> is not a usable connection string"},
    {kNetworkFilesystem, kStatusBadRequest,
     "keyed files on a network filesystem: use a record server (KVB_STORE_<letter>)"},
    {kServerTimeout, kStatusIo, "no answer from the record server in time (KVB_SERVER_WAIT)"},
    {kCommitUnknown, kStatusIo,
     "connection to the record server lost during the commit: stored or not is unknown"},
};

const CodeInfo* Find(int16_t code) {
  for (const CodeInfo& info : kCodes) {
    if (info.code == code) return &info;
  }
  return nullptr;
}

}  // namespace

int16_t StatusOf(int16_t code) {
  const CodeInfo* info = Find(code);
  return info ? info->status : kStatusBadRequest;
}

int16_t Fail(int16_t code) { return FailWith(StatusOf(code), code); }

int16_t FailWith(int16_t status, int16_t code) {
  last_failure = code;
  last_cause = TakeCause(code);
  return status;
}

int16_t LastFailure() { return last_failure; }

const std::string& LastCause() { return last_cause; }

const char* Describe(int16_t code) {
  if (code == kNone) return "no failure";
  const CodeInfo* info = Find(code);
  return info ? info->text : "failure";
}

}  // namespace kvb
