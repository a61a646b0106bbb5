// Ctrl+C, Ctrl+Break and the console closing arrive on a thread Windows starts for each.
#include <windows.h>

#include <stdexcept>
#include <string>

#include "platform/ShutdownRequestsState.h"

namespace platform {

namespace {

bool installed = false;

BOOL WINAPI onConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
            deliverShutdownRequest();
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void installShutdownSource() {
    std::lock_guard lock(shutdownMutex());
    if (installed) return;
    if (!SetConsoleCtrlHandler(onConsoleEvent, TRUE))
        throw std::runtime_error("SetConsoleCtrlHandler: error " + std::to_string(GetLastError()));
    installed = true;
}

}  // namespace platform
