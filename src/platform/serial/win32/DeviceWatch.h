#pragma once

#include <windows.h>

#include <mutex>
#include <thread>

#include "platform/serial/SerialDriver.h"

namespace win32serial {

// Calls back when a COM port arrives or leaves, from a thread of its own that keeps a hidden
// window for Windows' device broadcasts.
class DeviceWatch {
  public:
    static constexpr const wchar_t* kWindowClass = L"ValtypSerialDeviceWatch";

    DeviceWatch() = default;
    ~DeviceWatch() { stop(); }
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

    // Replaces a running watch. False with errorText() set when no window could be made.
    bool start(SerDeviceNotification callback, void* context);
    void stop();

  private:
    std::mutex mutex_;
    std::thread thread_;
    DWORD threadId_ = 0;
};

}  // namespace win32serial
