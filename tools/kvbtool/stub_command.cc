#include "tools/kvbtool/stub_command.h"

#include <string>

#include "keyed_file.h"
#include "keyed_stub.h"
#include "path.h"
#include "sqlite_store.h"
#include "status.h"
#include "store_cache.h"
#include "tools/kvbtool/command_words.h"

namespace kvbtool {
namespace {

constexpr char kStubUsage[] =
    "usage: kvbtool stub FILE.DAT\n"
    "Puts back the .DAT of a keyed record file whose records are in its folder's\n"
    "KVBSTORE.DB but whose .DAT was deleted (the file then opens again with every\n"
    "record). Refuses when the .DAT is there or the store holds no such file.\n";

int Failed(Streams io, const std::string& name, const std::string& why) {
  io.err << "kvbtool: " << name << ": " << why << "\n";
  return 1;
}

}  // namespace

int RunStub(int argc, char** argv, Streams io) {
  CommandWords words;
  if (auto done = ReadCommand({kStubUsage, {}, 1, 1}, &argc, &argv, io.out, io.err, &words)) {
    return *done;
  }
  const std::string name = argv[1];
  std::string host;
  if (int16_t code = kvb::ResolvePath(name, &host); code != kvb::kNone) {
    return Failed(io, name, kvb::Describe(code));
  }
  kvb::StoreCache stores;
  switch (const int16_t code = kvb::RestoreStub(stores, host, kvb::DriveOf(name))) {
    case kvb::kNone:
      io.out << name << ": put back; its records are in " << kvb::FolderOf(host) << "/"
             << kvb::kStoreFileName << "\n";
      return 0;
    case kvb::kFileExists:
      return Failed(io, name, "the .DAT is there; nothing to put back");
    case kvb::kNoStoreTable:
      return Failed(io, name, "the folder's store holds no records of this file");
    case kvb::kBadName:
      return Failed(io, name, "a file on a record server has no .DAT");
    default:
      return Failed(io, name, kvb::Describe(code));
  }
}

}  // namespace kvbtool
