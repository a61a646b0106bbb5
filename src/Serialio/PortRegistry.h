#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Serialio/PortDriverInfo.h"

namespace Serialio {

// The library-wide lists of known device names and of what the driver said about them.
// Names are compared ignoring case. Safe to use from any thread.
class PortRegistry {
  public:
    // Appends the name unless present; returns whether it was added.
    bool addPortName(const std::string& name);
    void addPortInfo(const std::string& name, const std::string& manufacturer,
                     const std::string& description);
    void clearPortListInfo();
    void clearPortList();

    std::vector<std::string> portList() const;
    std::vector<PortDriverInfo> portListInfo() const;
    std::optional<PortDriverInfo> portInfo() const;
    bool portListEmpty() const;

    int getPortListMode() const { return portListMode.load(); }
    void setPortListMode(int mode) { portListMode = mode; }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> names_;
    std::vector<PortDriverInfo> infos_;
    std::optional<PortDriverInfo> lastInfo_;
    std::atomic<int> portListMode{0};
};

bool equalIgnoringCase(const std::string& a, const std::string& b);

}  // namespace Serialio
