#include "Serialio/SerialPortLocal.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "Serialio/Diagnostics.h"
#include "Serialio/FlowControlTask.h"
#include "Serialio/IOException.h"
#include "Serialio/NativeRecord.h"
#include "Serialio/SerialLibrary.h"
#include "Serialio/SerialServerTask.h"

namespace Serialio {

namespace {

constexpr int kMacTimeout = 2000;

// "code (why)": a bare number tells an operator nothing, the driver's reason does.
std::string codeWithReason(int code, const std::string& detail) {
    std::string text = std::to_string(code);
    return detail.empty() ? text : text + " (" + detail + ")";
}

std::string openFailureReason(int code, const std::string& detail) {
    switch (code) {
        case SER_ERR_ALREADY_OPEN:
            return "Port is already open";
        case SER_ERR_IN_USE:
            return "Port is in use";
        case SER_ERR_NOT_VALID:
            return "Port not valid";
        case SER_ERR_NO_FILE:
            return "2: No such device";
        case SER_ERR_PERMISSION:
            // The driver says what the user can do about it where it knows (on Linux: the
            // group that may use the port).
            return detail.empty() ? "Permission denied" : "Permission denied (" + detail + ")";
        case SER_ERR_BUSY:
            return "Device busy";
        case SER_ERR_NO_DEVICE:
            return "19: No such device";
        default:
            return ": " + codeWithReason(code, detail);
    }
}

// The time to send a full transmit buffer at ten bits per character, times 100.
int transmitTimeout(const SerialConfig& config) {
    long long perTenBits = std::max(config.getBitRateNumber() / 10, 1);
    long long microsPerByte = 1000000 / perTenBits;
    long long timeout = 100 * (config.getTxLen() * microsPerByte / 1000);
    return static_cast<int>(std::min<long long>(timeout, std::numeric_limits<int>::max()));
}

void reportDriverText(const SerDriver& driver, const char* call) {
    std::string text = driver.SerGetErrorText();
    if (!text.empty()) printDiagnostic(std::string(call) + ": " + text);
}

}  // namespace

SerialPortLocal::SerialPortLocal() : config(SerialLibrary::instance().devName()) {
    SerialLibrary::instance().loadForPort();
}

SerialPortLocal::SerialPortLocal(const SerialConfig& settings) : config(settings) {
    SerialLibrary::instance().loadForPort();
    open();
}

SerialPortLocal::~SerialPortLocal() {
    try {
        close();
    } catch (const IOException& e) {
        printDiagnostic(std::string("SerialPortLocal: ") + e.what());
    }
    ssTask.reset();
}

const SerDriver& SerialPortLocal::native() const {
    return SerialLibrary::instance().driver();
}

const PlatformFeatures& SerialPortLocal::features() const {
    return SerialLibrary::instance().features();
}

int SerialPortLocal::openNative(const SerialConfig& record, std::string_view failurePrefix) {
    SerialLibrary& library = SerialLibrary::instance();
    const SerDriver& driver = library.driver();
    NativeRecord nativeRecord(record);
    int result;
    {
        std::lock_guard guard(mutExSem);
        result = driver.SerOpenPort(nativeRecord.get());
    }
    if (result != SER_OK) {
        std::string detail = driver.SerGetErrorText();
        if (!detail.empty()) printDiagnostic("SerOpenPort: " + detail);
        if (failurePrefix.empty())
            throw IOException(record.getPortNameString() +
                              ": SerOpenPort failed: " + openFailureReason(result, detail));
        throw IOException(std::string(failurePrefix) + codeWithReason(result, detail));
    }
    std::string note = driver.SerGetErrorText();
    if (!note.empty()) printDiagnostic(record.getPortNameString() + ": " + note);
    config.setPortNum(nativeRecord.get()->port);
    port = nativeRecord.get()->port - 1;
    isReady = true;
    rdSinceRxBufCheck = false;
    wrSinceTxBufEmpty = false;
    driver_ = &driver;
    emulatedTimeout_ = library.features().emulatedGetDataTimeout;
    library.portOpened();
    return port;
}

void SerialPortLocal::open() {
    SerialLibrary& library = SerialLibrary::instance();
    if (library.osName() != "Windows 95") config.setHardFlow(false);
    srvTaskCheck();
    openNative(config, {});
    try {
        configure(config);
        applyTimeouts();
    } catch (...) {
        closeAfterFailedSetUp();
        throw;
    }
}

// A port that could not be set up is not left open behind the caller's back.
void SerialPortLocal::closeAfterFailedSetUp() {
    try {
        close();
    } catch (const IOException& e) {
        printDiagnostic(std::string("SerialPortLocal: ") + e.what());
    }
}

void SerialPortLocal::applyTimeouts() {
    if (SerialLibrary::instance().osName() == "Mac OS") {
        setTimeoutRx(kMacTimeout);
        setTimeoutTx(kMacTimeout);
        return;
    }
    setTimeoutRx(0);
    if (features().supSetTimeoutTx) setTimeoutTx(transmitTimeout(config));
}

void SerialPortLocal::close() {
    rdSinceRxBufCheck = false;
    wrSinceTxBufEmpty = false;
    stopFlowTask();
    if (port < 0) return;
    int closing = port;
    const SerDriver* driver = driver_;
    port = -1;
    isReady = false;
    driver_ = nullptr;
    SerialLibrary::instance().portClosed();
    int result;
    {
        std::lock_guard guard(mutExSem);
        result = driver->SerClosePort(closing);
    }
    if (result != 0) {
        reportDriverText(*driver, "SerClosePort");
        throw IOException("ClosePort failed");
    }
}

void SerialPortLocal::configure() {
    configure(config);
}

void SerialPortLocal::configure(const SerialConfig& requested) {
    if (port < 0) throw IOException("configure: Port is not open");
    stopFlowTask();
    SerialConfig record = requested.copy();
    if (!features().supNoIndexBitRate) {
        int index = SerialConfig::getBitRateIndex(record.getBitRate());
        if (index >= 0)
            record.setBitRate(index);
        else if (!SerialConfig::validBitRateIndex(record.getBitRate()))
            throw IOException("Unsupported Serial Port Bit Rate");
    }
    if (!features().supParityMarkSpace && (record.getParity() == SerialConfig::PY_MARK ||
                                           record.getParity() == SerialConfig::PY_SPACE))
        throw IOException("Unsupported Mark/Space parity");
    record.setPortNum(port + 1);
    NativeRecord nativeRecord(record);
    const SerDriver& driver = native();
    int result;
    {
        std::lock_guard guard(mutExSem);
        result = driver.SerConfigure(nativeRecord.get());
    }
    if (result != SER_OK) {
        std::string detail = driver.SerGetErrorText();
        if (!detail.empty()) printDiagnostic("SerConfigure: " + detail);
        throw IOException("Configure failed: " + codeWithReason(result, detail));
    }
    config = record;
    int handshake = record.getHandshake();
    if (record.getHardFlow() && SerialLibrary::instance().osName() == "Windows 95" &&
        (handshake == SerialConfig::HS_CTSRTS || handshake == SerialConfig::HS_DSRDTR) &&
        !flowControl) {
        flowControl = std::make_unique<FlowControlTask>(*this);
        flowControl->start();
    }
}

void SerialPortLocal::reset() {
    if (port < 0) throw IOException("reset: Port is not open");
    int transmitTimeoutMs = getTimeoutTx();
    close();
    openNative(config, "reset: SerOpenPort failed: ");
    try {
        configure(config);
        setTimeoutTx(transmitTimeoutMs);
    } catch (...) {
        closeAfterFailedSetUp();
        throw;
    }
}

void SerialPortLocal::resetPortDriver() {
    if (!features().supDriverInfo)
        throw IOException("resetPortDriver not supported on " + SerialLibrary::instance().osName());
    if (port >= 0) throw IOException("resetPortDriver: Port must be closed");
    const SerDriver& driver = native();
    NativeRecord nativeRecord(config);
    int result;
    {
        std::lock_guard guard(mutExSem);
        result = driver.SerResetPortDriver(nativeRecord.get());
    }
    if (result != SER_OK) {
        reportDriverText(driver, "SerResetPortDriver");
        throw IOException("Reset port driver failed: " + std::to_string(result));
    }
}

void SerialPortLocal::setConfig(const SerialConfig& settings) {
    config = settings;
    SerialLibrary::instance().setDevName(settings.getPortNameString());
}

void SerialPortLocal::stopFlowTask() {
    if (flowControl) {
        flowControl->abort();
        flowControl.reset();
    }
}

void SerialPortLocal::srvTaskCheck() {
    if (SerialLibrary::instance().osName() != "EPOC" || ssTask) return;
    ssTask = std::make_unique<SerialServerTask>(*this);
    ssTask->setErrorStatusHandler(esh);
    ssTask->start();
}

void SerialPortLocal::setErrorStatusHandler(std::shared_ptr<ErrorStatusHandler> handler) {
    esh = std::move(handler);
}

int SerialPortLocal::waitForReady(int count) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(getTimeoutRx());
    for (;;) {
        int ready = native().SerRxReadyCount(port);
        if (ready >= count) return ready;
        if (std::chrono::steady_clock::now() > deadline) return 0;
        std::this_thread::yield();
    }
}

