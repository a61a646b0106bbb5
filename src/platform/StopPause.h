#pragma once
// Pauses that a stop request ends at once, instead of bare sleeps. A loop
// that pauses often builds one StopPause: the stop request is watched once,
// and each pause costs a single wait in the kernel.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>

namespace platform {

// What a wait in the kernel can watch besides its device: a file descriptor on POSIX systems,
// an event HANDLE on Windows; the same value as a serial driver's wake argument. -1 is none.
using WakeHandle = std::intptr_t;
inline constexpr WakeHandle kNoWake = -1;

class StopPause {
  public:
    // Throws std::runtime_error naming the call when the wake-up object
    // cannot be made.
    explicit StopPause(std::stop_token stop);
    ~StopPause();
    StopPause(const StopPause&) = delete;
    StopPause& operator=(const StopPause&) = delete;

    // Waits for the duration or until a stop is requested; true when stopped.
    bool pause(std::chrono::milliseconds duration);

    // Signalled from the stop request on, for a wait that also watches something else.
    WakeHandle wakeHandle() const { return wakeUp_; }

    // Ends the current or next wait early without a stop, from any thread;
    // the waiter clears it after waking so that later waits sleep again.
    void wake();
    void clearWakeUps();

  private:
    void signal();

    WakeHandle wakeUp_ = kNoWake;
    std::stop_token stop_;
    std::optional<std::stop_callback<std::function<void()>>> onStop_;
};

// A single pause; true when a stop was requested.
bool pauseUnlessStopped(std::chrono::milliseconds duration, const std::stop_token& stop);

}  // namespace platform
