#pragma once
// A pause that a stop request ends at once, instead of a bare sleep.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>

// Waits for `duration` or until a stop is requested; true when stopped.
template <class Rep, class Period>
bool waitUnlessStopped(std::stop_token stop, std::chrono::duration<Rep, Period> duration) {
    std::mutex mutex;
    std::condition_variable_any wakeUp;
    std::unique_lock lock(mutex);
    return wakeUp.wait_for(lock, stop, duration, [] { return false; }) || stop.stop_requested();
}
