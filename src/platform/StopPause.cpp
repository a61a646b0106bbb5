#include "platform/StopPause.h"

#include <condition_variable>
#include <mutex>

namespace platform {

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
