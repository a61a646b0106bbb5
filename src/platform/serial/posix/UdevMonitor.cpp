#include "platform/serial/posix/UdevMonitor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <string>

#include "platform/serial/posix/ErrorText.h"

namespace posixserial {

namespace {

// Without udevd (containers, minimal systems) only the kernel's own events arrive.
const char* eventSource() {
    return access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
}

bool isHardwarePort(udev_device* device) {
    const char* path = udev_device_get_devpath(device);
    return path && std::strstr(path, "/virtual/") == nullptr;
}

bool failed(const char* call) {
    failWithErrno(0, call);
    return false;
}

}  // namespace

bool UdevMonitor::start(SerDeviceNotification callback, void* context) {
    stop();
    std::lock_guard lock(mutex_);
    Udev handle(udev_new());
    if (!handle) return failed("udev_new");
    UdevMonitorHandle monitor(udev_monitor_new_from_netlink(handle.get(), eventSource()));
    if (!monitor) return failed("udev_monitor_new_from_netlink");
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0)
        return failed("udev_monitor_enable_receiving");
    FileDescriptor wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake.valid()) return failed("eventfd");

    udev_ = std::move(handle);
    monitor_ = std::move(monitor);
    wake_ = std::move(wake);
    thread_ = std::thread(run, monitor_.get(), wake_.get(), callback, context);
    return true;
}

void UdevMonitor::stop() {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) return;
    std::uint64_t one = 1;
    if (write(wake_.get(), &one, sizeof one) != sizeof one)
        std::cerr << "UdevMonitor: eventfd write: " << std::strerror(errno) << '\n';
    thread_.join();
    monitor_.reset();
    udev_.reset();
    wake_.reset();
}

std::optional<std::string> UdevMonitor::watch(int deviceFd, int wakeFd,
                                              const std::function<void()>& receive) {
    pollfd watched[2] = {{deviceFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    for (;;) {
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return std::string("poll: ") + std::strerror(errno);
        }
        if (watched[1].revents) return std::nullopt;
        const short events = watched[0].revents;
        if (events & POLLIN) {
            receive();
        } else if (events & (POLLERR | POLLHUP | POLLNVAL)) {
            return std::string("the device event socket reported ") +
                   (events & POLLNVAL  ? "an invalid descriptor"
                    : events & POLLERR ? "an error"
                                       : "a hang-up") +
                   " with nothing to read";
        }
    }
}

void UdevMonitor::run(udev_monitor* monitor, int wakeFd, SerDeviceNotification callback,
                      void* context) {
    const auto ended = watch(udev_monitor_get_fd(monitor), wakeFd, [&] {
        UdevDevice device(udev_monitor_receive_device(monitor));
        if (!device || !isHardwarePort(device.get())) return;
        std::string action =
            udev_device_get_action(device.get()) ? udev_device_get_action(device.get()) : "";
        if (action == "add" || action == "remove") callback(context);
    });
    // Whoever waits for a device tries its name on a timer as well, so that is what
    // remains without the announcements.
    if (ended)
        std::cerr << "UdevMonitor: " << *ended << "; device changes are no longer announced\n";
}

}  // namespace posixserial
