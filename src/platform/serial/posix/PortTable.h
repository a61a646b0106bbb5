#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/serial/PortSlots.h"
#include "platform/serial/posix/PosixPort.h"

struct SerPortConfig;

namespace posixserial {

// The driver's open ports by 0-based number. Opening and closing are serialised here (the
// serial library also holds its own lock around them); a port is then used by one reader.
class PortTable {
  public:
    static constexpr int kMaxPorts = serialdriver::PortSlots<PosixPort>::kMaxPorts;

    int open(SerPortConfig& config);
    int close(int p);
    PosixPort* find(int p) const;

    // Whether ports opened from now on keep other opens of their device out.
    void setExclusive(bool on) { exclusive_ = on; }
    bool exclusive() const { return exclusive_; }

  private:
    bool deviceOpen(dev_t device) const;

    mutable std::mutex mutex_;
    serialdriver::PortSlots<PosixPort> ports_;
    std::atomic<bool> exclusive_{true};
};

}  // namespace posixserial
