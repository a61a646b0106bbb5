#include "platform/keys/uinput/DeviceCalls.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace keys::uinput {

int DeviceCalls::open(const char* path, int flags) {
    return ::open(path, flags);
}

int DeviceCalls::close(int fd) {
    return ::close(fd);
}

int DeviceCalls::controlValue(int fd, unsigned long request, unsigned long value) {
    return ::ioctl(fd, request, value);
}

int DeviceCalls::controlData(int fd, unsigned long request, void* data) {
    return ::ioctl(fd, request, data);
}

std::vector<std::string> DeviceCalls::eventDevices() {
    std::vector<std::string> devices;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/input", error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("event")) devices.push_back(entry.path().string());
    }
    std::sort(devices.begin(), devices.end());
    return devices;
}

DeviceCalls& systemDeviceCalls() {
    static DeviceCalls calls;
    return calls;
}

}  // namespace keys::uinput
