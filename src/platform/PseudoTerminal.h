#pragma once
// A pseudo-terminal whose one side a program opens as its serial port while we play the
// instrument on the other. POSIX systems only: Windows has no such device.

#include <string>

namespace platform {

class PseudoTerminal {
  public:
    // Throws std::runtime_error naming the call that failed.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The port's path, e.g. /dev/pts/4.
    const std::string& portPath() const { return path_; }

    // Waits up to the time for what the program sent and appends it.
    void receive(std::string& into, int milliseconds);

    // False when nobody reads the port and its buffer stays full for a second: the bytes
    // are dropped, as an instrument talking to an unplugged cable would lose them.
    bool send(const char* data, std::size_t size);

    // A symbolic link at `link` to the port (replacing what was there); removed again.
    void linkAs(const std::string& link);
    static void removeLink(const std::string& link);

  private:
    int instrument_ = -1;
    int port_ = -1;
    std::string path_;
};

// Takes SIGINT and SIGTERM as requests to stop, asked for between waits, instead of ending
// the process. Holds them back for the whole process from construction on.
class StopSignals {
  public:
    StopSignals();
    // Waits up to the time; true when a stop was requested.
    bool waitFor(int milliseconds);
};

}  // namespace platform
