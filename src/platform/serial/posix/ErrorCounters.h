#pragma once

namespace posixserial {

// The line's error counters (TIOCGICOUNT). Devices without them (pseudo-terminals, some
// adapters) count nothing, which is not a failure.
class ErrorCounters {
  public:
    enum Field { kFrame, kParity, kOverrun, kBreak, kBufferOverrun, kFieldCount };

    // Takes the counts as they stand as the starting point.
    void start(int fd);

    // How many errors of that kind the line counted since the last call for that kind.
    int takeNew(int fd, Field field);

  private:
    bool read(int fd, int (&counts)[kFieldCount]) const;

    bool available_ = false;
    int seen_[kFieldCount] = {};
};

}  // namespace posixserial
