#pragma once

#include <string>
#include <vector>

namespace Serialio {

// COM1, COM2, COM10 (by number, rebuilt as "COM" + number), then the names that do not begin
// with "COM" in list order, then any other "COM..." names in list order.
std::vector<std::string> orderComPortsFirst(const std::vector<std::string>& names);

}  // namespace Serialio
