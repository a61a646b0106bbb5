#pragma once
// Pauses that a stop request ends at once, instead of bare sleeps. A loop
// that pauses often builds one StopPause: the stop request is watched once,
// and each pause costs a single wait in the kernel.

#include <chrono>
#include <functional>
#include <optional>
#include <stop_token>

namespace platform {

class StopPause {
  public:
    // Throws std::runtime_error naming the call when the wake-up channel
    // cannot be made.
    explicit StopPause(std::stop_token stop);
    ~StopPause();
    StopPause(const StopPause&) = delete;
    StopPause& operator=(const StopPause&) = delete;

    // Waits for the duration or until a stop is requested; true when stopped.
    bool pause(std::chrono::milliseconds duration);

    // Readable from the stop request on, for a wait that also watches something else.
    int wakeUpDescriptor() const { return wakeUp_; }

  private:
    int wakeUp_ = -1;
    std::stop_token stop_;
    std::optional<std::stop_callback<std::function<void()>>> onStop_;
};

// A single pause; true when a stop was requested.
bool pauseUnlessStopped(std::chrono::milliseconds duration, const std::stop_token& stop);

}  // namespace platform
