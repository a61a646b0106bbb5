#pragma once
// What a line-settings record asks of the line, decoded once for every driver: the systems
// differ only in how they tell the hardware.

#include <array>
#include <optional>
#include <string>

struct SerPortConfig;

namespace serialdriver {

// The rates a record may name by index 0..14; higher values above kMaxRateIndex are rates.
inline constexpr std::array<int, 15> kTableRates = {110,   150,    300,    600,    1200,
                                                    2400,  4800,   9600,   19200,  38400,
                                                    57600, 115200, 230400, 460800, 921600};
inline constexpr int kMaxRateIndex = 30;

// The bit rate in bit/s a record asks for: a table index 0..14 or a literal rate above 30.
std::optional<int> requestedRate(int bitRate);

// The record's codes; the same numbers as the Win32 parity constants.
enum class Parity { kNone = 0, kOdd = 1, kEven = 2, kMark = 3, kSpace = 4 };

struct CharacterFormat {
    int dataBits;  // 5..8
    Parity parity;
    int stopBits;  // 1 or 2
};
// Empty when a field is out of range.
std::optional<CharacterFormat> characterFormat(const SerPortConfig& config);

// Flow control by direction: "in" holds the far end back, "out" waits for it.
struct FlowControl {
    bool rtsCtsIn = false;
    bool rtsCtsOut = false;
    bool xonXoffIn = false;
    bool xonXoffOut = false;
    bool dsrDtr = false;
};
FlowControl flowControl(int handshake);

// "7 data bits with even parity", for the operator when the adapter refuses a format.
std::string formatText(const SerPortConfig& config);

}  // namespace serialdriver
