#pragma once

#include <atomic>
#include <mutex>

namespace Serialio {

// The one process-wide lock around the native driver's state-changing calls (open, close,
// configure, reset, power). Use it with std::lock_guard so every path releases it.
class NativeHandleMutex {
  public:
    static NativeHandleMutex& getInstance();

    void lock();
    void unlock();
    bool try_lock();
    // Whether some thread holds it right now; for checks and diagnostics.
    bool isLocked() const { return locked_.load(); }

    NativeHandleMutex(const NativeHandleMutex&) = delete;
    NativeHandleMutex& operator=(const NativeHandleMutex&) = delete;

  private:
    NativeHandleMutex() = default;

    std::mutex mutex_;
    std::atomic<bool> locked_{false};
};

}  // namespace Serialio
