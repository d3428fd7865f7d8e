#include "open_files.h"

#include "status.h"

namespace kvb {

Library& TheLibrary() {
  static Library* library = new Library;  // never destroyed: usable from exit handlers
  return *library;
}

OpenFile* FindFile(Library& library, int16_t number, int16_t* code) {
  if (number <= 0) {
    *code = kBadFileNumber;
    return nullptr;
  }
  auto it = library.files.find(number);
  if (it == library.files.end()) {
    *code = kFileNotOpen;
    return nullptr;
  }
  return &it->second;
}

std::map<int16_t, Transaction>::iterator TransactionOf(Library& library, int number) {
  auto it = library.transactions.upper_bound(static_cast<int16_t>(number));
  if (it == library.transactions.begin()) return library.transactions.end();
  --it;
  return number < it->first + kFilesPerBase ? it : library.transactions.end();
}

void RollBack(Library& library, std::map<int16_t, Transaction>::iterator transaction) {
  if (transaction->second.store) transaction->second.store->Rollback();
  library.transactions.erase(transaction);
}

int16_t CloseFile(Library& library, int16_t number) {
  auto it = library.files.find(number);
  if (it == library.files.end()) return kFileNotOpen;
  int16_t code = kNone;
  OpenFile& file = it->second;
  if (auto transaction = TransactionOf(library, number);
      file.keyed && transaction != library.transactions.end()) {
    RollBack(library, transaction);
  }
  if (file.writer) code = file.writer->Publish();
  if (file.keyed) code = file.keyed->Sync();
  library.files.erase(it);
  return code;
}

const char* TextResult(std::string_view text) {
  thread_local std::string result;
  result.assign(text);
  return result.c_str();
}

}  // namespace kvb
