#pragma once
// The kernel side of a virtual keyboard on a machine without /dev/uinput:
// /dev/uinput opens as a memory file that takes the written events for real,
// the set-up calls are written down with their arguments, and event devices
// answer with the Caps Lock lights a test gives them.

#include "platform/keys/uinput/DeviceCalls.h"

#include <linux/input.h>
#include <linux/uinput.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

class FakeDevice : public keys::uinput::DeviceCalls {
  public:
    struct EventDevice {
        bool hasCapsLight;
        bool capsLit;
    };

    FakeDevice() : events_(memfd_create("uinput-events", MFD_CLOEXEC)) {}
    ~FakeDevice() override { ::close(events_); }

    // The calls made, in order: "open /dev/uinput", "UI_SET_KEYBIT 30", ...
    std::vector<std::string> calls;
    // errno for the open of /dev/uinput; none: it opens.
    std::optional<int> refuseOpen;
    // The set-up request that fails with EINVAL.
    std::optional<unsigned long> failing;
    std::map<std::string, EventDevice> eventDeviceList;  // path -> lights; unlisted paths fail

    // Everything written to the device so far.
    std::vector<input_event> written() const {
        std::vector<input_event> events(static_cast<std::size_t>(lseek(events_, 0, SEEK_END)) /
                                        sizeof(input_event));
        pread(events_, events.data(), events.size() * sizeof(input_event), 0);
        return events;
    }

    int open(const char* path, int) override {
        calls.push_back(std::string("open ") + path);
        if (std::string(path) == "/dev/uinput") {
            if (refuseOpen) return errno = *refuseOpen, -1;
            return events_;
        }
        const auto device = eventDeviceList.find(path);
        if (device == eventDeviceList.end()) return errno = EACCES, -1;
        opened_[nextFd_] = device->second;
        return nextFd_++;
    }
    int close(int fd) override {
        calls.push_back(fd == events_ ? "close /dev/uinput" : "close");
        return 0;
    }
    int controlValue(int fd, unsigned long request, unsigned long value) override {
        if (fd != events_) return errno = EBADF, -1;
        const std::map<unsigned long, const char*> names{{UI_SET_EVBIT, "UI_SET_EVBIT"},
                                                         {UI_SET_KEYBIT, "UI_SET_KEYBIT"},
                                                         {UI_DEV_CREATE, "UI_DEV_CREATE"},
                                                         {UI_DEV_DESTROY, "UI_DEV_DESTROY"}};
        const auto name = names.find(request);
        std::string call = name == names.end() ? "ioctl " + std::to_string(request) : name->second;
        if (request == UI_SET_EVBIT || request == UI_SET_KEYBIT)
            call += ' ' + std::to_string(value);
        calls.push_back(call);
        if (failing == request) return errno = EINVAL, -1;
        return 0;
    }
    int controlData(int fd, unsigned long request, void* data) override {
        if (request == UI_DEV_SETUP && fd == events_) {
            const auto* setup = static_cast<const uinput_setup*>(data);
            calls.push_back(std::string("UI_DEV_SETUP ") + setup->name + " bus " +
                            std::to_string(setup->id.bustype));
            if (failing == request) return errno = EINVAL, -1;
            return 0;
        }
        const auto device = opened_.find(fd);
        if (device == opened_.end()) return errno = EBADF, -1;
        auto* bits = static_cast<unsigned char*>(data);
        const bool led = _IOC_NR(request) == _IOC_NR(EVIOCGBIT(EV_LED, 0));
        const bool lit = _IOC_NR(request) == _IOC_NR(EVIOCGLED(0));
        if (!led && !lit) return errno = EINVAL, -1;
        std::memset(bits, 0, _IOC_SIZE(request));
        if ((led && device->second.hasCapsLight) || (lit && device->second.capsLit)) {
            bits[LED_CAPSL / 8] |= 1U << (LED_CAPSL % 8);
        }
        return static_cast<int>(_IOC_SIZE(request));
    }
    std::vector<std::string> eventDevices() override {
        calls.push_back("list event devices");
        std::vector<std::string> paths{"/dev/input/event0"};  // unreadable, as for most users
        for (const auto& [path, device] : eventDeviceList) paths.push_back(path);
        return paths;
    }

  private:
    int events_;
    int nextFd_ = 1000;
    std::map<int, EventDevice> opened_;
};
