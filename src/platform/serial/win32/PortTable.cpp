#include "platform/serial/win32/PortTable.h"

#include "platform/serial/SerialDriver.h"

namespace win32serial {

int PortTable::open(SerPortConfig& config) {
    std::lock_guard lock(mutex_);
    const int p = ports_.freeSlot();
    if (p < 0) {
        setErrorText("no free port number");
        return SER_ERR_TOO_MANY;
    }
    std::wstring path = devicePath(config);
    // Asked before opening: Windows would answer "access denied", as for another program.
    if (const Win32Port* open =
            ports_.findIf([&](const Win32Port& port) { return port.path() == path; })) {
        setErrorText(open->name() + " is open already");
        return SER_ERR_ALREADY_OPEN;
    }
    std::unique_ptr<Win32Port> port;
    int result = Win32Port::open(path, config, port);
    if (result != SER_OK) return result;
    setErrorText(port->isVirtual() ? "a virtual port without modem lines: its far end decides "
                                     "the character format, so it is set but not checked"
                                   : "");
    ports_.put(p, std::move(port));
    config.port = p + 1;
    return SER_OK;
}

int PortTable::close(int p) {
    std::lock_guard lock(mutex_);
    return ports_.close(p);
}

Win32Port* PortTable::find(int p) const {
    return ports_.find(p);
}

}  // namespace win32serial
