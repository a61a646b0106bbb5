#pragma once

#include <string>

namespace Serialio {

// What the native driver reports about one port.
class PortDriverInfo {
  public:
    PortDriverInfo(std::string name, std::string manufacture, std::string description)
        : name(std::move(name)),
          manufacture(std::move(manufacture)),
          description(std::move(description)) {}

    const std::string& getPortName() const { return name; }
    const std::string& getDriverMfgr() const { return manufacture; }
    const std::string& getDriverDesc() const { return description; }

    bool operator==(const PortDriverInfo&) const = default;

  private:
    std::string name;
    std::string manufacture;
    std::string description;
};

}  // namespace Serialio
