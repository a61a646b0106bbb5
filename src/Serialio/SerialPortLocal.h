#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Serialio/DeviceNotificationCallback.h"
#include "Serialio/ErrorStatusHandler.h"
#include "Serialio/NativeHandleMutex.h"
#include "Serialio/Platform.h"
#include "Serialio/PortDriverInfo.h"
#include "Serialio/SerialPort.h"
#include "platform/serial/SerialDriver.h"

struct SerDriver;

namespace Serialio {

class FlowControlTask;
class SerialServerTask;

// The serial port over the native driver library. The library-wide part (driver, platform
// features, port lists) is set up at first use from the system properties "os.name",
// "os.arch", "JSP_OSNAME", "JSP_OSARCH" and "SERIAL_PORT_LIST".
class SerialPortLocal final : public SerialPort {
  public:
    static constexpr int buildNum = 9233;
    static inline const std::string banner1 =
        "Serialio Library: version 10.2.3: build " + std::to_string(buildNum);
    static inline const std::string banner2 =
        "Serialio Library: serial ports through a native driver library";

    // A closed port with default settings for the platform's default device.
    SerialPortLocal();
    // Opens the port with these settings at once; a failing open fails the construction.
    explicit SerialPortLocal(const SerialConfig& config);
    ~SerialPortLocal() override;
    SerialPortLocal(const SerialPortLocal&) = delete;
    SerialPortLocal& operator=(const SerialPortLocal&) = delete;

    void open();
    void close() override;
    void configure(const SerialConfig& config) override;
    void configure();
    void reset();
    void resetPortDriver();

    const SerialConfig& getConfig() const override { return config; }
    void setConfig(const SerialConfig& config) override;

    int getByte() override;
    // Sleeps until a byte can be read (or the next read will fail), wake is signalled or the
    // time passes (negative: no limit); true when the port has something to read.
    bool waitReadable(SerWakeHandle wake, int milliseconds);
    int getData(std::span<std::uint8_t> buffer) override;
    int getData(std::span<std::uint8_t> buffer, int offset, int count) override;
    void putByte(std::uint8_t byte) override;
    void putData(std::span<const std::uint8_t> buffer) override;
    void putData(std::span<const std::uint8_t> buffer, int count);
    void putData(std::span<const std::uint8_t> buffer, int offset, int count) override;
    void putString(const std::string& text) override;

    int rxReadyCount() override;
    int txBufCount() override;
    void rxFlush() override;
    void txFlush() override;
    void txDrain() override;
    void setTimeoutRx(int milliseconds) override;
    void setTimeoutTx(int milliseconds) override;
    int getTimeoutRx() override;
    int getTimeoutTx() override;

    void setDTR(bool on) override;
    void setRTS(bool on) override;
    void sendBreak(int milliseconds) override;
    bool sigCTS() override;
    bool sigDSR() override;
    bool sigCD() override;
    bool sigRing() override;
    bool sigBreak() override;
    bool sigFrameErr() override;
    bool sigOverrun() override;
    bool sigParityErr() override;
    bool rxOverflow() override;
    bool isSupported(const std::string& feature) override;

    void setPowerMode(int mode);
    int getPowerMode();
    int getStatusAPM();
    int getResumeState(bool clear);
    void setInstanceLock(bool lock);
    int getInstanceLock();

    std::string getName() const override { return name; }
    void setName(const std::string& newName) override { name = newName; }
    int getPortNum() const override { return port; }
    std::string getPortName() const { return config.getPortNameString(); }
    int getBitRate() const { return config.getBitRate(); }
    int getDataBits() const { return config.getDataBits(); }
    int getStopBits() const { return config.getStopBits(); }
    int getParity() const { return config.getParity(); }
    int getHandshake() const { return config.getHandshake(); }
    int getLibVer() override;
    bool isOpen() const { return port >= 0; }
    bool readSinceRxBufCheck() const { return rdSinceRxBufCheck; }
    bool sendSinceTxBufEmpty() const { return wrSinceTxBufEmpty; }
    void clearReadSinceRxBufCheck() { rdSinceRxBufCheck = false; }
    void clearSendSinceTxBufEmpty() { wrSinceTxBufEmpty = false; }
    void setErrorStatusHandler(std::shared_ptr<ErrorStatusHandler> handler);

    // Library-wide.
    static int getBuildNum() { return buildNum; }
    static int getMaxBitRate();
    static bool isLibraryLoaded();
    static std::string getOsName();
    static std::string getOsArch();
    static PlatformFeatures getFeatures();
    static std::string getDevName();
    // Chooses the driver library by name (the file lib<name>.so) instead of the platform's
    // (an empty name goes back to the platform's); takes effect at first use, or at
    // reinitialize() after it.
    static void setNativeLibName(const std::string& libName);
    static std::string getNativeLibName();
    // Sets the library up again from the current system properties, with empty port lists;
    // no port may be open.
    static void reinitialize();

    static std::vector<std::string> getPortList();
    static void addPortName(const std::string& portName);
    static void addPortInfo(const std::string& portName, const std::string& manufacturer,
                            const std::string& description);
    static void clearPortListInfo();
    static std::vector<PortDriverInfo> getDriverInfoList();
    static int getPortListMode();
    static void setPortListMode(int mode);

    static void registerDeviceNotification(std::shared_ptr<DeviceNotificationCallback> callback);
    static void unregisterDeviceNotification();
    static void deviceNotification();

  private:
    const SerDriver& native() const;
    const PlatformFeatures& features() const;
    void requireFeature(bool supported, std::string_view operation) const;
    void requireOpen(std::string_view operation) const;
    static int checked(int result, std::string_view operation);
    int openNative(const SerialConfig& record, std::string_view failurePrefix);
    void applyTimeouts();
    void closeAfterFailedSetUp();
    void stopFlowTask();
    void srvTaskCheck();
    int waitForReady(int count);

    int port = -1;
    std::string name = "Serial Port";
    SerialConfig config;
    std::unique_ptr<FlowControlTask> flowControl;
    std::unique_ptr<SerialServerTask> ssTask;
    bool isReady = false;
    std::atomic<bool> wrSinceTxBufEmpty{false};
    std::atomic<bool> rdSinceRxBufCheck{false};
    std::shared_ptr<ErrorStatusHandler> esh;
    NativeHandleMutex& mutExSem = NativeHandleMutex::getInstance();
    // Cached at open for the reading hot path.
    const SerDriver* driver_ = nullptr;
    bool emulatedTimeout_ = false;
};

}  // namespace Serialio
