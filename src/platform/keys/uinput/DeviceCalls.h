#pragma once
// The kernel calls behind the virtual keyboard and the Caps Lock light, as
// one small seam: the build and test machines have no /dev/uinput, so the
// tests stand in for the set-up calls while the events go to a real file.

#include <string>
#include <vector>

namespace keys::uinput {

class DeviceCalls {
  public:
    DeviceCalls() = default;
    DeviceCalls(const DeviceCalls&) = delete;
    DeviceCalls& operator=(const DeviceCalls&) = delete;
    virtual ~DeviceCalls() = default;

    // As open(2), close(2) and ioctl(2): -1 with errno set on failure.
    virtual int open(const char* path, int flags);
    virtual int close(int fd);
    // An ioctl whose argument is a number, and one whose argument is data.
    virtual int controlValue(int fd, unsigned long request, unsigned long value);
    virtual int controlData(int fd, unsigned long request, void* data);
    // The input event devices (/dev/input/event*), for their keyboards' lights.
    virtual std::vector<std::string> eventDevices();
};

// The real calls.
DeviceCalls& systemDeviceCalls();

}  // namespace keys::uinput
