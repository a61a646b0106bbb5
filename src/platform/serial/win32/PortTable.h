#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>

#include "platform/serial/win32/Win32Port.h"

struct SerPortConfig;

namespace win32serial {

// The driver's open ports by 0-based number. Opening and closing are serialised here; a port
// is then used by one reader.
class PortTable {
  public:
    static constexpr int kMaxPorts = 64;

    int open(SerPortConfig& config);
    int close(int p);
    Win32Port* find(int p) const;

    // Kept for the interface: Windows opens a COM port for one handle at a time anyway.
    void setExclusive(bool on) { exclusive_ = on; }
    bool exclusive() const { return exclusive_; }

  private:
    mutable std::mutex mutex_;
    std::array<std::unique_ptr<Win32Port>, kMaxPorts> ports_;
    std::atomic<bool> exclusive_{true};
};

}  // namespace win32serial
