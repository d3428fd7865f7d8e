// The name a connection to a record server carries (PostgreSQL's
// application_name, at most 63 bytes), so that an administrator tells the
// desks apart in pg_stat_activity and in kvbtool locks:
//
//   PROGRAM@DESK:FOLDER      dext@ws2:/srv/fi/work
//
// PROGRAM is the program's name, DESK the workstation (KVB_DESK when set,
// else the host name), FOLDER the current directory (the work folder). A
// name that does not fit keeps at most 16 bytes of the program and 24 of the
// desk, and the end of the folder after "...". Characters other than
// printable ASCII, and '@' and ':' in the program and desk, become '_'.
#ifndef KVB_SRC_CONNECTION_NAME_H_
#define KVB_SRC_CONNECTION_NAME_H_

#include <string>
#include <string_view>

namespace kvb {

inline constexpr size_t kMaxConnectionName = 63;

// The name made of its parts.
std::string ConnectionName(std::string_view program, std::string_view desk,
                           std::string_view folder);

// The name of this process's connections: its program, KVB_DESK or the host
// name, and its current directory, as they are now.
std::string ThisConnectionName();

}  // namespace kvb

#endif  // KVB_SRC_CONNECTION_NAME_H_
