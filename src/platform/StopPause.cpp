#include "platform/StopPause.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>

namespace platform {

StopPause::StopPause(std::stop_token stop) : stop_(std::move(stop)) {
    wakeUp_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeUp_ < 0) throw std::runtime_error(std::string("eventfd: ") + std::strerror(errno));
    onStop_.emplace(stop_, std::function<void()>([fd = wakeUp_] {
                        const std::uint64_t one = 1;
                        // Nothing to do on failure: the counter is already non-zero.
                        (void)!write(fd, &one, sizeof one);
                    }));
}

StopPause::~StopPause() {
    onStop_.reset();  // no callback may write to a closed descriptor
    close(wakeUp_);
}

bool StopPause::pause(std::chrono::milliseconds duration) {
    if (stop_.stop_requested()) return true;
    if (duration.count() > 0) {
        pollfd wakeUp{wakeUp_, POLLIN, 0};
        // An interrupted wait ends the pause early; the caller polls again anyway.
        (void)poll(&wakeUp, 1, static_cast<int>(duration.count()));
    }
    return stop_.stop_requested();
}

void StopPause::wake() {
    const std::uint64_t one = 1;
    // A counter that cannot take more is already readable.
    (void)!write(wakeUp_, &one, sizeof one);
}

void StopPause::clearWakeUps() {
    // A stop's write may be drained too: the stop itself stays requested and is checked next.
    std::uint64_t count = 0;
    (void)!read(wakeUp_, &count, sizeof count);
}

bool pauseUnlessStopped(std::chrono::milliseconds duration, const std::stop_token& stop) {
    if (duration.count() > 0) {
        std::mutex mutex;
        std::condition_variable_any wakeUp;
        std::unique_lock lock(mutex);
        wakeUp.wait_for(lock, stop, duration, [] { return false; });
    }
    return stop.stop_requested();
}

}  // namespace platform
