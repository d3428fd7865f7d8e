// The .DAT name of a keyed file. The records live in the folder's store; the
// .DAT stays a small text file, so that the file-exists test, case-insensitive
// names, permissions and listings work on it as on any file, and record
// locks have a file beside it.
#ifndef KVB_SRC_KEYED_STUB_H_
#define KVB_SRC_KEYED_STUB_H_

#include <cstdint>
#include <string>

namespace kvb {

// The stub's one line.
inline constexpr char kStubLine[] = "kvb keyed file; records in KVBSTORE.DB";

// The folder of a host path ("." for a bare name) and the name of its file's
// table in the store: the file name in upper case ("kvin.dat" -> "KVIN.DAT").
std::string FolderOf(const std::string& host_path);
std::string TableNameOf(const std::string& host_path);

// kNone for a stub; kMissingFile, kOldKeyedFile (a database of the
// one-database-per-file form), kNotOurs or kIoError.
int16_t CheckStub(const std::string& host_path);

// Makes the folder's entries (a file placed, renamed or removed) durable:
// kNone or the system's failure, with its cause.
int16_t SyncFolder(const std::string& folder);

// Places a stub at host_path as a whole: a temporary file in the folder is
// written and synced, then linked to the name (or, with replace, renamed
// over it), and the folder is synced. Without replace an existing file
// fails with kFileExists.
int16_t PlaceStub(const std::string& host_path, bool replace);

}  // namespace kvb

#endif  // KVB_SRC_KEYED_STUB_H_
