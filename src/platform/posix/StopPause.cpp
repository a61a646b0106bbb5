// The stop/wake object over an eventfd, which poll can watch beside a device.
#include "platform/StopPause.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

namespace platform {

StopPause::StopPause(std::stop_token stop) : stop_(std::move(stop)) {
    int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) throw std::runtime_error(std::string("eventfd: ") + std::strerror(errno));
    wakeUp_ = fd;
    onStop_.emplace(stop_, std::function<void()>([this] { signal(); }));
}

StopPause::~StopPause() {
    onStop_.reset();  // no callback may write to a closed descriptor
    close(static_cast<int>(wakeUp_));
}

void StopPause::signal() {
    const std::uint64_t one = 1;
    // Nothing to do on failure: a counter that cannot take more is already readable.
    (void)!write(static_cast<int>(wakeUp_), &one, sizeof one);
}

bool StopPause::pause(std::chrono::milliseconds duration) {
    if (stop_.stop_requested()) return true;
    if (duration.count() > 0) {
        pollfd wakeUp{static_cast<int>(wakeUp_), POLLIN, 0};
        // An interrupted wait ends the pause early; the caller polls again anyway.
        (void)poll(&wakeUp, 1, static_cast<int>(duration.count()));
    }
    return stop_.stop_requested();
}

void StopPause::wake() {
    signal();
}

void StopPause::clearWakeUps() {
    // A stop's write may be drained too: the stop itself stays requested and is checked next.
    std::uint64_t count = 0;
    (void)!read(static_cast<int>(wakeUp_), &count, sizeof count);
}

}  // namespace platform
