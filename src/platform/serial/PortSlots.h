#pragma once
// A driver's open ports by 0-based port number, the same for the drivers of every system.
// Not locked: the driver's port table serialises opening and closing.

#include <array>
#include <memory>
#include <string>

#include "platform/serial/DriverError.h"
#include "platform/serial/SerialDriver.h"

namespace serialdriver {

template <class Port>
class PortSlots {
  public:
    static constexpr int kMaxPorts = 64;

    // The lowest free port number; -1 when every one is taken.
    int freeSlot() const {
        for (int p = 0; p < kMaxPorts; ++p)
            if (!ports_[static_cast<std::size_t>(p)]) return p;
        return -1;
    }

    Port* find(int p) const {
        if (p < 0 || p >= kMaxPorts) return nullptr;
        return ports_[static_cast<std::size_t>(p)].get();
    }

    // The first open port that `matches` says yes to, else null.
    template <class Matches>
    const Port* findIf(Matches matches) const {
        for (const auto& port : ports_)
            if (port && matches(*port)) return port.get();
        return nullptr;
    }

    void put(int p, std::unique_ptr<Port> port) {
        ports_[static_cast<std::size_t>(p)] = std::move(port);
    }

    int close(int p) {
        if (!find(p)) {
            setErrorText("port " + std::to_string(p) + " is not open");
            return SER_ERR_BAD_PORT;
        }
        ports_[static_cast<std::size_t>(p)].reset();
        return SER_OK;
    }

  private:
    std::array<std::unique_ptr<Port>, kMaxPorts> ports_;
};

}  // namespace serialdriver
