// Chained-start blocks kept in a folder private to the user.
//
// Each block is one file, "block-<handle>", in the folder; it is replaced
// atomically (temporary file, sync, rename), so a reader sees the old block
// or the new one, never a mix. Updates of one folder are serialised by an
// advisory lock on the folder, in this and other processes.
//
// A folder or a block file that is a symbolic link, is not owned by the
// user, or can be written by group or others is refused: another user could
// have planted or changed the block in it.
#ifndef DEXT_KVB_SRC_CHAIN_STORE_H_
#define DEXT_KVB_SRC_CHAIN_STORE_H_

#include <cstdint>
#include <string>

#include "chain_block.h"

namespace kvb {

// The folder the library uses: $KVB_CHAIN_DIR when set, else
// $XDG_RUNTIME_DIR/kvb, else $HOME/.local/state/kvb/chain (only absolute
// values count); "" when none of them is set.
std::string DefaultChainFolder();

class ChainFolder {
 public:
  // Opens the folder, making it (and missing parents) with mode 0700 when
  // absent, and checks that it is private. Returns a ChainCode.
  int16_t Open(const std::string& path);
  ~ChainFolder();

  // *found is false (and the block all empty) when there is no block.
  int16_t Load(int16_t handle, ChainBlock* block, bool* found) const;
  int16_t Store(int16_t handle, const ChainBlock& block) const;
  // Sets one text of the block, making the block when absent.
  int16_t Update(int16_t handle, int index, const std::string& text) const;
  // Removing an absent block succeeds.
  int16_t Remove(int16_t handle) const;

 private:
  // Store without taking the folder lock (the caller holds it).
  int16_t Replace(int16_t handle, const ChainBlock& block) const;

  int fd_ = -1;
  std::string path_;  // for the causes of failures
};

}  // namespace kvb

#endif  // DEXT_KVB_SRC_CHAIN_STORE_H_
