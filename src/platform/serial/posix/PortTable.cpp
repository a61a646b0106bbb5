#include "platform/serial/posix/PortTable.h"

#include <sys/stat.h>

#include "platform/serial/SerialDriver.h"
#include "platform/serial/posix/DeviceOpen.h"
#include "platform/serial/posix/ErrorText.h"

namespace posixserial {

bool PortTable::deviceOpen(dev_t device) const {
    return ports_.findIf([device](const PosixPort& port) { return port.device() == device; });
}

int PortTable::open(SerPortConfig& config) {
    std::lock_guard lock(mutex_);
    int p = ports_.freeSlot();
    if (p < 0) {
        setErrorText("no free port number");
        return SER_ERR_TOO_MANY;
    }
    std::string path = devicePath(config);
    // Asked before opening: our own exclusive lock would otherwise answer "in use".
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode) && deviceOpen(info.st_rdev)) {
        setErrorText(path + " is open already");
        return SER_ERR_ALREADY_OPEN;
    }
    // Programs sharing a port by agreement (non-exclusive opens) leave each other's lock
    // files alone.
    LockFile lockFile;
    int result = exclusive_ ? lockFile.acquire(path) : SER_OK;
    if (result != SER_OK) return result;
    FileDescriptor fd;
    result = openDevice(path, exclusive_, fd);
    if (result != SER_OK) return result;
    if (fstat(fd.get(), &info) != 0) return failWithErrno(SER_ERR_SYSTEM, "fstat " + path);
    auto port = std::make_unique<PosixPort>(std::move(fd), path, info.st_rdev, std::move(lockFile));
    result = port->configure(config);
    if (result != SER_OK) return result;
    setErrorText(port->isVirtual() ? "a pseudo-terminal: its far end decides the line "
                                     "settings, so they are set but not checked"
                                   : "");
    ports_.put(p, std::move(port));
    config.port = p + 1;
    return SER_OK;
}

int PortTable::close(int p) {
    std::lock_guard lock(mutex_);
    return ports_.close(p);
}

PosixPort* PortTable::find(int p) const {
    return ports_.find(p);
}

}  // namespace posixserial
