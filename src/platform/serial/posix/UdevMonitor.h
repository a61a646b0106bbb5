#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/serial/SerialDriver.h"
#include "platform/serial/posix/FileDescriptor.h"
#include "platform/serial/posix/UdevHandles.h"

namespace posixserial {

// Watches for serial devices arriving or leaving and calls back on a thread of its own.
class UdevMonitor {
  public:
    UdevMonitor() = default;
    ~UdevMonitor() { stop(); }
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    // Replaces a running watch. Returns false with errorText() set when udev cannot watch.
    bool start(SerDeviceNotification callback, void* context);
    void stop();

    // Calls receive() whenever deviceFd has data, until wakeFd becomes readable (nothing
    // returned) or deviceFd reports an error or hang-up with nothing to read, which no
    // later poll clears: the reason is returned and the watch is over.
    static std::optional<std::string> watch(int deviceFd, int wakeFd,
                                            const std::function<void()>& receive);

  private:
    static void run(udev_monitor* monitor, int wakeFd, SerDeviceNotification callback,
                    void* context);

    std::mutex mutex_;
    Udev udev_;
    UdevMonitorHandle monitor_;
    FileDescriptor wake_;
    std::thread thread_;
};

}  // namespace posixserial
