#include "Serialio/FriendlyPortUtil.h"

#include <mutex>

#include "Serialio/IOException.h"
#include "Serialio/SerialPortLocal.h"
#include "Serialio/StablePortNames.h"

namespace Serialio {

namespace {

struct InfoList {
    std::mutex mutex;
    std::vector<PortDriverInfo> portInfoList;
    std::vector<std::string> displayNames;  // taken with the list: links may move later
};

InfoList& infoList() {
    static InfoList instance;
    return instance;
}

}  // namespace

std::string FriendlyPortUtil::displayName(const PortDriverInfo& info) {
    // FORMATSTR filled with name, description, manufacturer. A port listed by its stable
    // link shows the kernel's name the operator knows from other tools.
    std::string shown = info.getPortName();
    if (StablePortNames::isStableLink(shown)) shown = StablePortNames::kernelNameOf(shown);
    return shown + ": " + info.getDriverDesc() + " - " + info.getDriverMfgr();
}

void FriendlyPortUtil::update() {
    std::vector<PortDriverInfo> fresh;
    try {
        fresh = SerialPortLocal::getDriverInfoList();
    } catch (const IOException&) {
        // No driver information here: names are shown as they are.
    }
    std::vector<std::string> names;
    for (const PortDriverInfo& info : fresh) names.push_back(displayName(info));
    std::lock_guard lock(infoList().mutex);
    infoList().portInfoList = std::move(fresh);
    infoList().displayNames = std::move(names);
}

std::vector<std::string> FriendlyPortUtil::getFriendlyPortList() {
    std::lock_guard lock(infoList().mutex);
    return infoList().displayNames;
}

std::string FriendlyPortUtil::getFriendlyPortName(const std::string& portName) {
    std::lock_guard lock(infoList().mutex);
    const InfoList& list = infoList();
    for (size_t i = 0; i < list.portInfoList.size(); ++i)
        if (list.portInfoList[i].getPortName() == portName) return list.displayNames[i];
    return portName;
}

std::string FriendlyPortUtil::getUnfriendlyPortName(const std::string& text) {
    std::lock_guard lock(infoList().mutex);
    const InfoList& list = infoList();
    for (size_t i = 0; i < list.portInfoList.size(); ++i)
        if (list.displayNames[i] == text) return list.portInfoList[i].getPortName();
    return text;
}

bool FriendlyPortUtil::portInfoListIsPopulated() {
    std::lock_guard lock(infoList().mutex);
    return !infoList().portInfoList.empty();
}

}  // namespace Serialio
