// What kvbtool check shows of a keyed file: its layout, and for a file on a
// server the catalogue's soundness (a folder's store gets SQLite's
// integrity check in commands.cc).
#ifndef DEXT_TOOLS_KVBTOOL_CHECK_COMMAND_H_
#define DEXT_TOOLS_KVBTOOL_CHECK_COMMAND_H_

#include <ostream>
#include <string>

#include "layout.h"
#include "tools/kvbtool/commands.h"

namespace kvbtool {

// "layout: ..." and a line per field: name, width, occurrences, the number
// mark and the key.
void PrintLayout(const kvb::Layout& layout, std::ostream& out);

// check of the keyed file name (host path host) on its drive's server: the
// layout, the number of records, the view, and whether the catalogue is
// sound (exit status 1 when it is not).
int RunServerCheck(const std::string& name, const std::string& host, Streams io);

}  // namespace kvbtool

#endif  // DEXT_TOOLS_KVBTOOL_CHECK_COMMAND_H_
