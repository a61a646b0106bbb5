#include "Serialio/SystemProperties.h"

#include <iostream>
#include <map>
#include <mutex>

#include "platform/System.h"

namespace Serialio {

namespace {

struct Store {
    std::mutex mutex;
    std::map<std::string, std::string> values;

    Store() {
        std::string why;
        if (std::optional<platform::SystemNames> names = platform::systemNames(&why)) {
            values["os.name"] = names->osName;
            values["os.arch"] = names->osArch;
        } else {
            std::cerr << why << '\n';
        }
        if (std::string home = platform::homeFolder(); !home.empty()) values["user.home"] = home;
    }
};

Store& store() {
    static Store instance;
    return instance;
}

}  // namespace

std::optional<std::string> SystemProperties::get(const std::string& key) {
    Store& s = store();
    std::lock_guard lock(s.mutex);
    auto it = s.values.find(key);
    if (it == s.values.end()) return std::nullopt;
    return it->second;
}

std::string SystemProperties::get(const std::string& key, const std::string& fallback) {
    return get(key).value_or(fallback);
}

void SystemProperties::set(const std::string& key, const std::string& value) {
    Store& s = store();
    std::lock_guard lock(s.mutex);
    s.values[key] = value;
}

void SystemProperties::clear(const std::string& key) {
    Store& s = store();
    std::lock_guard lock(s.mutex);
    s.values.erase(key);
}

}  // namespace Serialio
