#include "platform/serial/win32/PortTable.h"

#include "platform/serial/SerialDriver.h"

namespace win32serial {

int PortTable::open(SerPortConfig& config) {
    std::lock_guard lock(mutex_);
    int p = 0;
    while (p < kMaxPorts && ports_[static_cast<size_t>(p)]) ++p;
    if (p == kMaxPorts) {
        setErrorText("no free port number");
        return SER_ERR_TOO_MANY;
    }
    std::wstring path = devicePath(config);
    // Asked before opening: Windows would answer "access denied", as for another program.
    for (const auto& port : ports_) {
        if (port && port->path() == path) {
            setErrorText(port->name() + " is open already");
            return SER_ERR_ALREADY_OPEN;
        }
    }
    std::unique_ptr<Win32Port> port;
    int result = Win32Port::open(path, config, port);
    if (result != SER_OK) return result;
    setErrorText(port->isVirtual() ? "a virtual port without modem lines: its far end decides "
                                     "the character format, so it is set but not checked"
                                   : "");
    ports_[static_cast<size_t>(p)] = std::move(port);
    config.port = p + 1;
    return SER_OK;
}

int PortTable::close(int p) {
    std::lock_guard lock(mutex_);
    if (!find(p)) {
        setErrorText("port " + std::to_string(p) + " is not open");
        return SER_ERR_BAD_PORT;
    }
    ports_[static_cast<size_t>(p)].reset();
    return SER_OK;
}

Win32Port* PortTable::find(int p) const {
    if (p < 0 || p >= kMaxPorts) return nullptr;
    return ports_[static_cast<size_t>(p)].get();
}

}  // namespace win32serial
