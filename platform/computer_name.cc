#include "platform/computer_name.h"

#include <unistd.h>

#include <climits>

namespace platform {

std::string ComputerNameFromHost(const std::string& host_name) {
  std::string name = host_name.substr(0, host_name.find('.'));
  if (name.size() > kComputerNameMax) name.resize(kComputerNameMax);
  return name;
}

std::string ComputerName() {
  char buffer[HOST_NAME_MAX + 1] = {};
  if (gethostname(buffer, sizeof buffer - 1) != 0) return "";
  return ComputerNameFromHost(buffer);
}

}  // namespace platform
