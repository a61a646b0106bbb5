#pragma once

#include <optional>
#include <string>

namespace Serialio {

// Process-wide named settings ("os.name", "SERIAL_PORT_LIST", ...), readable from any thread.
// "os.name", "os.arch" and "user.home" start out with what the system reports.
class SystemProperties {
  public:
    static std::optional<std::string> get(const std::string& key);
    static std::string get(const std::string& key, const std::string& fallback);
    static void set(const std::string& key, const std::string& value);
    static void clear(const std::string& key);
};

}  // namespace Serialio
