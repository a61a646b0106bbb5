#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace simserial {

// One simulated port: what the program set, what the far end shows, bytes both ways.
struct SimPort {
    struct Received {
        std::uint8_t byte;
        unsigned errors;
    };

    std::string name;
    std::string manufacturer;
    std::string description;
    int lines[4] = {};  // CTS, DSR, CD, RI as SimLineMode
    bool inUse = false;
    bool dtr = false;
    bool rts = false;
    int slot = -1;
    std::deque<Received> received;
    std::vector<std::uint8_t> sent;
    unsigned raisedErrors = 0;  // errors of bytes handed out and not yet asked for
    int timeoutRx = 0;
    int timeoutTx = 0;
    int dataSignal = -1;  // an eventfd, readable after bytes were fed; owned by SimState

    // 1 or 0 for an input line, following the outputs where scripted so.
    int line(int index) const;
    // The next received byte, raising its errors; -1 when none.
    int take();
    // Returns 1 when the error was raised since the last call and lowers it.
    int takeError(unsigned error);
};

}  // namespace simserial
