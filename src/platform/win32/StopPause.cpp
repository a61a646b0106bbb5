// The stop/wake object over a manual-reset event, which a wait can watch beside a device.
#include "platform/StopPause.h"

#include <windows.h>

#include <stdexcept>
#include <string>

namespace platform {

namespace {
HANDLE event(WakeHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}
}  // namespace

StopPause::StopPause(std::stop_token stop) : stop_(std::move(stop)) {
    HANDLE created = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!created) throw std::runtime_error("CreateEventW: error " + std::to_string(GetLastError()));
    wakeUp_ = reinterpret_cast<WakeHandle>(created);
    onStop_.emplace(stop_, std::function<void()>([this] { signal(); }));
}

StopPause::~StopPause() {
    onStop_.reset();  // no callback may signal a closed handle
    CloseHandle(event(wakeUp_));
}

void StopPause::signal() {
    (void)SetEvent(event(wakeUp_));
}

bool StopPause::pause(std::chrono::milliseconds duration) {
    if (stop_.stop_requested()) return true;
    if (duration.count() > 0)
        (void)WaitForSingleObject(event(wakeUp_), static_cast<DWORD>(duration.count()));
    return stop_.stop_requested();
}

void StopPause::wake() {
    signal();
}

void StopPause::clearWakeUps() {
    // A stop's signal may be cleared too: the stop itself stays requested and is checked next.
    (void)ResetEvent(event(wakeUp_));
}

}  // namespace platform
