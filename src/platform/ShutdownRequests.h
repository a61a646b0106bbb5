#pragma once
// The system or the user asking the program to end: SIGINT and SIGTERM on POSIX systems,
// Ctrl+C, Ctrl+Break and the console closing on Windows.

#include <functional>

namespace platform {

// Calls `request` on a thread of its own (never in a signal handler) each time an end is asked
// for, from construction until destruction. One at a time in a process.
class ShutdownRequests {
  public:
    // Throws std::runtime_error naming the call when the requests cannot be received.
    explicit ShutdownRequests(std::function<void()> request);
    ~ShutdownRequests();
    ShutdownRequests(const ShutdownRequests&) = delete;
    ShutdownRequests& operator=(const ShutdownRequests&) = delete;
};

}  // namespace platform
