#include "Serialio/PortRegistry.h"

#include <algorithm>
#include <cctype>

namespace Serialio {

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool PortRegistry::addPortName(const std::string& name) {
    std::lock_guard lock(mutex_);
    for (const std::string& known : names_)
        if (equalIgnoringCase(known, name)) return false;
    names_.push_back(name);
    return true;
}

void PortRegistry::addPortInfo(const std::string& name, const std::string& manufacturer,
                               const std::string& description) {
    std::lock_guard lock(mutex_);
    for (const PortDriverInfo& known : infos_)
        if (equalIgnoringCase(known.getPortName(), name)) return;
    infos_.emplace_back(name, manufacturer, description);
    lastInfo_ = infos_.back();
}

void PortRegistry::clearPortListInfo() {
    std::lock_guard lock(mutex_);
    infos_.clear();
}

void PortRegistry::clearPortList() {
    std::lock_guard lock(mutex_);
    names_.clear();
}

std::vector<std::string> PortRegistry::portList() const {
    std::lock_guard lock(mutex_);
    return names_;
}

std::vector<PortDriverInfo> PortRegistry::portListInfo() const {
    std::lock_guard lock(mutex_);
    return infos_;
}

std::optional<PortDriverInfo> PortRegistry::portInfo() const {
    std::lock_guard lock(mutex_);
    return lastInfo_;
}

bool PortRegistry::portListEmpty() const {
    std::lock_guard lock(mutex_);
    return names_.empty();
}

}  // namespace Serialio
