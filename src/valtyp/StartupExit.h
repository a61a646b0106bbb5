#pragma once
// Ends the start-up early with the process's exit status; the entry point
// catches it and returns the status.

#include <stdexcept>
#include <string>

class StartupExit : public std::runtime_error {
  public:
    explicit StartupExit(int status)
        : std::runtime_error("start-up ended with status " + std::to_string(status)),
          status_(status) {}
    int status() const { return status_; }

    static constexpr int kNoNativeDriver = 2;
    static constexpr int kDamagedResources = 4;

  private:
    int status_;
};
