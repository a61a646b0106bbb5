#include "Serialio/StablePortNames.h"

#include <filesystem>
#include <set>
#include <system_error>

#include "Serialio/SystemProperties.h"

namespace Serialio {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinkHops = 8;

// Follows links by their text, so a link whose device is unplugged still tells where it
// led; udev's links are relative ("../../ttyUSB0").
fs::path resolve(const fs::path& name) {
    std::error_code error;
    fs::path current = name;
    for (int hop = 0; hop < kMaxLinkHops && fs::is_symlink(current, error); ++hop) {
        fs::path target = fs::read_symlink(current, error);
        if (error) break;
        current = target.is_absolute() ? target : current.parent_path() / target;
        current = current.lexically_normal();
    }
    return current;
}

}  // namespace

std::string StablePortNames::folder() {
    return SystemProperties::get(FOLDER_PROPERTY, kDefaultFolder);
}

std::optional<std::string> StablePortNames::linkFor(const std::string& kernelName) {
    if (kernelName.empty()) return std::nullopt;
    const fs::path device = resolve(kernelName);
    std::error_code error;
    std::set<std::string> links;  // sorted by name
    for (fs::directory_iterator it(folder(), error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_symlink(error) && resolve(it->path()) == device)
            links.insert(it->path().string());
    }
    if (links.empty()) return std::nullopt;
    return *links.begin();
}

std::string StablePortNames::kernelNameOf(const std::string& portName) {
    if (portName.empty()) return portName;
    return resolve(portName).string();
}

bool StablePortNames::isStableLink(const std::string& portName) {
    std::error_code error;
    const fs::path name(portName);
    fs::path links = fs::path(folder()).lexically_normal();
    if (!links.has_filename()) links = links.parent_path();  // "/dev/serial/by-id/"
    return name.is_absolute() && name.parent_path().lexically_normal() == links &&
           fs::is_symlink(name, error);
}

}  // namespace Serialio
