#include "Serialio/SystemProperties.h"

#include <sys/utsname.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <mutex>

namespace Serialio {

namespace {

struct Store {
    std::mutex mutex;
    std::map<std::string, std::string> values;

    Store() {
        utsname names{};
        if (uname(&names) == 0) {
            values["os.name"] = names.sysname;
            values["os.arch"] = names.machine;
        } else {
            std::cerr << "uname: " << std::strerror(errno) << '\n';
        }
        if (const char* home = std::getenv("HOME")) values["user.home"] = home;
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
