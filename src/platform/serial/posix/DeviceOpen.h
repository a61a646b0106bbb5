#pragma once

#include <sys/types.h>

#include <string>

#include "platform/serial/posix/FileDescriptor.h"

struct SerPortConfig;

namespace posixserial {

// The device path a settings record names: "ttyS0" means "/dev/ttyS0"; an empty name with a
// port number n means the base name followed by n - 1.
std::string devicePath(const SerPortConfig& config);

// Opens a serial device for reading and writing without making it the controlling terminal.
// With exclusive set, a second open of the same device (from any program) is refused.
// Returns SER_OK or an open result of SerialDriver.h, with the reason in errorText().
int openDevice(const std::string& path, bool exclusive, FileDescriptor& device);

// Maps the errno of a failed open to the driver's open result.
int openResultFor(int error);

// What a user who may not open the device can do about it: join the device's group, where
// that group may read and write it and is not root's. Empty when that would not help.
std::string permissionAdvice(const std::string& path);

// Whether the device number is a pseudo-terminal's port side.
bool isPseudoTerminal(dev_t device);

}  // namespace posixserial
