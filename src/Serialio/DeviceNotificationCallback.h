#pragma once

namespace Serialio {

// Told when serial devices arrive or leave; called on a thread of the native driver.
class DeviceNotificationCallback {
  public:
    virtual ~DeviceNotificationCallback() = default;
    virtual void deviceNotification() = 0;
};

}  // namespace Serialio
