#pragma once

#include <libudev.h>

#include <memory>

namespace posixserial {

struct UdevRelease {
    void operator()(udev* handle) const { udev_unref(handle); }
    void operator()(udev_enumerate* handle) const { udev_enumerate_unref(handle); }
    void operator()(udev_device* handle) const { udev_device_unref(handle); }
    void operator()(udev_monitor* handle) const { udev_monitor_unref(handle); }
    void operator()(udev_hwdb* handle) const { udev_hwdb_unref(handle); }
};

using Udev = std::unique_ptr<udev, UdevRelease>;
using UdevEnumerate = std::unique_ptr<udev_enumerate, UdevRelease>;
using UdevDevice = std::unique_ptr<udev_device, UdevRelease>;
using UdevMonitorHandle = std::unique_ptr<udev_monitor, UdevRelease>;
using UdevHwdb = std::unique_ptr<udev_hwdb, UdevRelease>;

}  // namespace posixserial
