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

namespace kvb {

// Kinds of failure, returned as the call's status.
using Status = int16_t;

inline constexpr int16_t kOk = 0;
inline constexpr int16_t kStatusNotFound = 1;    // a file, a record or a line that is not there
inline constexpr int16_t kStatusBadRequest = 2;  // the call cannot be done as asked
inline constexpr int16_t kStatusBadFile = 3;  // a file that is damaged, foreign or does not match
inline constexpr int16_t kStatusLocked = 4;   // held by another open file or process
inline constexpr int16_t kStatusIo = 5;       // the system refused a read, write or sync

// Secondary codes (KVBerr) are plain int16_t constants.
inline constexpr int16_t kNone = 0;
inline constexpr int16_t kMissingFile = 1;      // data file, or a folder on its path, not found
inline constexpr int16_t kUnmappedDrive = 2;    // X: without KVB_DRIVE_X
inline constexpr int16_t kBadName = 3;          // empty or unusable file name
inline constexpr int16_t kMissingLayout = 4;    // layout (.FID) file not found
inline constexpr int16_t kMalformedLayout = 5;  // layout file does not parse
inline constexpr int16_t kNotOurs = 6;  // data file is not a keyed record file of this library
inline constexpr int16_t kLayoutMismatch = 7;   // data file was made with another layout
inline constexpr int16_t kBadMode = 8;          // open mode not known for this kind of file
inline constexpr int16_t kFileNotOpen = 9;      // file number never opened (or already closed)
inline constexpr int16_t kBadFileNumber = 10;   // file number 0 or negative where a file is needed
inline constexpr int16_t kNotKeyed = 11;        // record operation on a text file
inline constexpr int16_t kNotText = 12;         // line operation on a keyed file
inline constexpr int16_t kWrongDirection = 13;  // read from a made file, write to a read-only one
inline constexpr int16_t kUnknownField = 14;    // field name not in the layout
inline constexpr int16_t kUnknownOccurrence =
    15;                                      // occurrence beyond the field's count, or negative
inline constexpr int16_t kKeyTooLong = 16;   // key text longer than the key field
inline constexpr int16_t kBlankKey = 17;     // write of a record whose key field is blank
inline constexpr int16_t kNoPosition = 18;   // read or lock before any KVBposn
inline constexpr int16_t kNoRecord = 19;     // no record at the position
inline constexpr int16_t kLocked = 20;       // record locked by another open of the file
inline constexpr int16_t kEndOfFile = 21;    // no further line in a text file
inline constexpr int16_t kIoError = 22;      // the system failed a read, write or sync
inline constexpr int16_t kDiskFull = 23;     // no space left
inline constexpr int16_t kBusy = 24;         // database held by another process too long
inline constexpr int16_t kBadArgument = 25;  // missing (NULL) argument
inline constexpr int16_t kFileExists = 26;   // make of a keyed file that already exists
inline constexpr int16_t kCtrlZInside = 27;  // text file with data after a Ctrl-Z
inline constexpr int16_t kLineTooLong = 28;  // text line longer than TextReader::kMaxLine
inline constexpr int16_t kLeavesDrive = 29;  // path whose ".." climbs above its drive's folder

// Stores and transactions (30-39).
inline constexpr int16_t kOldKeyedFile = 30;  // .DAT still its own database: run kvbtool upgrade
inline constexpr int16_t kSecondStore = 31;   // write in a transaction to a second folder's store
inline constexpr int16_t kTransactionOpen = 32;  // KVBbegin while the base's transaction is open
inline constexpr int16_t kNoTransaction = 33;    // commit or rollback without KVBbegin
inline constexpr int16_t kNoStoreTable = 34;  // .DAT whose records are not in the folder's store
inline constexpr int16_t kStoreInTransaction =
    35;  // write to a store held by the transaction of another base of this process
inline constexpr int16_t kTransactionUndone = 36;  // a write of the transaction failed: all undone

// Files again (40-49).
inline constexpr int16_t kPermissionDenied = 40;  // the system refused access to a file or folder
inline constexpr int16_t kDamagedStore = 41;      // KVBSTORE.DB is not a sound SQLite database
// The PostgreSQL store and where stores may live (50-59).
inline constexpr int16_t kConnectionLost = 50;     // connection to the record server lost
inline constexpr int16_t kServerUnreachable = 51;  // no record server answers at the address
inline constexpr int16_t kLoginRefused = 52;  // the server answered but refused the login
inline constexpr int16_t kBadStoreSetting = 53;  // KVB_STORE_X is not a usable connection string
inline constexpr int16_t kNetworkFilesystem =
    54;  // an SQLite store on a network filesystem: use the PostgreSQL store

// The status that goes with a secondary code of this file's range; codes of
// other ranges report kStatusBadRequest.
int16_t StatusOf(int16_t code);

// Records code as this thread's last failure and returns its status, so a
// failing path reads `return Fail(kNoRecord);`.
int16_t Fail(int16_t code);

// Records a failure with an explicit status (for codes outside this file).
int16_t FailWith(int16_t status, int16_t code);

// This thread's last recorded secondary code (kNone before any failure).
int16_t LastFailure();

// One line describing a code, for tools and messages ("record locked").
const char* Describe(int16_t code);

}  // namespace kvb

#endif  // KVB_SRC_STATUS_H_
