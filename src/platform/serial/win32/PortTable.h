#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/serial/PortSlots.h"
#include "platform/serial/win32/Win32Port.h"

struct SerPortConfig;

namespace win32serial {

// The driver's open ports by 0-based number. Opening and closing are serialised here; a port
// is then used by one reader.
class PortTable {
  public:
    static constexpr int kMaxPorts = serialdriver::PortSlots<Win32Port>::kMaxPorts;

    int open(SerPortConfig& config);
    int close(int p);
    Win32Port* find(int p) const;

    // Kept for the interface: Windows opens a COM port for one handle at a time anyway.
    void setExclusive(bool on) { exclusive_ = on; }
    bool exclusive() const { return exclusive_; }

  private:
    mutable std::mutex mutex_;
    serialdriver::PortSlots<Win32Port> ports_;
    std::atomic<bool> exclusive_{true};
};

}  // namespace win32serial
