// The POSIX serial driver: termios and ioctl for the lines, libudev for discovery.
#include <sys/ioctl.h>
#include <termios.h>

#include <chrono>
#include <thread>

#include "platform/serial/SerialDriver.h"
#include "platform/serial/posix/DeviceOpen.h"
#include "platform/serial/posix/ErrorText.h"
#include "platform/serial/posix/PortTable.h"
#include "platform/serial/posix/UdevMonitor.h"
#include "platform/serial/posix/UdevPortList.h"

using namespace posixserial;

namespace {

constexpr int kLibraryVersion = 100;
constexpr int kPowerActive = 1;

// Never destroyed: the serial library may still call in while the process exits.
PortTable& table() {
    static auto* instance = new PortTable;
    return *instance;
}

UdevMonitor& monitor() {
    static auto* instance = new UdevMonitor;
    return *instance;
}

template <typename Operation>
int onPort(int p, Operation operation) {
    PosixPort* port = table().find(p);
    if (!port) {
        setErrorText("port " + std::to_string(p) + " is not open");
        return -1;
    }
    return operation(*port);
}

const char* getErrorText() {
    return errorText().c_str();
}

int openPort(SerPortConfig* config) {
    setErrorText("");
    return config ? table().open(*config) : SER_ERR_NOT_VALID;
}

int configurePort(const SerPortConfig* config) {
    setErrorText("");
    if (!config) return SER_ERR_NOT_VALID;
    int result = onPort(config->port - 1, [&](PosixPort& port) { return port.configure(*config); });
    return result == -1 ? SER_ERR_BAD_PORT : result;
}

// Empties the device's kernel buffers in both directions; the port must be closed.
int resetPortDriver(const SerPortConfig* config) {
    setErrorText("");
    if (!config) return SER_ERR_NOT_VALID;
    FileDescriptor fd;
    int result = openDevice(devicePath(*config), false, fd);
    if (result != SER_OK) return result;
    if (tcflush(fd.get(), TCIOFLUSH) != 0) return failWithErrno(SER_ERR_SYSTEM, "tcflush");
    return SER_OK;
}

int closePort(int p) {
    setErrorText("");
    return table().close(p);
}

int rxFlush(int p) {
    return onPort(p, [](PosixPort& port) { return port.rxFlush(); });
}
int txFlush(int p) {
    return onPort(p, [](PosixPort& port) { return port.txFlush(); });
}
int txDrain(int p) {
    return onPort(p, [](PosixPort& port) { return port.txDrain(); });
}

int getByte(int p) {
    // The hot path of every reader: no lookup beyond the array.
    PosixPort* port = table().find(p);
    return port ? port->getByte() : -1;
}
int waitReadable(int p, SerWakeHandle wake, int milliseconds) {
    // A descriptor on this system; none is -1 either way.
    const int wakeFd = static_cast<int>(wake);
    return onPort(p, [&](PosixPort& port) { return port.waitReadable(wakeFd, milliseconds); });
}
int getData(int p, unsigned char* buffer, int count) {
    if (!buffer && count > 0) return -1;
    return onPort(p, [&](PosixPort& port) { return port.getData(buffer, count); });
}
int putData(int p, const unsigned char* buffer, int count) {
    if (!buffer && count > 0) return 0;
    int sent = onPort(p, [&](PosixPort& port) { return port.putData(buffer, count); });
    return sent < 0 ? 0 : sent;
}
int putByte(int p, unsigned char byte) {
    return onPort(p, [&](PosixPort& port) { return port.putData(&byte, 1) == 1 ? 0 : -1; });
}
int rxReadyCount(int p) {
    return onPort(p, [](PosixPort& port) { return port.rxReadyCount(); });
}
int txBufCount(int p) {
    return onPort(p, [](PosixPort& port) { return port.txBufCount(); });
}

int inputLine(int p, int bit) {
    return onPort(p, [&](PosixPort& port) { return port.inputLine(bit); });
}
int sigCTS(int p) {
    return inputLine(p, TIOCM_CTS);
}
int sigDSR(int p) {
    return inputLine(p, TIOCM_DSR);
}
int sigCD(int p) {
    return inputLine(p, TIOCM_CD);
}
int sigRing(int p) {
    return inputLine(p, TIOCM_RI);
}

int lineError(int p, RxDecoder::Flag flag) {
    return onPort(p, [&](PosixPort& port) { return port.takeLineError(flag); });
}
int sigBreak(int p) {
    return lineError(p, RxDecoder::kBreak);
}
int sigFrameErr(int p) {
    return lineError(p, RxDecoder::kFrame);
}
int sigParityErr(int p) {
    return lineError(p, RxDecoder::kParity);
}
int sigOverrun(int p) {
    return onPort(p, [](PosixPort& port) { return port.takeCounted(ErrorCounters::kOverrun); });
}
int rxOverflow(int p) {
    return onPort(p,
                  [](PosixPort& port) { return port.takeCounted(ErrorCounters::kBufferOverrun); });
}

int setDTR(int p, int on) {
    return onPort(p, [&](PosixPort& port) { return port.setOutputLine(TIOCM_DTR, on != 0); });
}
int setRTS(int p, int on) {
    return onPort(p, [&](PosixPort& port) { return port.setOutputLine(TIOCM_RTS, on != 0); });
}
int sendBreak(int p, int milliseconds) {
    return onPort(p, [&](PosixPort& port) { return port.sendBreak(milliseconds); });
}
int setTimeoutRx(int p, int milliseconds) {
    return onPort(p, [&](PosixPort& port) {
        port.setTimeoutRx(milliseconds < 0 ? 0 : milliseconds);
        return 0;
    });
}
int setTimeoutTx(int p, int milliseconds) {
    return onPort(p, [&](PosixPort& port) {
        port.setTimeoutTx(milliseconds < 0 ? 0 : milliseconds);
        return 0;
    });
}
int getTimeoutRx(int p) {
    return onPort(p, [](PosixPort& port) { return port.timeoutRx(); });
}
int getTimeoutTx(int p) {
    return onPort(p, [](PosixPort& port) { return port.timeoutTx(); });
}

int getPortList(const SerPortListSink* sink) {
    if (!sink) return -1;
    std::vector<FoundPort> ports = findSerialPorts();
    for (const FoundPort& port : ports) {
        sink->addPortName(sink->context, port.path.c_str());
        sink->addPortInfo(sink->context, port.path.c_str(), port.manufacturer.c_str(),
                          port.description.c_str());
    }
    return static_cast<int>(ports.size());
}

const char* getName(int p) {
    PosixPort* port = table().find(p);
    return port ? port->path().c_str() : "";
}
int getPortMfgr(int) {
    return 0;
}
int getLibVer() {
    return kLibraryVersion;
}
int getInstanceLock() {
    return table().exclusive() ? 1 : 0;
}
// Linux tells serial drivers nothing about the power supply.
int getStatusAPM() {
    return 0;
}
int setInstanceLock(int lock) {
    table().setExclusive(lock != 0);
    return 0;
}
int getPowerMode(int p) {
    return onPort(p, [](PosixPort&) { return kPowerActive; });
}
int setPowerMode(int p, int) {
    return onPort(p, [](PosixPort&) { return 0; });
}
int getResumeState(int) {
    return 0;
}

// The kernel does flow control and needs no service thread; a pass just waits a little so a
// caller's loop does not spin.
int flowTask(int) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return 0;
}
int serverTask() {
    return 0;
}

void registerDeviceNotification(SerDeviceNotification callback, void* context) {
    setErrorText("");
    if (callback) monitor().start(callback, context);
}
void unregisterDeviceNotification() {
    monitor().stop();
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
