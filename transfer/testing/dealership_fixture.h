// A dealership on temporary folders for the transfer's tests: drive F: mapped
// into a temporary folder (layouts under F:\KD\FF, record files under F:\DLR),
// a work folder as the current directory, the real libkvb bound, and the
// session set up as a stand-alone start leaves it.
#ifndef DEXT_TRANSFER_TESTING_DEALERSHIP_FIXTURE_H_
#define DEXT_TRANSFER_TESTING_DEALERSHIP_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "records/testing/scratch_drive.h"
#include "session/orderly_end.h"
#include "transfer/file_system.h"
#include "tools/dext-sample/fixed_record.h"

namespace dext::testing {

using Fields = std::map<std::string, std::string>;

// The two records of a deal, filled column by column.
struct DealRecords {
  sample::FixedRecord first{249};
  sample::FixedRecord second{249};
  // The deal as the deal file holds it: each record a line.
  std::string Text() const;
};

// A deal for stock number A10001, trading in T00042, with every column the
// postings read filled as a deal file fills it: amounts right-aligned, texts
// left-aligned. A column range off by one or two reads a different value:
// an amount with blanks to its left is followed by a column that starts with
// a digit of 6 or more (an amount that fills its 8 columns, or a text), and
// texts compared whole, blanks included, lose or gain a character.
DealRecords FullDeal();

class DealershipTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the empty keyed files under F:\DLR (KJRTH only when asked).
  void MakeKeyedFiles(bool with_kjrvh = true, bool with_kjrth = false);
  // Opens the target files under FileBase + 2, 3 and 5, the accounting file
  // named, to store records before a transfer and read them after one.
  void OpenTargetFiles(const std::string& accounting = "KJRVH");
  // A fresh session with the target files open, to read what a run stored.
  void Reopen(const std::string& accounting = "KJRVH");

  // Stores a record: the buffer of file FileBase + offset is cleared, the
  // fields are put ("DA.3" for occurrence 3) and the record is written.
  void StoreRecord(FileOffset offset, const Fields& fields);
  // Stores the vehicle in the inventory.
  void StockVehicle(const std::string& stock, const std::string& vin = "1FTFW1E50JFA12345",
                    const std::string& nu = "N");
  // Loads the record under key into the buffer of FileBase + offset; false
  // when there is none.
  bool LoadRecord(FileOffset offset, const std::string& key);
  // A field of the buffer of FileBase + offset, trailing blanks removed.
  std::string Field(FileOffset offset, const std::string& name, int16_t occurrence = 0);
  // The same field as stored, blanks and all.
  std::string WholeField(FileOffset offset, const std::string& name, int16_t occurrence = 0);
  // Closes the files, saves F:\DLR as the destination, writes the deals as
  // DEXT.DAT and runs dext in a fresh session (see RunDext).
  std::optional<ExitStatus> Transfer(const std::vector<DealRecords>& deals);
  // The messages shown in boxes since SetUp.
  const std::vector<std::string>& Messages() const;

  // A fresh session as a stand-alone start leaves it (FileBase from KVBinit).
  void NewSession();

  // Runs the transfer as dext does: StartTransfer, then the event loop on
  // the scripted keys. Returns how the program ended, or nullopt when it is
  // still waiting on the screen after the keys; summary() is the run's
  // summary line.
  std::optional<ExitStatus> RunDext(const std::string& keys = "");
  const std::string& summary() const { return summary_; }
  // The work folder's file system of the runs from now on (the host's
  // until then); it must outlive them.
  void UseFileSystem(FileSystem& files) { files_ = &files; }

  // Called while a message box is up, before it is answered.
  void OnMessage(std::function<void(const std::string&)> action);

  bool Exists(const std::filesystem::path& path) const;
  std::string ReadText(const std::filesystem::path& path) const;
  void WriteText(const std::filesystem::path& path, const std::string& text) const;

  std::filesystem::path root_;
  std::filesystem::path work_;
  std::filesystem::path data_;

 private:
  std::optional<ScratchDrive> drive_;
  std::string summary_;
  FileSystem* files_ = &PosixFiles();
};

// A dealership whose keyed files KJRVH, KCU and KVIN are made and open.
class PostingTest : public DealershipTest {
 protected:
  void SetUp() override;
};

}  // namespace dext::testing

#endif  // DEXT_TRANSFER_TESTING_DEALERSHIP_FIXTURE_H_
