#include "Serialio/FriendlyPortUtil.h"

#include <mutex>

#include "Serialio/IOException.h"
#include "Serialio/SerialPortLocal.h"

namespace Serialio {

namespace {

struct InfoList {
    std::mutex mutex;
    std::vector<PortDriverInfo> portInfoList;
};

InfoList& infoList() {
    static InfoList instance;
    return instance;
}

}  // namespace

std::string FriendlyPortUtil::displayName(const PortDriverInfo& info) {
    // FORMATSTR filled with name, description, manufacturer.
    return info.getPortName() + ": " + info.getDriverDesc() + " - " + info.getDriverMfgr();
}

void FriendlyPortUtil::update() {
    std::vector<PortDriverInfo> fresh;
    try {
        fresh = SerialPortLocal::getDriverInfoList();
    } catch (const IOException&) {
        // No driver information here: names are shown as they are.
    }
    std::lock_guard lock(infoList().mutex);
    infoList().portInfoList = std::move(fresh);
}

std::vector<std::string> FriendlyPortUtil::getFriendlyPortList() {
    std::lock_guard lock(infoList().mutex);
    std::vector<std::string> names;
    for (const PortDriverInfo& info : infoList().portInfoList) names.push_back(displayName(info));
    return names;
}

std::string FriendlyPortUtil::getFriendlyPortName(const std::string& portName) {
    std::lock_guard lock(infoList().mutex);
    for (const PortDriverInfo& info : infoList().portInfoList)
        if (info.getPortName() == portName) return displayName(info);
    return portName;
}

std::string FriendlyPortUtil::getUnfriendlyPortName(const std::string& text) {
    std::lock_guard lock(infoList().mutex);
    for (const PortDriverInfo& info : infoList().portInfoList)
        if (displayName(info) == text) return info.getPortName();
    return text;
}

bool FriendlyPortUtil::portInfoListIsPopulated() {
    std::lock_guard lock(infoList().mutex);
    return !infoList().portInfoList.empty();
}

}  // namespace Serialio
