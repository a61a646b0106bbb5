#pragma once

#include <optional>
#include <string>

namespace Serialio {

// What the operating system's native driver can do; each flag guards facade operations.
struct PlatformFeatures {
    bool supGetPortList = false;
    bool emulatedGetDataTimeout = false;
    bool supUnplugPort = false;
    bool supSendBreak = true;
    bool supSigBreak = false;
    bool supSigFrameErr = false;
    bool supSigOverrun = false;
    bool supSigParityErr = false;
    bool supRxOverflow = false;
    bool supSigRing = false;
    bool supSigCTS = false;
    bool supSigDSR = false;
    bool supSigCD = false;
    bool supSetRTS = false;
    bool supSetDTR = false;
    bool supRxReadyCount = false;
    bool supTxBufCount = false;
    bool supSetTimeoutTx = false;
    bool supGetTimeoutTx = false;
    bool supGetStatusAPM = false;
    bool supSetPowerMode = false;
    bool supGetResumeState = false;
    bool supInstanceLock = false;
    bool supParityMarkSpace = false;
    bool supNoIndexBitRate = false;
    bool supDriverInfo = false;

    // The flag isSupported reports for a feature name; nullopt for an unknown name.
    std::optional<bool> byName(const std::string& feature) const;
};

// One row of the operating-system table: which driver library to load and what it offers.
struct Platform {
    std::string osName;
    std::string osArch;
    std::optional<std::string> nativeLibName;  // none: the platform is not supported
    PlatformFeatures features;
    int maxBitRate = 115200;
    std::string devName = "COM1";
    bool osFamilyWindows = false;
    // Port lists sorted by natural name order instead of the COM-number rule.
    bool naturalPortOrder = false;

    // The row for an "os.name"/"os.arch" pair; runtimeVersion picks a Windows variant.
    static Platform select(const std::string& osName, const std::string& osArch,
                           const std::string& runtimeVersion = "");
};

}  // namespace Serialio
