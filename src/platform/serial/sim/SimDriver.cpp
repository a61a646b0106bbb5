// The simulated serial driver: what a pseudo-terminal cannot show (modem lines, line errors,
// open failures), scripted by the tests through SimControl.h.
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

#include "platform/serial/SerialDriver.h"
#include "platform/serial/sim/SimControl.h"
#include "platform/serial/sim/SimState.h"

using simserial::SimPort;
using simserial::SimState;

namespace {

constexpr int kLibraryVersion = 1;
constexpr int kIndexLimit = 30;
constexpr int kLastIndex = 14;
constexpr int kCts = 0, kDsr = 1, kCd = 2, kRing = 3;

thread_local std::string lastError;

SimState& state() {
    return SimState::instance();
}

// Every operation starts with a clean error text, so the text always belongs to the last call.
std::optional<int> begin(const char* operation) {
    lastError.clear();
    return state().enter(operation, &lastError);
}

// Runs an operation on open port p under the state lock; a forced result wins.
template <typename Action>
int onPort(const char* operation, int p, Action action, int missing = -1) {
    if (auto forced = begin(operation)) return *forced;
    std::unique_lock lock(state().mutex);
    SimPort* port = state().bySlot(p);
    if (!port) {
        lastError = "port " + std::to_string(p) + " is not open";
        return missing;
    }
    return action(*port, lock);
}

bool validRate(int bitRate) {
    return (bitRate >= 0 && bitRate <= kLastIndex) || bitRate > kIndexLimit;
}

constexpr int kRates[] = {110,   150,   300,   600,    1200,   2400,   4800,  9600,
                          19200, 38400, 57600, 115200, 230400, 460800, 921600};

// The frame the port's receiver expects under these settings.
SimPort::Frame frameOf(const SerPortConfig& config) {
    SimPort::Frame f;
    f.bitsPerSecond = config.bitRate > kIndexLimit
                          ? config.bitRate
                          : kRates[std::clamp(config.bitRate, 0, kLastIndex)];
    f.dataBits = 5 + std::clamp(config.dataBits, 0, 3);
    f.parity = std::clamp(config.parity, 0, 4);
    f.stopBits = config.stopBits == 1 ? 2 : 1;
    return f;
}

const char* getErrorText() {
    return lastError.c_str();
}

int openPort(SerPortConfig* config) {
    if (auto forced = begin("SerOpenPort")) return *forced;
    std::lock_guard lock(state().mutex);
    std::string name = config && config->portName ? config->portName : "";
    SimPort* port = state().byName(name);
    if (!port) {
        lastError = "no simulated port " + name;
        return SER_ERR_NO_FILE;
    }
    if (port->gone) {
        lastError = "simulated port " + name + " is unplugged";
        return SER_ERR_NO_FILE;
    }
    if (port->slot >= 0) return SER_ERR_ALREADY_OPEN;
    if (port->inUse) return SER_ERR_IN_USE;
    if (!validRate(config->bitRate)) return SER_ERR_BAD_SETTING;
    int p = state().freeSlot();
    if (p < 0) return SER_ERR_TOO_MANY;
    port->slot = p;
    port->dtr = port->rts = false;
    port->raisedErrors = 0;
    port->settings = frameOf(*config);
    state().slots[static_cast<size_t>(p)] = port;
    config->port = p + 1;
    return SER_OK;
}

int configurePort(const SerPortConfig* config) {
    int result = onPort("SerConfigure", config ? config->port - 1 : -1, [&](SimPort& port, auto&) {
        if (!validRate(config->bitRate)) return SER_ERR_BAD_SETTING;
        port.settings = frameOf(*config);
        return SER_OK;
    });
    return result == -1 ? SER_ERR_BAD_PORT : result;
}

int resetPortDriver(const SerPortConfig*) {
    return begin("SerResetPortDriver").value_or(0);
}

int closePort(int p) {
    return onPort(
        "SerClosePort", p,
        [&](SimPort& port, auto&) {
            state().slots[static_cast<size_t>(p)] = nullptr;
            port.slot = -1;
            return 0;
        },
        SER_ERR_BAD_PORT);
}

int rxFlush(int p) {
    return onPort("SerRxFlush", p, [](SimPort& port, auto&) {
        port.received.clear();
        return 0;
    });
}
int txFlush(int p) {
    return onPort("SerTxFlush", p, [](SimPort&, auto&) { return 0; });
}
int txDrain(int p) {
    return onPort("SerTxDrain", p, [](SimPort&, auto&) { return 0; });
}

int getByte(int p) {
    return onPort("SerGetByte", p, [](SimPort& port, std::unique_lock<std::mutex>& lock) {
        if (port.gone) {
            lastError = "simulated port " + port.name + " is unplugged";
            return -2;
        }
        if (port.received.empty() && port.timeoutRx > 0)
            state().arrived.wait_for(lock, std::chrono::milliseconds(port.timeoutRx),
                                     [&] { return !port.received.empty(); });
        return port.take();
    });
}

// Watches the port's data signal and the caller's wake-up, as a real driver watches its device.
int waitReadable(int p, SerWakeHandle wake, int milliseconds) {
    const int wakeFd = static_cast<int>(wake);
    if (auto forced = begin("SerWaitReadable")) return *forced;
    const bool limited = milliseconds >= 0;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(limited ? milliseconds : 0);
    for (;;) {
        int signal = -1;
        {
            std::lock_guard lock(state().mutex);
            SimPort* port = state().bySlot(p);
            if (!port) {
                lastError = "port " + std::to_string(p) + " is not open";
                return -1;
            }
            signal = port->dataSignal;
            // Drained under the lock: a feed after this check signals again.
            std::uint64_t fed = 0;
            (void)!read(signal, &fed, sizeof fed);
            if (!port->received.empty() || port->gone) return 1;
        }
        std::array<pollfd, 2> entries{{{signal, POLLIN, 0}, {wakeFd, POLLIN, 0}}};
        int left = -1;
        if (limited) {
            auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            left = static_cast<int>(std::max<std::chrono::milliseconds::rep>(rest.count(), 0));
        }
        int ready = poll(entries.data(), wakeFd >= 0 ? 2 : 1, left);
        if (ready < 0 && errno != EINTR) {
            lastError = std::string("poll: ") + std::strerror(errno);
            return -1;
        }
        if (ready == 0 || (wakeFd >= 0 && entries[1].revents != 0)) return 0;
    }
}

int getData(int p, unsigned char* buffer, int count) {
    return onPort("SerGetData", p, [&](SimPort& port, auto&) {
        int got = 0;
        while (got < count && !port.received.empty())
            buffer[got++] = static_cast<unsigned char>(port.take());
        return got;
    });
}

int putData(int p, const unsigned char* buffer, int count) {
    int sent = onPort("SerPutData", p, [&](SimPort& port, auto&) {
        port.sent.insert(port.sent.end(), buffer, buffer + std::max(count, 0));
        return std::max(count, 0);
    });
    return sent < 0 ? 0 : sent;
}

int putByte(int p, unsigned char byte) {
    return onPort("SerPutByte", p, [&](SimPort& port, auto&) {
        port.sent.push_back(byte);
        return 0;
    });
}

int rxReadyCount(int p) {
    return onPort("SerRxReadyCount", p,
                  [](SimPort& port, auto&) { return static_cast<int>(port.received.size()); });
}
int txBufCount(int p) {
    return onPort("SerTxBufCount", p, [](SimPort&, auto&) { return 0; });
}

int line(const char* operation, int p, int index) {
    return onPort(operation, p, [&](SimPort& port, auto&) { return port.line(index); });
}
int sigCTS(int p) {
    return line("SerSigCTS", p, kCts);
}
int sigDSR(int p) {
    return line("SerSigDSR", p, kDsr);
}
int sigCD(int p) {
    return line("SerSigCD", p, kCd);
}
int sigRing(int p) {
    return line("SerSigRing", p, kRing);
}

int lineError(const char* operation, int p, unsigned error) {
    return onPort(operation, p, [&](SimPort& port, auto&) { return port.takeError(error); });
}
int sigBreak(int p) {
    return lineError("SerSigBreak", p, SIM_ERROR_BREAK);
}
int sigFrameErr(int p) {
    return lineError("SerSigFrameErr", p, SIM_ERROR_FRAME);
}
int sigOverrun(int p) {
    return lineError("SerSigOverrun", p, SIM_ERROR_OVERRUN);
}
int sigParityErr(int p) {
    return lineError("SerSigParityErr", p, SIM_ERROR_PARITY);
}
int rxOverflow(int p) {
    return lineError("SerRxOverflow", p, SIM_ERROR_RX_OVERFLOW);
}

int setDTR(int p, int on) {
    return onPort("SerSetDTR", p, [&](SimPort& port, auto&) {
        port.dtr = on != 0;
        return 0;
    });
}
int setRTS(int p, int on) {
    return onPort("SerSetRTS", p, [&](SimPort& port, auto&) {
        port.rts = on != 0;
        return 0;
    });
}
int sendBreak(int p, int) {
    return onPort("SerSendBreak", p, [](SimPort&, auto&) { return 0; });
}
int setTimeoutRx(int p, int milliseconds) {
    return onPort("SerSetTimeoutRx", p, [&](SimPort& port, auto&) {
        port.timeoutRx = milliseconds;
        return 0;
    });
}
int setTimeoutTx(int p, int milliseconds) {
    return onPort("SerSetTimeoutTx", p, [&](SimPort& port, auto&) {
        port.timeoutTx = milliseconds;
        return 0;
    });
}
int getTimeoutRx(int p) {
    return onPort("SerGetTimeoutRx", p, [](SimPort& port, auto&) { return port.timeoutRx; });
}
int getTimeoutTx(int p) {
    return onPort("SerGetTimeoutTx", p, [](SimPort& port, auto&) { return port.timeoutTx; });
}

int getPortList(const SerPortListSink* sink) {
    if (auto forced = begin("SerGetPortList")) return *forced;
    std::vector<SimPort> listed;
    {
        std::lock_guard lock(state().mutex);
        for (const auto& port : state().ports)
            if (!port->gone) listed.push_back(*port);
    }
    // Reported outside the lock: the sink is the serial library's own code.
    for (const SimPort& port : listed) {
        sink->addPortName(sink->context, port.name.c_str());
        sink->addPortInfo(sink->context, port.name.c_str(), port.manufacturer.c_str(),
                          port.description.c_str());
    }
    return static_cast<int>(listed.size());
}

const char* getName(int p) {
    std::lock_guard lock(state().mutex);
    SimPort* port = state().bySlot(p);
    return port ? port->name.c_str() : "";
}
int getPortMfgr(int) {
    return 0;
}
int getLibVer() {
    return begin("SerGetLibVer").value_or(kLibraryVersion);
}
int getInstanceLock() {
    std::lock_guard lock(state().mutex);
    return state().instanceLock;
}
int getStatusAPM() {
    return begin("SerGetStatusAPM").value_or(0);
}
int setInstanceLock(int lock) {
    std::lock_guard guard(state().mutex);
    state().instanceLock = lock;
    return 0;
}
int getPowerMode(int p) {
    return onPort("SerGetPowerMode", p, [](SimPort&, auto&) { return 1; });
}
int setPowerMode(int p, int) {
    return onPort("SerSetPowerMode", p, [](SimPort&, auto&) { return 0; });
}
int getResumeState(int) {
    return begin("SerGetResumeState").value_or(0);
}
int flowTask(int p) {
    return onPort("SerFlowTask", p, [](SimPort&, std::unique_lock<std::mutex>& lock) {
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return 0;
    });
}
int serverTask() {
    return begin("SerServerTask").value_or(0);
}

void registerDeviceNotification(SerDeviceNotification callback, void* context) {
    begin("SerRegisterDeviceNotification");
    std::lock_guard lock(state().mutex);
    state().notification = callback;
    state().notificationContext = context;
}
void unregisterDeviceNotification() {
    begin("SerUnregisterDeviceNotification");
    std::lock_guard lock(state().mutex);
    state().notification = nullptr;
    state().notificationContext = nullptr;
}

constexpr SerDriver kDriver = {
    .abiVersion = SER_DRIVER_ABI,
    .SerGetErrorText = getErrorText,
    .SerOpenPort = openPort,
    .SerConfigure = configurePort,
    .SerResetPortDriver = resetPortDriver,
    .SerClosePort = closePort,
    .SerRxFlush = rxFlush,
    .SerTxFlush = txFlush,
    .SerTxDrain = txDrain,
    .SerGetByte = getByte,
    .SerGetData = getData,
    .SerPutData = putData,
    .SerPutByte = putByte,
    .SerRxReadyCount = rxReadyCount,
    .SerTxBufCount = txBufCount,
    .SerSigCTS = sigCTS,
    .SerSigDSR = sigDSR,
    .SerSigCD = sigCD,
    .SerSigRing = sigRing,
    .SerSigBreak = sigBreak,
    .SerSigFrameErr = sigFrameErr,
    .SerSigOverrun = sigOverrun,
    .SerSigParityErr = sigParityErr,
    .SerRxOverflow = rxOverflow,
    .SerSetDTR = setDTR,
    .SerSetRTS = setRTS,
    .SerSendBreak = sendBreak,
    .SerSetTimeoutRx = setTimeoutRx,
    .SerSetTimeoutTx = setTimeoutTx,
    .SerGetTimeoutRx = getTimeoutRx,
    .SerGetTimeoutTx = getTimeoutTx,
    .SerGetPortList = getPortList,
    .SerGetName = getName,
    .SerGetPortMfgr = getPortMfgr,
    .SerGetLibVer = getLibVer,
    .SerGetInstanceLock = getInstanceLock,
    .SerGetStatusAPM = getStatusAPM,
    .SerSetInstanceLock = setInstanceLock,
    .SerGetPowerMode = getPowerMode,
    .SerSetPowerMode = setPowerMode,
    .SerGetResumeState = getResumeState,
    .SerFlowTask = flowTask,
    .SerServerTask = serverTask,
    .SerRegisterDeviceNotification = registerDeviceNotification,
    .SerUnregisterDeviceNotification = unregisterDeviceNotification,
    .SerWaitReadable = waitReadable,
};

}  // namespace

extern "C" SER_EXPORT const SerDriver* SerGetDriver(void) {
    return &kDriver;
}
