// The checks every step of the transfer goes through, and the records a
// preview plans instead of storing them.
#include <cstdint>
#include <string>
#include <utility>

#include "context/session.h"
#include "records/checked.h"
#include "records/numeric.h"
#include "session/orderly_end.h"
#include "transfer/postings.h"
#include "transfer/text.h"

namespace dext {

void CheckStatus(int16_t status) {
  Session().LastStatus = status;
  if (status != 0) ShowErrorAndEnd();
}

bool ReadAtPosition(FileNumber file) {
  SessionContext& session = Session();
  session.LastStatus = ReadRecord(file, KVB_READ_AT_POSITION);
  if (session.LastStatus == 0) return true;
  if (session.ErrorInfo.Code == KVB_ERR_NO_RECORD) return false;
  ShowErrorAndEnd();
}

bool ReadAtPosition(FileNumber file, const std::string& key, const PlannedRecords* planned) {
  if (ReadAtPosition(file)) return true;
  return planned != nullptr && planned->PutBack(file, key);
}

bool ReadAtKey(FileNumber file, const std::string& key, const PlannedRecords* planned) {
  CheckStatus(PositionOnKey(file, key));
  return ReadAtPosition(file, key, planned);
}

void StoreDecided(const PostingDecision& decision) {
  if (decision.store) CheckStatus(StoreRecord(decision.file));
}

// Keys are compared as the library compares them: trailing blanks do not
// matter.
void PlannedRecords::Note(FileNumber file, const std::string& key, FieldValues fields) {
  records_[{file.value, TrimRight(key)}] = std::move(fields);
}

bool PlannedRecords::PutBack(FileNumber file, const std::string& key) const {
  const auto found = records_.find({file.value, TrimRight(key)});
  if (found == records_.end()) return false;
  CheckStatus(ClearRecord(file));
  for (const auto& [field, value] : found->second) PutFieldValue(value, field, file, 0);
  return true;
}

}  // namespace dext
