// The library-wide side of the port facade: platform, driver, port lists, device changes.
#include <memory>

#include "Serialio/Diagnostics.h"
#include "Serialio/IOException.h"
#include "Serialio/PortListOrder.h"
#include "Serialio/SerialLibrary.h"
#include "Serialio/SerialPortLocal.h"
#include "Serialio/StablePortNames.h"
#include "Serialio/SystemProperties.h"
#include "Serialio/tool/NaturalStringCompare.h"
#include "Serialio/tool/SortVector.h"

namespace Serialio {

namespace {

constexpr size_t kShortestPortList = 4;

const SortVector& svPortList() {
    static const SortVector sorter(std::make_shared<NaturalStringCompare>());
    return sorter;
}

std::string trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

void addPortsFromProperty() {
    auto property = SystemProperties::get("SERIAL_PORT_LIST");
    if (!property) return;
    std::string list = trim(*property);
    if (list.size() <= kShortestPortList) return;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find_first_of(";:", start);
        if (end == std::string::npos) end = list.size();
        std::string name = trim(list.substr(start, end - start));
        if (!name.empty()) SerialPortLocal::addPortName(name);
        start = end + 1;
    }
}

void printDiscoveryHelp() {
    printDiagnostic("getPortList: port discovery not currently supported on this platform.");
    printDiagnostic("Options:");
    printDiagnostic("A) addPortName can be used to build a list of device names ");
    printDiagnostic("B) set the property SERIAL_PORT_LIST=/dev/ttyS0;/dev/ttyUSB0");
    printDiagnostic("   or SERIAL_PORT_LIST=/dev/ttyS0:/dev/ttyUSB0");
}

// The context of a listing says whether devices with a stable link are listed by it, so the
// stored port finds the same adapter after the kernel numbered it anew.
std::string listedName(void* context, const char* name) {
    bool useStableLinks = context && *static_cast<bool*>(context);
    if (!useStableLinks) return name;
    return StablePortNames::linkFor(name).value_or(name);
}

extern "C" void sinkAddPortName(void* context, const char* name) {
    if (name) SerialPortLocal::addPortName(listedName(context, name));
}

extern "C" void sinkAddPortInfo(void* context, const char* name, const char* manufacturer,
                                const char* description) {
    if (name)
        SerialPortLocal::addPortInfo(listedName(context, name), manufacturer ? manufacturer : "",
                                     description ? description : "");
}

extern "C" void nativeDeviceNotification(void*) {
    SerialPortLocal::deviceNotification();
}

}  // namespace

int SerialPortLocal::getMaxBitRate() {
    return SerialLibrary::instance().platform().maxBitRate;
}
bool SerialPortLocal::isLibraryLoaded() {
    return SerialLibrary::instance().isLoaded();
}
std::string SerialPortLocal::getOsName() {
    return SerialLibrary::instance().platform().osName;
}
std::string SerialPortLocal::getOsArch() {
    return SerialLibrary::instance().platform().osArch;
}
PlatformFeatures SerialPortLocal::getFeatures() {
    return SerialLibrary::instance().features();
}
std::string SerialPortLocal::getDevName() {
    return SerialLibrary::instance().devName();
}

void SerialPortLocal::setNativeLibName(const std::string& libName) {
    SerialLibrary::instance().setNativeLibName(libName);
}

std::string SerialPortLocal::getNativeLibName() {
    return SerialLibrary::instance().nativeLibName();
}

void SerialPortLocal::reinitialize() {
    SerialLibrary::instance().reinitialize();
}

void SerialPortLocal::addPortName(const std::string& portName) {
    SerialLibrary::instance().registry().addPortName(portName);
}

void SerialPortLocal::addPortInfo(const std::string& portName, const std::string& manufacturer,
                                  const std::string& description) {
    SerialLibrary::instance().registry().addPortInfo(portName, manufacturer, description);
}

void SerialPortLocal::clearPortListInfo() {
    SerialLibrary::instance().registry().clearPortListInfo();
}

int SerialPortLocal::getPortListMode() {
    return SerialLibrary::instance().registry().getPortListMode();
}

void SerialPortLocal::setPortListMode(int mode) {
    SerialLibrary::instance().registry().setPortListMode(mode);
}

std::vector<std::string> SerialPortLocal::getPortList() {
    SerialLibrary& library = SerialLibrary::instance();
    const Platform& platform = library.platform();
    PortRegistry& registry = library.registry();
    addPortsFromProperty();
    if (platform.features.supGetPortList) {
        const SerDriver& driver = library.driver();
        // Every listing starts from what is there now: a vanished port goes, and another
        // adapter that got its name brings its own description.
        registry.clearPortList();
        registry.clearPortListInfo();
        bool useStableLinks = !platform.osFamilyWindows;
        SerPortListSink sink{&useStableLinks, sinkAddPortName, sinkAddPortInfo};
        driver.SerGetPortList(&sink);
        // Ports the user named are offered as named, also where discovery found others.
        if (!platform.osFamilyWindows) addPortsFromProperty();
    } else if (!registry.portListEmpty()) {
        printDiagnostic("getPortList: using list created with addPortName");
    } else {
        printDiscoveryHelp();
    }
    std::vector<std::string> names = registry.portList();
    if (platform.osFamilyWindows) return orderComPortsFirst(names);
    if (platform.naturalPortOrder) svPortList().sort(names);
    return names;
}

std::vector<PortDriverInfo> SerialPortLocal::getDriverInfoList() {
    SerialLibrary& library = SerialLibrary::instance();
    if (!library.features().supDriverInfo) throw IOException("Not supported on this platform");
    if (library.registry().portListEmpty())
        throw IOException("Must call SerialPortLocal.getPortList method first");
    return library.registry().portListInfo();
}

void SerialPortLocal::registerDeviceNotification(
    std::shared_ptr<DeviceNotificationCallback> callback) {
    SerialLibrary& library = SerialLibrary::instance();
    const SerDriver& driver = library.driver();
    // The driver's thread may be inside our callback; stop it before swapping callbacks.
    if (library.notificationCallback()) driver.SerUnregisterDeviceNotification();
    library.setNotificationCallback(std::move(callback));
    driver.SerRegisterDeviceNotification(nativeDeviceNotification, nullptr);
    std::string problem = driver.SerGetErrorText();
    if (!problem.empty()) printDiagnostic("SerRegisterDeviceNotification: " + problem);
}

void SerialPortLocal::unregisterDeviceNotification() {
    SerialLibrary& library = SerialLibrary::instance();
    library.driver().SerUnregisterDeviceNotification();
    library.setNotificationCallback(nullptr);
}

void SerialPortLocal::deviceNotification() {
    printDiagnostic("Serialio.deviceNotification");
    if (auto callback = SerialLibrary::instance().notificationCallback())
        callback->deviceNotification();
}

}  // namespace Serialio