int SerialPortLocal::getByte() {
    rdSinceRxBufCheck.store(true, std::memory_order_relaxed);
    if (emulatedTimeout_ && port >= 0 && getTimeoutRx() > 0 && waitForReady(1) == 0) return -1;
    // Closed: the driver answers -1 for port -1, as for an idle line.
    const SerDriver* driver = driver_ ? driver_ : &native();
    const int byte = driver->SerGetByte(port);
    if (byte >= -1) return byte;
    const std::string message = "getByte failed: " + std::string(driver->SerGetErrorText());
    if (byte == -2) throw DeviceGoneException(message);
    throw IOException(message);
}

bool SerialPortLocal::waitReadable(SerWakeHandle wake, int milliseconds) {
    requireOpen("waitReadable");
    const SerDriver* driver = driver_ ? driver_ : &native();
    const int result = driver->SerWaitReadable(port, wake, milliseconds);
    if (result < 0)
        throw IOException("waitReadable failed: " + std::string(driver->SerGetErrorText()));
    return result > 0;
}

int SerialPortLocal::getData(std::span<std::uint8_t> buffer) {
    return getData(buffer, 0, static_cast<int>(buffer.size()));
}

int SerialPortLocal::getData(std::span<std::uint8_t> buffer, int offset, int count) {
    if (offset < 0 || static_cast<size_t>(offset) > buffer.size())
        throw IOException("getData: offset out of bounds");
    int room = static_cast<int>(buffer.size()) - offset;
    int wanted = std::min(count, room);
    if (wanted <= 0) return 0;
    rdSinceRxBufCheck = true;
    if (emulatedTimeout_ && getTimeoutRx() > 0 && waitForReady(wanted) == 0) return 0;
    int got = native().SerGetData(port, buffer.data() + offset, wanted);
    if (got == -1) throw IOException("getData: failed");
    return got;
}

