// Failure codes of the library and the per-thread record of the last failure.
//
// Every failing call returns a non-zero status and records a secondary code
// that KVBerr returns. The status groups the codes into a few kinds (below);
// the secondary code says exactly what went wrong. kvb/README.md carries the
// same table for users.
//
// Ranges: 1-99 files, records and fields (this file): 30-39 stores and
// transactions, 40-49 files again, 50-59 the PostgreSQL store and where a
// store may live; 200-299 number editing and chained start
// (kvb/src/number_*.h).
#ifndef KVB_SRC_STATUS_H_
#define KVB_SRC_STATUS_H_

#include <cstdint>
#include <string>

#include "kvb.h"

namespace kvb {

// Kinds of failure, returned as the call's status.
using Status = int16_t;

inline constexpr int16_t kOk = 0;
inline constexpr int16_t kStatusNotFound = 1;    // a file, a record or a line that is not there
inline constexpr int16_t kStatusBadRequest = 2;  // the call cannot be done as asked
inline constexpr int16_t kStatusBadFile = 3;  // a file that is damaged, foreign or does not match
inline constexpr int16_t kStatusLocked = 4;   // held by another open file or process
inline constexpr int16_t kStatusIo = 5;       // the system refused a read, write or sync

// Secondary codes (KVBerr): the public table of kvb.h, under the names the
// library's own code uses.
inline constexpr int16_t kNone = 0;
inline constexpr int16_t kMissingFile = KVB_ERR_MISSING_FILE;
inline constexpr int16_t kUnmappedDrive = KVB_ERR_UNMAPPED_DRIVE;
inline constexpr int16_t kBadName = KVB_ERR_BAD_NAME;
inline constexpr int16_t kMissingLayout = KVB_ERR_MISSING_LAYOUT;
inline constexpr int16_t kMalformedLayout = KVB_ERR_MALFORMED_LAYOUT;
inline constexpr int16_t kNotOurs = KVB_ERR_NOT_OURS;
inline constexpr int16_t kLayoutMismatch = KVB_ERR_LAYOUT_MISMATCH;
inline constexpr int16_t kBadMode = KVB_ERR_BAD_MODE;
inline constexpr int16_t kFileNotOpen = KVB_ERR_FILE_NOT_OPEN;
inline constexpr int16_t kBadFileNumber = KVB_ERR_BAD_FILE_NUMBER;
inline constexpr int16_t kNotKeyed = KVB_ERR_NOT_KEYED;
inline constexpr int16_t kNotText = KVB_ERR_NOT_TEXT;
inline constexpr int16_t kWrongDirection = KVB_ERR_WRONG_DIRECTION;
inline constexpr int16_t kUnknownField = KVB_ERR_UNKNOWN_FIELD;
inline constexpr int16_t kUnknownOccurrence = KVB_ERR_UNKNOWN_OCCURRENCE;
inline constexpr int16_t kKeyTooLong = KVB_ERR_KEY_TOO_LONG;
inline constexpr int16_t kBlankKey = KVB_ERR_BLANK_KEY;
inline constexpr int16_t kNoPosition = KVB_ERR_NO_POSITION;
inline constexpr int16_t kNoRecord = KVB_ERR_NO_RECORD;
inline constexpr int16_t kLocked = KVB_ERR_LOCKED;
inline constexpr int16_t kEndOfFile = KVB_ERR_END_OF_FILE;
inline constexpr int16_t kIoError = KVB_ERR_IO_ERROR;
inline constexpr int16_t kDiskFull = KVB_ERR_DISK_FULL;
inline constexpr int16_t kBusy = KVB_ERR_BUSY;
inline constexpr int16_t kBadArgument = KVB_ERR_BAD_ARGUMENT;
inline constexpr int16_t kFileExists = KVB_ERR_FILE_EXISTS;
inline constexpr int16_t kCtrlZInside = KVB_ERR_CTRL_Z_INSIDE;
inline constexpr int16_t kLineTooLong = KVB_ERR_LINE_TOO_LONG;
inline constexpr int16_t kLeavesDrive = KVB_ERR_LEAVES_DRIVE;

// Stores and transactions (30-39).
inline constexpr int16_t kOldKeyedFile = KVB_ERR_OLD_KEYED_FILE;
inline constexpr int16_t kSecondStore = KVB_ERR_SECOND_STORE;
inline constexpr int16_t kTransactionOpen = KVB_ERR_TRANSACTION_OPEN;
inline constexpr int16_t kNoTransaction = KVB_ERR_NO_TRANSACTION;
inline constexpr int16_t kNoStoreTable = KVB_ERR_NO_STORE_TABLE;
inline constexpr int16_t kStoreInTransaction = KVB_ERR_STORE_IN_TRANSACTION;
inline constexpr int16_t kTransactionUndone = KVB_ERR_TRANSACTION_UNDONE;
inline constexpr int16_t kTableHasRecords = KVB_ERR_TABLE_HAS_RECORDS;

// Files again (40-49).
inline constexpr int16_t kPermissionDenied = KVB_ERR_PERMISSION_DENIED;
inline constexpr int16_t kDamagedStore = KVB_ERR_DAMAGED_STORE;
// The PostgreSQL store and where stores may live (50-59).
inline constexpr int16_t kConnectionLost = KVB_ERR_CONNECTION_LOST;
inline constexpr int16_t kServerUnreachable = KVB_ERR_SERVER_UNREACHABLE;
inline constexpr int16_t kLoginRefused = KVB_ERR_LOGIN_REFUSED;
inline constexpr int16_t kBadStoreSetting = KVB_ERR_BAD_STORE_SETTING;
inline constexpr int16_t kNetworkFilesystem = KVB_ERR_NETWORK_FILESYSTEM;
inline constexpr int16_t kServerTimeout = KVB_ERR_SERVER_TIMEOUT;
inline constexpr int16_t kCommitUnknown = KVB_ERR_COMMIT_UNKNOWN;

// The status that goes with a secondary code of this file's range; codes of
// other ranges report kStatusBadRequest.
int16_t StatusOf(int16_t code);

// Records code as this thread's last failure and returns its status, so a
// failing path reads `return Fail(kNoRecord);`. The failure's cause is the
// note taken for code (cause.h), or "" when there is none.
int16_t Fail(int16_t code);

// Records a failure with an explicit status (for codes outside this file).
int16_t FailWith(int16_t status, int16_t code);

// This thread's last recorded secondary code (kNone before any failure).
int16_t LastFailure();

// The cause of this thread's last recorded failure in plain words ("" when
// the failure has none, or before any failure).
const std::string& LastCause();

// One line describing a code, for tools and messages ("record locked").
const char* Describe(int16_t code);

}  // namespace kvb

#endif  // KVB_SRC_STATUS_H_
