// The Windows serial driver: the Win32 comm API with overlapped I/O, SetupAPI for discovery.
#include <windows.h>

#include "platform/serial/SerialDriver.h"
#include "platform/serial/win32/DeviceWatch.h"
#include "platform/serial/win32/PortList.h"
#include "platform/serial/win32/PortTable.h"
#include "platform/serial/win32/Win32Error.h"

using namespace win32serial;

namespace {

constexpr int kLibraryVersion = 100;
constexpr int kPowerActive = 1;

// Never destroyed: the serial library may still call in while the process exits.
PortTable& table() {
    static auto* instance = new PortTable;
    return *instance;
}

DeviceWatch& watch() {
    static auto* instance = new DeviceWatch;
    return *instance;
}

template <typename Operation>
int onPort(int p, Operation operation) {
    Win32Port* port = table().find(p);
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
    int result = onPort(config->port - 1, [&](Win32Port& port) { return port.configure(*config); });
    return result == -1 ? SER_ERR_BAD_PORT : result;
}

// Empties the device's buffers in both directions; the port must be closed.
int resetPortDriver(const SerPortConfig* config) {
    setErrorText("");
    if (!config) return SER_ERR_NOT_VALID;
    const std::wstring path = devicePath(*config);
    Handle device(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr));
    if (!device.valid()) {
        DWORD error = GetLastError();
        setErrorText("CreateFileW " + toUtf8(path) + ": " + systemErrorText(error));
        return openResultFor(error);
    }
    if (!PurgeComm(device.get(), PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT))
        return failWithLastError(SER_ERR_SYSTEM, "PurgeComm");
    return SER_OK;
}

int closePort(int p) {
    setErrorText("");
    return table().close(p);
}

int rxFlush(int p) {
    return onPort(p, [](Win32Port& port) { return port.rxFlush(); });
}
int txFlush(int p) {
    return onPort(p, [](Win32Port& port) { return port.txFlush(); });
}
int txDrain(int p) {
    return onPort(p, [](Win32Port& port) { return port.txDrain(); });
}

int getByte(int p) {
    // The hot path of every reader: no lookup beyond the array.
    Win32Port* port = table().find(p);
    return port ? port->getByte() : -1;
}
int waitReadable(int p, SerWakeHandle wake, int milliseconds) {
    HANDLE event = wake == SER_NO_WAKE ? nullptr : reinterpret_cast<HANDLE>(wake);
    return onPort(p, [&](Win32Port& port) { return port.waitReadable(event, milliseconds); });
}
int getData(int p, unsigned char* buffer, int count) {
    if (!buffer && count > 0) return -1;
    return onPort(p, [&](Win32Port& port) { return port.getData(buffer, count); });
}
int putData(int p, const unsigned char* buffer, int count) {
    if (!buffer && count > 0) return 0;
    int sent = onPort(p, [&](Win32Port& port) { return port.putData(buffer, count); });
    return sent < 0 ? 0 : sent;
}
int putByte(int p, unsigned char byte) {
    return onPort(p, [&](Win32Port& port) { return port.putData(&byte, 1) == 1 ? 0 : -1; });
}
int rxReadyCount(int p) {
    return onPort(p, [](Win32Port& port) { return port.rxReadyCount(); });
}
int txBufCount(int p) {
    return onPort(p, [](Win32Port& port) { return port.txBufCount(); });
}

int inputLine(int p, int bit) {
    return onPort(p, [&](Win32Port& port) { return port.inputLine(bit); });
}
int sigCTS(int p) {
    return inputLine(p, MS_CTS_ON);
}
int sigDSR(int p) {
    return inputLine(p, MS_DSR_ON);
}
int sigCD(int p) {
    return inputLine(p, MS_RLSD_ON);
}
int sigRing(int p) {
    return inputLine(p, MS_RING_ON);
}

int lineError(int p, DWORD error) {
    return onPort(p, [&](Win32Port& port) { return port.takeLineError(error); });
}
int sigBreak(int p) {
    return lineError(p, CE_BREAK);
}
int sigFrameErr(int p) {
    return lineError(p, CE_FRAME);
}
int sigParityErr(int p) {
    return lineError(p, CE_RXPARITY);
}
int sigOverrun(int p) {
    return lineError(p, CE_OVERRUN);
}
int rxOverflow(int p) {
    return lineError(p, CE_RXOVER);
}

int setDTR(int p, int on) {
    return onPort(p, [&](Win32Port& port) { return port.setOutputLine(on ? SETDTR : CLRDTR); });
}
int setRTS(int p, int on) {
    return onPort(p, [&](Win32Port& port) { return port.setOutputLine(on ? SETRTS : CLRRTS); });
}
int sendBreak(int p, int milliseconds) {
    return onPort(p, [&](Win32Port& port) { return port.sendBreak(milliseconds); });
}
int setTimeoutRx(int p, int milliseconds) {
    return onPort(p, [&](Win32Port& port) {
        port.setTimeoutRx(milliseconds < 0 ? 0 : milliseconds);
        return 0;
    });
}
int setTimeoutTx(int p, int milliseconds) {
    return onPort(p, [&](Win32Port& port) {
        port.setTimeoutTx(milliseconds < 0 ? 0 : milliseconds);
        return 0;
    });
}
int getTimeoutRx(int p) {
    return onPort(p, [](Win32Port& port) { return port.timeoutRx(); });
}
int getTimeoutTx(int p) {
    return onPort(p, [](Win32Port& port) { return port.timeoutTx(); });
}

int getPortList(const SerPortListSink* sink) {
    if (!sink) return -1;
    std::vector<FoundPort> ports = findSerialPorts();
    for (const FoundPort& port : ports) {
        sink->addPortName(sink->context, port.name.c_str());
        sink->addPortInfo(sink->context, port.name.c_str(), port.manufacturer.c_str(),
                          port.description.c_str());
    }
    return static_cast<int>(ports.size());
}

const char* getName(int p) {
    Win32Port* port = table().find(p);
    return port ? port->name().c_str() : "";
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
// 1 on battery power, 0 on mains or when Windows does not know.
int getStatusAPM() {
    SYSTEM_POWER_STATUS status{};
    return GetSystemPowerStatus(&status) && status.ACLineStatus == 0 ? 1 : 0;
}
int setInstanceLock(int lock) {
    table().setExclusive(lock != 0);
    return 0;
}
int getPowerMode(int p) {
    return onPort(p, [](Win32Port&) { return kPowerActive; });
}
int setPowerMode(int p, int) {
    return onPort(p, [](Win32Port&) { return 0; });
}
int getResumeState(int) {
    return 0;
}

// The port driver does flow control and needs no service thread; a pass just waits a little
// so a caller's loop does not spin.
int flowTask(int) {
    Sleep(20);
    return 0;
}
int serverTask() {
    return 0;
}

void registerDeviceNotification(SerDeviceNotification callback, void* context) {
    setErrorText("");
    if (callback) watch().start(callback, context);
}
void unregisterDeviceNotification() {
    watch().stop();
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
