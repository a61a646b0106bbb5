#include "Serialio/Platform.h"

#include <algorithm>
#include <array>
#include <map>
#include <string_view>

#include "Serialio/tool/StringCompare.h"

namespace Serialio {

namespace {

// The driver library built with this program for Linux (file libvaltypserial-posix.so).
constexpr const char* kLinuxLibrary = "valtypserial-posix";

constexpr std::array<std::string_view, 13> kFullWindows = {"Windows",
                                                           "Windows 10",
                                                           "Windows 8.1",
                                                           "Windows 8",
                                                           "Windows 7",
                                                           "Windows NT (unknown)",
                                                           "Windows Vista",
                                                           "Windows XP",
                                                           "Windows 2000",
                                                           "Windows 2003",
                                                           "Windows Server 2008",
                                                           "Windows Server 2008 R2",
                                                           "Windows Server 2012"};
constexpr std::array<std::string_view, 5> kPlainWindows = {
    "Windows Server 2012 R2", "Windows NT", "Windows 95", "Windows 98", "Windows Me"};

template <size_t N>
bool among(const std::array<std::string_view, N>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

void setWindowsFeatures(Platform& p) {
    PlatformFeatures& f = p.features;
    f.supParityMarkSpace = f.supInstanceLock = f.supGetPortList = f.supGetStatusAPM = true;
    f.supSigBreak = f.supSigFrameErr = f.supSigParityErr = f.supSigOverrun = true;
    f.supRxOverflow = f.supRxReadyCount = f.supTxBufCount = f.supSetTimeoutTx = true;
    f.supGetTimeoutTx = f.supSigRing = f.supSetRTS = f.supSetDTR = true;
    f.supSigCD = f.supSigCTS = f.supSigDSR = f.supSendBreak = true;
    f.emulatedGetDataTimeout = false;
    p.devName = "COM1";
    p.osFamilyWindows = true;
}

std::string windowsLibrary(const std::string& runtimeVersion) {
    return runtimeVersion == "1.0.2" || runtimeVersion == "102" ? "jspWinNm" : "jspWin";
}

std::optional<std::string> windowsCeLibrary(const std::string& osArch) {
    std::string arch = toLowerAscii(osArch);
    for (auto [key, library] : {std::pair{"arm", "jspWceArm"},
                                {"mips", "jspWceMips"},
                                {"sh3", "jspWceSh3"},
                                {"sh4", "jspWceSh4"},
                                {"86", "jspWceX86"}})
        if (arch.find(key) != std::string::npos) return library;
    return std::nullopt;
}

void setUnixFamily(Platform& p, std::string devName) {
    p.features.emulatedGetDataTimeout = true;
    p.devName = std::move(devName);
}

}  // namespace

std::optional<bool> PlatformFeatures::byName(const std::string& feature) const {
    static const std::map<std::string, bool PlatformFeatures::*> flags = {
        {"sigBreak", &PlatformFeatures::supSigBreak},
        {"sendBreak", &PlatformFeatures::supSendBreak},
        {"sigFrameErr", &PlatformFeatures::supSigFrameErr},
        {"sigOverrun", &PlatformFeatures::supSigOverrun},
        {"sigParityErr", &PlatformFeatures::supSigParityErr},
        {"rxOverflow", &PlatformFeatures::supRxOverflow},
        {"sigRing", &PlatformFeatures::supSigRing},
        {"sigCTS", &PlatformFeatures::supSigCTS},
        {"sigDSR", &PlatformFeatures::supSigDSR},
        {"sigCD", &PlatformFeatures::supSigCD},
        {"setRTS", &PlatformFeatures::supSetRTS},
        {"setDTR", &PlatformFeatures::supSetDTR},
        {"rxReadyCount", &PlatformFeatures::supRxReadyCount},
        {"txBufCount", &PlatformFeatures::supTxBufCount},
        {"setTimeoutTx", &PlatformFeatures::supSetTimeoutTx},
        {"noIndexBitRate", &PlatformFeatures::supNoIndexBitRate},
        {"getPortList", &PlatformFeatures::supGetPortList},
        {"setPowerMode", &PlatformFeatures::supSetPowerMode},
        {"getStatusAPM", &PlatformFeatures::supGetStatusAPM},
        {"InstanceLock", &PlatformFeatures::supInstanceLock},
        {"ParityMarkSpace", &PlatformFeatures::supParityMarkSpace},
        {"supDriverInfo", &PlatformFeatures::supDriverInfo},
        {"UnplugPort", &PlatformFeatures::supUnplugPort}};
    auto it = flags.find(feature);
    if (it == flags.end()) return std::nullopt;
    return this->*(it->second);
}

Platform Platform::select(const std::string& osName, const std::string& osArch,
                          const std::string& runtimeVersion) {
    Platform p;
    p.osName = osName;
    p.osArch = osArch;
    if (among(kFullWindows, osName)) {
        p.nativeLibName = windowsLibrary(runtimeVersion);
        setWindowsFeatures(p);
        p.maxBitRate = 921600;
        p.features.supDriverInfo = true;
    } else if (among(kPlainWindows, osName)) {
        p.nativeLibName = windowsLibrary(runtimeVersion);
        setWindowsFeatures(p);
    } else if (osName == "Windows 2008") {
        p.nativeLibName = windowsLibrary(runtimeVersion);
    } else if (osName == "Windows CE" || osName == "WindowsCE") {
        p.nativeLibName = windowsCeLibrary(osArch);
        setWindowsFeatures(p);
    } else if (osName == "OS/2") {
        p.nativeLibName = "jspos2j";
        setWindowsFeatures(p);
        p.features.supNoIndexBitRate = true;
    } else if (toLowerAscii(osName).find("netware") != std::string::npos) {
        p.nativeLibName = "JspNw";
        setWindowsFeatures(p);
        p.features.supGetPortList = false;
        p.features.emulatedGetDataTimeout = true;
    } else if (osName == "Linux") {
        // Our POSIX driver offers everything the full Windows drivers do, discovery with
        // driver information included, and the table's rates up to 921600.
        p.nativeLibName = kLinuxLibrary;
        setWindowsFeatures(p);
        p.osFamilyWindows = false;
        p.naturalPortOrder = true;
        p.maxBitRate = 921600;
        p.features.supDriverInfo = true;
        p.devName = "/dev/ttyS0";
    } else if (osName == "Mac OS") {
        setUnixFamily(p, p.devName);
        p.maxBitRate = 921600;
    } else if (osName == "Mac OS X") {
        p.nativeLibName = "jspMacOSX";
        setUnixFamily(p, p.devName);
        p.maxBitRate = 230400;
    } else if (osName == "Solaris" || osName == "SunOS") {
        setUnixFamily(p, "/dev/ttya");
    }
    return p;
}

}  // namespace Serialio
