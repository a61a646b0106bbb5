#pragma once

#include <array>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/serial/SerialDriver.h"
#include "platform/serial/sim/SimPort.h"

namespace simserial {

// Everything the simulated driver knows, shared by the driver table and the test controls.
class SimState {
  public:
    static constexpr int kMaxPorts = 64;
    using Hook = void (*)(const char* operation, void* context);

    static SimState& instance();

    // Runs the call hook (outside the lock, so it may look at anything), then returns the
    // forced result of the operation, if a test set one.
    // The reason the forced call gives, if the test set one, goes to text.
    std::optional<int> enter(const char* operation, std::string* text = nullptr);

    void reset();
    SimPort* byName(const std::string& name);
    SimPort* bySlot(int p);
    int freeSlot() const;

    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::unique_ptr<SimPort>> ports;
    std::array<SimPort*, kMaxPorts> slots{};
    std::map<std::string, int> forced;
    std::map<std::string, std::string> forcedText;
    Hook hook = nullptr;
    void* hookContext = nullptr;
    SerDeviceNotification notification = nullptr;
    void* notificationContext = nullptr;
    int instanceLock = 1;
};

}  // namespace simserial
