#include "platform/serial/sim/SimState.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>
#include <utility>

#include "platform/serial/sim/SimControl.h"

namespace simserial {

SimState& SimState::instance() {
    // Never destroyed: the serial library may still call in while the process exits.
    static auto* state = new SimState;
    return *state;
}

std::optional<int> SimState::enter(const char* operation, std::string* text) {
    Hook current;
    void* context;
    {
        std::lock_guard lock(mutex);
        current = hook;
        context = hookContext;
    }
    if (current) current(operation, context);
    std::lock_guard lock(mutex);
    auto it = forced.find(operation);
    if (it == forced.end()) return std::nullopt;
    auto why = forcedText.find(operation);
    if (text && why != forcedText.end()) *text = why->second;
    return it->second;
}

void SimState::reset() {
    for (auto& port : ports) close(port->dataSignal);
    ports.clear();
    slots.fill(nullptr);
    forced.clear();
    forcedText.clear();
    hook = nullptr;
    hookContext = nullptr;
    notification = nullptr;
    notificationContext = nullptr;
    instanceLock = 1;
}

SimPort* SimState::byName(const std::string& name) {
    for (auto& port : ports)
        if (port->name == name) return port.get();
    return nullptr;
}

SimPort* SimState::bySlot(int p) {
    if (p < 0 || p >= kMaxPorts) return nullptr;
    return slots[static_cast<size_t>(p)];
}

int SimState::freeSlot() const {
    for (int p = 0; p < kMaxPorts; ++p)
        if (!slots[static_cast<size_t>(p)]) return p;
    return -1;
}

}  // namespace simserial

using simserial::SimPort;
using simserial::SimState;

namespace {

template <typename Action>
auto withPort(const char* name, Action action, decltype(action(std::declval<SimPort&>())) missing) {
    SimState& state = SimState::instance();
    std::lock_guard lock(state.mutex);
    SimPort* port = name ? state.byName(name) : nullptr;
    return port ? action(*port) : missing;
}

}  // namespace

extern "C" {

SER_EXPORT void SimReset(void) {
    SimState& state = SimState::instance();
    std::lock_guard lock(state.mutex);
    state.reset();
}

SER_EXPORT void SimAddPort(const char* name, const char* manufacturer, const char* description) {
    SimState& state = SimState::instance();
    std::lock_guard lock(state.mutex);
    auto port = std::make_unique<SimPort>();
    port->name = name ? name : "";
    port->manufacturer = manufacturer ? manufacturer : "";
    port->description = description ? description : "";
    port->dataSignal = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    state.ports.push_back(std::move(port));
}

SER_EXPORT void SimRemovePort(const char* name) {
    SimState& state = SimState::instance();
    std::lock_guard lock(state.mutex);
    std::string wanted = name ? name : "";
    std::erase_if(state.ports, [&](const std::unique_ptr<SimPort>& port) {
        if (port->name != wanted) return false;
        if (port->slot >= 0) state.slots[static_cast<size_t>(port->slot)] = nullptr;
        return true;
    });
}

SER_EXPORT void SimSetGone(const char* name, int gone) {
    withPort(
        name,
        [&](SimPort& port) {
            port.gone = gone != 0;
            if (port.gone) port.received.clear();
            const std::uint64_t one = 1;
            // Wakes a waiting reader, which then finds the device gone.
            (void)!write(port.dataSignal, &one, sizeof one);
            return 0;
        },
        0);
    SimState::instance().arrived.notify_all();
}

SER_EXPORT void SimSetLines(const char* name, int cts, int dsr, int cd, int ring) {
    withPort(
        name,
        [&](SimPort& port) {
            int modes[4] = {cts, dsr, cd, ring};
            std::memcpy(port.lines, modes, sizeof modes);
            return 0;
        },
        0);
}

SER_EXPORT void SimSetInUse(const char* name, int inUse) {
    withPort(
        name,
        [&](SimPort& port) {
            port.inUse = inUse != 0;
            return 0;
        },
        0);
}

SER_EXPORT void SimFeed(const char* name, const unsigned char* data, int count, int errors) {
    withPort(
        name,
        [&](SimPort& port) {
            port.receive(data, count, static_cast<unsigned>(errors));
            const std::uint64_t one = 1;
            // A full counter already wakes every waiter.
            (void)!write(port.dataSignal, &one, sizeof one);
            return 0;
        },
        0);
    SimState::instance().arrived.notify_all();
}

SER_EXPORT void SimSetFarEnd(const char* name, int bitsPerSecond, int dataBits, int parity,
                             int stopBits) {
    withPort(
        name,
        [&](SimPort& port) {
            if (bitsPerSecond <= 0) {
                port.farEnd.reset();
            } else {
                port.farEnd = SimPort::Frame{bitsPerSecond, std::clamp(dataBits, 5, 8),
                                             std::clamp(parity, 0, 4), stopBits == 2 ? 2 : 1};
            }
            return 0;
        },
        0);
}

SER_EXPORT int SimTakeSent(const char* name, unsigned char* buffer, int capacity) {
    return withPort(
        name,
        [&](SimPort& port) {
            size_t count =
                std::min(port.sent.size(), static_cast<size_t>(capacity > 0 ? capacity : 0));
            std::copy_n(port.sent.begin(), count, buffer);
            port.sent.erase(port.sent.begin(), port.sent.begin() + static_cast<long>(count));
            return static_cast<int>(count);
        },
        0);
}

SER_EXPORT int SimOutputLines(const char* name) {
    return withPort(
        name, [](SimPort& port) { return (port.dtr ? 1 : 0) | (port.rts ? 2 : 0); }, -1);
}

SER_EXPORT int SimIsOpen(const char* name) {
    return withPort(
        name, [](SimPort& port) { return port.slot >= 0 ? 1 : 0; }, 0);
}

SER_EXPORT void SimSetResult(const char* operation, int result) {
    SimState& state = SimState::instance();
    std::lock_guard lock(state.mutex);
    state.forced[operation] = result;
    state.forcedText.erase(operation);
}

SER_EXPORT void SimSetResultText(const char* operation, int result, const char* text) {
    SimState& state = SimState::instance();
    std::lock_guard lock(state.mutex);
    state.forced[operation] = result;
    state.forcedText[operation] = text ? text : "";
}

SER_EXPORT void SimClearResults(void) {
    SimState& state = SimState::instance();
    std::lock_guard lock(state.mutex);
    state.forced.clear();
    state.forcedText.clear();
}

SER_EXPORT void SimSetCallHook(void (*hook)(const char* operation, void* context), void* context) {
    SimState& state = SimState::instance();
    std::lock_guard lock(state.mutex);
    state.hook = hook;
    state.hookContext = context;
}

SER_EXPORT void SimNotifyDeviceChange(void) {
    SimState& state = SimState::instance();
    SerDeviceNotification callback;
    void* context;
    {
        std::lock_guard lock(state.mutex);
        callback = state.notification;
        context = state.notificationContext;
    }
    if (!callback) return;
    std::thread notifier(callback, context);
    notifier.join();
}

}  // extern "C"
