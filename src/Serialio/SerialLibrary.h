#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Serialio/DeviceNotificationCallback.h"
#include "Serialio/NativeLibrary.h"
#include "Serialio/Platform.h"
#include "Serialio/PortRegistry.h"

namespace Serialio {

// The serial library's state, one per process, set up at first use: the operating-system
// row, the loaded driver, the port lists and the device-change callback.
class SerialLibrary {
  public:
    static SerialLibrary& instance();

    // Reads the system properties, picks the row, prints the banners and loads the driver;
    // only the first call does anything.
    void ensureInitialised();
    // Starts over with the current properties; refused while ports are open.
    void reinitialize();

    const Platform& platform();
    const PlatformFeatures& features() { return platform().features; }
    const std::string& osName() { return platform().osName; }

    // The driver's operations; throws IOException when no driver is loaded.
    const SerDriver& driver();
    bool isLoaded();
    // The constructor's second chance to load a driver that failed at first use.
    void loadForPort();

    void setNativeLibName(const std::string& name);
    std::string nativeLibName();

    std::string devName();
    void setDevName(const std::string& name);

    PortRegistry& registry() { return registry_; }

    void portOpened() { ++openPorts_; }
    void portClosed() { --openPorts_; }

    void setNotificationCallback(std::shared_ptr<DeviceNotificationCallback> callback);
    std::shared_ptr<DeviceNotificationCallback> notificationCallback();

    const std::string vendor;
    const std::string jdkVer;

  private:
    SerialLibrary();
    void setUp();
    void loadAtFirstUse();

    std::recursive_mutex mutex_;
    std::atomic<bool> initialised_{false};
    Platform platform_;
    std::optional<std::string> chosenLibName_;
    std::string jspLib_;
    NativeLibrary library_;
    std::string devName_;
    PortRegistry registry_;
    std::atomic<int> openPorts_{0};
    std::mutex callbackMutex_;
    std::shared_ptr<DeviceNotificationCallback> callback_;
};

}  // namespace Serialio
