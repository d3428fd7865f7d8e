// The driver's own file work outside the record library's checked operations:
// whole-record reads, the file of skipped deals and the deletion of the deal
// file after the last deal.
#ifndef DEXT_TRANSFER_DEAL_FILE_H_
#define DEXT_TRANSFER_DEAL_FILE_H_

#include <cstdint>
#include <string>

namespace dext {

inline constexpr char kDealFileName[] = "DEXT.DAT";
inline constexpr char kSavedDestinationName[] = "DEX2GL.DAT";
inline constexpr char kSkippedDealsName[] = "DEXT.SKP";

// Reads the next whole record of a text record file with KVBget, at most
// ResultWord characters (-1: the whole record). The record is copied into
// RecordBuffer from the left and ResultWord becomes its length. Returns the
// library's status.
int16_t ReadWholeRecord(int16_t file);

// Records the failure of a whole-record read in ErrorInfo, composed like the
// checked operations compose theirs, so the error box names it.
void RecordWholeReadFailure(int16_t offset, int16_t status);

// The first ResultWord characters of RecordBuffer.
std::string RecordRead();

// Appends the two records of a deal, one line each, to the file at path and
// makes them durable. False when that fails.
bool AppendSkippedDeal(const std::string& path, const std::string& record1,
                       const std::string& record2);

// Deletes the file of that name in the current directory, found as the record
// library finds it (exact name first, else the same name in another case).
// Any failure is passed over.
void DeleteInCurrentDirectory(const std::string& name);

}  // namespace dext

#endif  // DEXT_TRANSFER_DEAL_FILE_H_