void SerialPortLocal::putByte(std::uint8_t byte) {
    wrSinceTxBufEmpty = true;
    int result = native().SerPutByte(port, byte);
    if (result != 0) throw IOException("PutByte failed: " + std::to_string(result));
}

namespace {

void sendAll(const SerDriver& driver, int port, const std::uint8_t* data, int count,
             const std::string& shortPrefix) {
    if (count <= 0) return;
    int sent = driver.SerPutData(port, data, count);
    if (sent != count)
        throw IOException(shortPrefix + std::to_string(sent) + " of " + std::to_string(count) +
                          " bytes");
}

}  // namespace

void SerialPortLocal::putData(std::span<const std::uint8_t> buffer) {
    wrSinceTxBufEmpty = true;
    sendAll(native(), port, buffer.data(), static_cast<int>(buffer.size()), "PutData1: Sent only ");
}

void SerialPortLocal::putData(std::span<const std::uint8_t> buffer, int count) {
    if (count < 0 || static_cast<size_t>(count) > buffer.size())
        throw IOException("putData: count out of bounds");
    wrSinceTxBufEmpty = true;
    sendAll(native(), port, buffer.data(), count, "PutData2: Sent only ");
}

void SerialPortLocal::putData(std::span<const std::uint8_t> buffer, int offset, int count) {
    if (offset < 0 || count < 0 ||
        static_cast<size_t>(offset) + static_cast<size_t>(count) > buffer.size())
        throw IOException("putData3: count out of bounds");
    wrSinceTxBufEmpty = true;
    sendAll(native(), port, buffer.data() + offset, count, "putData3: Sent only ");
}

void SerialPortLocal::putString(const std::string& text) {
    // Texts are bytes already (one character per byte), so they go out as they are.
    wrSinceTxBufEmpty = true;
    sendAll(native(), port, reinterpret_cast<const std::uint8_t*>(text.data()),
            static_cast<int>(text.size()), "PutString: sent only ");
}

int SerialPortLocal::getLibVer() {
    return native().SerGetLibVer();
}

}  // namespace Serialio
