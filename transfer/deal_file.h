// The driver's own file work outside the record library's checked operations:
// whole-record reads and the file of skipped deals.
#ifndef DEXT_TRANSFER_DEAL_FILE_H_
#define DEXT_TRANSFER_DEAL_FILE_H_

#include <cstdint>
#include <string>

#include "transfer/file_system.h"

#include "context/file_numbers.h"

namespace dext {

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

// The size of the file of skipped deals at path (0 when there is none yet):
// where the next deal kept there goes. False with *cause when it cannot be
// told.
bool SkippedDealsSize(FileSystem& files, const std::string& path, uint64_t* size,
                      std::string* cause);

// Makes sure the two records of a skipped deal, one line each, are in the
// file at path from kept_at on (where they went, or were to go, when the
// deal was noted done): appends them and makes them durable unless they are
// there. False with *cause when that fails.
bool KeepSkippedDeal(FileSystem& files, const std::string& path, const std::string& record1,
                     const std::string& record2, uint64_t kept_at, std::string* cause);


}  // namespace dext

#endif  // DEXT_TRANSFER_DEAL_FILE_H_
