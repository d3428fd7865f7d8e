// The checked file operations: each calls its library function with the
// caller's arguments, returns the status unchanged and, on a non-zero status,
// records the failure and its error text in ErrorInfo. None displays anything.
#ifndef DEXT_RECORDS_CHECKED_H_
#define DEXT_RECORDS_CHECKED_H_

#include <cstdint>
#include <string>

#include "context/file_numbers.h"
#include "kvb.h"

namespace dext {

// The name the file at offset was last opened or made under (empty: none).
std::string OpenedFileName(FileOffset offset);

// Records a failure in ErrorInfo as the checked operations do: "ID  " and
// the number (a file's offset, or a base), the label (", Read Error # "),
// status-code and the program's name; the file's name when names_a_file;
// for a library code, the library's cause of its last failure (KVBerrcause).
// Detail is cleared.
void RecordFailure(int16_t number, const char* label, int16_t status, int16_t code,
                   bool names_a_file = true);

int16_t OpenFile(const std::string& data_file, const std::string& layout, const std::string& text,
                 FileNumber file, int16_t mode, int16_t flag);
int16_t MakeFile(const std::string& data_file, const std::string& layout, const std::string& text,
                 FileNumber file, int16_t mode, int16_t flag);
int16_t ReadRecord(FileNumber file, int16_t option);
int16_t WriteRecord(FileNumber file, int16_t count, int16_t option);
int16_t CloseFile(FileNumber file);
int16_t CloseAll(int16_t base);
int16_t PositionFile(FileNumber file, const std::string& key, int16_t direction,
                     const std::string& index, int16_t flag);
int16_t ClearRecord(FileNumber file);
int16_t CopyRecord(FileNumber source, FileNumber destination);
int16_t LockRecord(FileNumber file);
int16_t SetHost(int16_t base, const std::string& network_type);
int16_t PutField(const std::string& text, FileNumber file, int16_t width);

// The transaction of the files under base (KVBbegin, KVBcommit): the writes of
// one deal are stored together or not at all. The number after "ID  " is the
// base, as for CloseAll.
int16_t BeginTransaction(int16_t base);
int16_t CommitTransaction(int16_t base);

// Positions a keyed file on a key, forward, by its one index.
int16_t PositionOnKey(FileNumber file, const std::string& key);

// Stores the record buffer of a keyed file under the key in its key field.
int16_t StoreRecord(FileNumber file);

// Deletes the record at the position of a keyed file (KVBdelete).
int16_t DeleteRecord(FileNumber file);

}  // namespace dext

#endif  // DEXT_RECORDS_CHECKED_H_
