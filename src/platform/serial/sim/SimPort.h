#pragma once

#include <cstdint>
#include <deque>
#include <optional>
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
    bool gone = false;  // unplugged: reads fail as for a vanished device, opens fail
    bool dtr = false;
    bool rts = false;
    int slot = -1;
    std::deque<Received> received;
    std::vector<std::uint8_t> sent;
    unsigned raisedErrors = 0;  // errors of bytes handed out and not yet asked for
    int timeoutRx = 0;
    int timeoutTx = 0;
    int dataSignal = -1;  // an eventfd, readable after bytes were fed; owned by SimState

    // A character frame: bits per second, 5..8 data bits, parity as the driver's code
    // (0 none, 1 odd, 2 even, 3 mark, 4 space), 1 or 2 stop bits.
    struct Frame {
        int bitsPerSecond = 9600;
        int dataBits = 8;
        int parity = 0;
        int stopBits = 1;
    };
    Frame settings;               // what the program configured
    std::optional<Frame> farEnd;  // the instrument's; none: bytes pass unchanged

    // Appends fed bytes as the port's receiver reads them: unchanged, or, when the far end
    // sends with other settings, sampled bit by bit at the port's own.
    void receive(const std::uint8_t* data, int count, unsigned errors);

    // 1 or 0 for an input line, following the outputs where scripted so.
    int line(int index) const;
    // The next received byte, raising its errors; -1 when none.
    int take();
    // Returns 1 when the error was raised since the last call and lowers it.
    int takeError(unsigned error);
};

}  // namespace simserial
