#include "Serialio/SerialLibrary.h"

#include <stdexcept>

#include "Serialio/Diagnostics.h"
#include "Serialio/IOException.h"
#include "Serialio/SerialPortLocal.h"
#include "Serialio/SystemProperties.h"

namespace Serialio {

namespace {

#if defined(__clang__)
constexpr const char* kVendor = "LLVM";
#elif defined(__GNUC__)
constexpr const char* kVendor = "GNU";
#else
constexpr const char* kVendor = "unknown";
#endif

}  // namespace

SerialLibrary& SerialLibrary::instance() {
    // Never destroyed: a driver thread may still report a device change while the process ends.
    static auto* library = new SerialLibrary;
    return *library;
}

SerialLibrary::SerialLibrary() : vendor(kVendor), jdkVer(__VERSION__) {}

void SerialLibrary::ensureInitialised() {
    if (initialised_.load()) return;
    std::lock_guard lock(mutex_);
    if (initialised_.load()) return;
    setUp();
    initialised_ = true;
}

void SerialLibrary::reinitialize() {
    std::lock_guard lock(mutex_);
    if (openPorts_ > 0) throw std::logic_error("reinitialize: ports are open");
    library_.unload();
    registry_.clearPortList();
    registry_.clearPortListInfo();
    setUp();
    initialised_ = true;
}

void SerialLibrary::setUp() {
    std::string osName = SystemProperties::get("os.name", "");
    std::string osArch = SystemProperties::get("os.arch", "");
    auto jspName = SystemProperties::get("JSP_OSNAME");
    auto jspArch = SystemProperties::get("JSP_OSARCH");
    if (jspName && jspArch) {
        osName = *jspName;
        osArch = *jspArch;
    }
    platform_ = Platform::select(osName, osArch, jdkVer);
    devName_ = platform_.devName;

    printDiagnostic(SerialPortLocal::banner1);
    printDiagnostic(SerialPortLocal::banner2);
    printDiagnostic("os.name=\"" + osName + "\" os.arch=\"" + osArch + "\"");

    jspLib_ = chosenLibName_ ? *chosenLibName_ : platform_.nativeLibName.value_or("");
    if (jspLib_.empty()) {
        printDiagnostic("Platform not supported, check VM properties os.name & os.arch");
        return;
    }
    loadAtFirstUse();
}

void SerialLibrary::loadAtFirstUse() {
    std::optional<std::string> failure = library_.load(jspLib_);
    if (!failure) {
        printDiagnostic("SerialPort class loaded: " + jspLib_);
        return;
    }
    if (platform_.osName == "Windows 7") {
        printDiagnostic(*failure + ": Native library load failed " + jspLib_ +
                        " trying user's folder");
        failure =
            library_.loadFile(SystemProperties::get("user.home", "") + "\\" + jspLib_ + ".dll");
        if (!failure) {
            printDiagnostic("SerialPort class loaded users: " + jspLib_);
            return;
        }
    }
    printDiagnostic(*failure + ": Check that native library " + jspLib_ +
                    " is in proper directory");
}

void SerialLibrary::loadForPort() {
    ensureInitialised();
    std::lock_guard lock(mutex_);
    if (library_.loaded() || jspLib_.empty()) return;
    printDiagnostic("SerialPortLocal: Attempt to load: " + jspLib_);
    std::optional<std::string> failure =
        platform_.osName == "Windows 7"
            ? library_.loadFile(SystemProperties::get("user.home", "") + "\\" + jspLib_ + ".dll")
            : library_.load(jspLib_);
    if (failure)
        printDiagnostic(*failure + ": Check that native library " + jspLib_ +
                        " is in proper directory");
    else
        printDiagnostic("SerialPortLocal: SerialPort class loaded: " + jspLib_);
}

const Platform& SerialLibrary::platform() {
    ensureInitialised();
    return platform_;
}

const SerDriver& SerialLibrary::driver() {
    ensureInitialised();
    const SerDriver* table = library_.driver();
    if (!table)
        throw IOException("Native library " + (jspLib_.empty() ? std::string("(none)") : jspLib_) +
                          " is not loaded");
    return *table;
}

bool SerialLibrary::isLoaded() {
    ensureInitialised();
    return library_.loaded();
}

void SerialLibrary::setNativeLibName(const std::string& name) {
    std::lock_guard lock(mutex_);
    if (name.empty())
        chosenLibName_.reset();
    else
        chosenLibName_ = name;
}

std::string SerialLibrary::nativeLibName() {
    ensureInitialised();
    std::lock_guard lock(mutex_);
    return jspLib_;
}

std::string SerialLibrary::devName() {
    ensureInitialised();
    std::lock_guard lock(mutex_);
    return devName_;
}

void SerialLibrary::setDevName(const std::string& name) {
    ensureInitialised();
    std::lock_guard lock(mutex_);
    devName_ = name;
}

void SerialLibrary::setNotificationCallback(std::shared_ptr<DeviceNotificationCallback> callback) {
    std::lock_guard lock(callbackMutex_);
    callback_ = std::move(callback);
}

std::shared_ptr<DeviceNotificationCallback> SerialLibrary::notificationCallback() {
    std::lock_guard lock(callbackMutex_);
    return callback_;
}

}  // namespace Serialio
