#include "platform/serial/LineRequest.h"

#include "platform/serial/SerialDriver.h"

namespace serialdriver {

namespace {
constexpr int kHandshakeXonXoff = 1, kHandshakeCtsRts = 2, kHandshakeDsrDtr = 3;
constexpr int kHardIn = 0x10, kHardOut = 0x20, kSoftIn = 0x40, kSoftOut = 0x80;
}  // namespace

std::optional<int> requestedRate(int bitRate) {
    if (bitRate >= 0 && bitRate < static_cast<int>(kTableRates.size()))
        return kTableRates[static_cast<size_t>(bitRate)];
    if (bitRate > kMaxRateIndex) return bitRate;
    return std::nullopt;
}

std::optional<CharacterFormat> characterFormat(const SerPortConfig& c) {
    if (c.dataBits < 0 || c.dataBits > 3 || c.stopBits < 0 || c.stopBits > 1) return std::nullopt;
    if (c.parity < 0 || c.parity > 4) return std::nullopt;
    return CharacterFormat{c.dataBits + 5, static_cast<Parity>(c.parity), c.stopBits + 1};
}

FlowControl flowControl(int handshake) {
    FlowControl flow;
    switch (handshake) {
        case kHandshakeXonXoff:
            flow.xonXoffIn = flow.xonXoffOut = true;
            return flow;
        case kHandshakeCtsRts:
            flow.rtsCtsIn = flow.rtsCtsOut = true;
            return flow;
        case kHandshakeDsrDtr:
            flow.dsrDtr = true;
            return flow;
        default:
            break;
    }
    flow.rtsCtsIn = (handshake & kHardIn) != 0;
    flow.rtsCtsOut = (handshake & kHardOut) != 0;
    flow.xonXoffIn = (handshake & kSoftIn) != 0;
    flow.xonXoffOut = (handshake & kSoftOut) != 0;
    return flow;
}

std::string formatText(const SerPortConfig& c) {
    static constexpr const char* parities[] = {"without parity", "with odd parity",
                                               "with even parity", "with mark parity",
                                               "with space parity"};
    std::string parity = c.parity >= 0 && c.parity <= 4 ? parities[c.parity] : "";
    return std::to_string(c.dataBits + 5) + " data bits " + parity;
}

}  // namespace serialdriver
