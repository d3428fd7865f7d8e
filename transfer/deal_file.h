// The driver's own file work outside the record library's checked operations:
// whole-record reads, the file of skipped deals and the deletion of the deal
// file after the last deal.
#ifndef DEXT_TRANSFER_DEAL_FILE_H_
#define DEXT_TRANSFER_DEAL_FILE_H_

#include <cstdint>
#include <string>

#include "transfer/file_system.h"

#include "context/file_numbers.h"

namespace dext {

inline constexpr char kDealFileName[] = "DEXT.DAT";
inline constexpr char kSavedDestinationName[] = "DEX2GL.DAT";
inline constexpr char kSkippedDealsName[] = "DEXT.SKP";

// Reads the next whole record of a text record file with KVBget, at most
// ResultWord characters (-1: the whole record). The record is copied into
// RecordBuffer from the left and ResultWord becomes its length. Returns the
// library's status.
int16_t ReadWholeRecord(FileNumber file);

// Records the failure of a whole-record read (status, secondary code) in
// ErrorInfo, composed like the checked operations compose theirs, so the
// error box names it; detail goes on the lines below.
void RecordWholeReadFailure(FileOffset offset, int16_t status, int16_t code,
                            const std::string& detail = "");

// The first ResultWord characters of RecordBuffer.
std::string RecordRead();

// Appends the two records of a deal, one line each, to the file at path and
// makes them durable, unless the file ends with them already. False when
// that fails.
bool AppendSkippedDeal(FileSystem& files, const std::string& path, const std::string& record1,
                       const std::string& record2);

// How taking the deal file's lock went.
enum class DealFileLock { kTaken, kHeldByAnother, kNotOpened };

// Takes an exclusive lock on the deal file for the rest of the process (or
// until the next call), so a second dext in the same work folder finds the
// first and leaves the file alone. The lock goes with the process.
DealFileLock LockDealFile(FileSystem& files, const std::string& name);

// The number of deals (record pairs) in the deal file, counted from its line
// ends, for the user's information; -1 when it is no regular file.
int CountDeals(const std::string& name);

// The name StartTransfer found the deal file under, for the deal loop.
std::string& DealFileName();

// Deletes the file; true when it is gone. On failure *cause says why.
bool DeleteDealFile(FileSystem& files, const std::string& name, std::string* cause);

}  // namespace dext

#endif  // DEXT_TRANSFER_DEAL_FILE_H_
