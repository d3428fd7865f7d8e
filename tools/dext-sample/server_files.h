// The keyed files of a sample dealership whose drive F: keeps them on a
// record server (KVB_STORE_F). A folder's files are built in a scratch
// folder and moved into place; a server has no such folder, so there they
// are made under temporary names ("F:\DLR\KVIN.DAT.partial") and renamed
// into place at the end, each in one step of the server. A build that fails
// removes what it made, so it leaves nothing on the server.
#ifndef DEXT_TOOLS_DEXT_SAMPLE_SERVER_FILES_H_
#define DEXT_TOOLS_DEXT_SAMPLE_SERVER_FILES_H_

#include <functional>
#include <string>
#include <vector>

namespace sample {

// Runs kvbtool with the words, its standard output discarded and its
// errors shown or not; its exit status.
using Kvbtool = std::function<int(const std::vector<std::string>& words, bool show_errors)>;

class ServerFiles {
 public:
  // names: the dealership's keyed files, as "F:\DLR\KVIN.DAT".
  ServerFiles(std::vector<std::string> names, Kvbtool kvbtool);

  // True when drive F:'s keyed files are on a server (KVB_STORE_F is set).
  static bool Wanted();

  // The name a file is made under while the dealership is built.
  static std::string Building(const std::string& name);

  // Before building: without force, throws std::runtime_error when the
  // server holds one of the files; removes what an earlier build that died
  // left under the temporary names.
  void Prepare(bool force);
  // After building: renames the files into place (with force, replacing
  // those there). When a rename fails, removes the files this build made
  // and throws std::runtime_error.
  void Place(bool force);
  // After a failed build: removes the files made under temporary names.
  void Discard();

 private:
  bool Exists(const std::string& name);

  std::vector<std::string> names_;
  Kvbtool kvbtool_;
};

}  // namespace sample

#endif  // DEXT_TOOLS_DEXT_SAMPLE_SERVER_FILES_H_
