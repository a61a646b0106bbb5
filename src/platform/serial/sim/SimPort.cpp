#include "platform/serial/sim/SimPort.h"

#include "platform/serial/sim/SimControl.h"

#include <optional>
#include <vector>

namespace simserial {

int SimPort::line(int index) const {
    switch (lines[index]) {
        case SIM_LINE_ON:
            return 1;
        case SIM_LINE_FOLLOWS_DTR:
            return dtr ? 1 : 0;
        case SIM_LINE_FOLLOWS_RTS:
            return rts ? 1 : 0;
        default:
            return 0;
    }
}

int SimPort::take() {
    if (received.empty()) return -1;
    Received next = received.front();
    received.pop_front();
    raisedErrors |= next.errors;
    return next.byte;
}

int SimPort::takeError(unsigned error) {
    bool raised = (raisedErrors & error) != 0;
    raisedErrors &= ~error;
    return raised ? 1 : 0;
}

}  // namespace simserial

namespace simserial {

namespace {

// The parity bit that goes with the data bits, or none.
std::optional<int> parityBit(unsigned data, int dataBits, int parity) {
    int ones = 0;
    for (int i = 0; i < dataBits; ++i) ones += (data >> i) & 1U;
    switch (parity) {
        case 1:  // odd
            return (ones % 2 == 0) ? 1 : 0;
        case 2:  // even
            return ones % 2;
        case 3:  // mark
            return 1;
        case 4:  // space
            return 0;
        default:
            return std::nullopt;
    }
}

// The line as the far end drives it, one level per bit of its own, back to back: start bit
// (0), data bits from the lowest, parity, stop bits (1). The line idles at 1 after it.
std::vector<std::uint8_t> transmit(const std::uint8_t* data, int count, const SimPort::Frame& f) {
    std::vector<std::uint8_t> line;
    for (int k = 0; k < count; ++k) {
        const unsigned byte = data[k] & ((1U << f.dataBits) - 1U);
        line.push_back(0);
        for (int i = 0; i < f.dataBits; ++i) line.push_back((byte >> i) & 1U);
        if (auto p = parityBit(byte, f.dataBits, f.parity))
            line.push_back(static_cast<std::uint8_t>(*p));
        for (int i = 0; i < f.stopBits; ++i) line.push_back(1);
    }
    return line;
}

}  // namespace

void SimPort::receive(const std::uint8_t* data, int count, unsigned errors) {
    if (!farEnd ||
        (farEnd->bitsPerSecond == settings.bitsPerSecond && farEnd->dataBits == settings.dataBits &&
         farEnd->parity == settings.parity && farEnd->stopBits == settings.stopBits)) {
        for (int i = 0; i < count; ++i) received.push_back({data[i], errors});
        return;
    }
    // Time runs in the far end's bit times; the receiver samples the middle of each of its own
    // bits after the falling edge of a start bit, as a UART does.
    const std::vector<std::uint8_t> line = transmit(data, count, *farEnd);
    const double bit = static_cast<double>(farEnd->bitsPerSecond) / settings.bitsPerSecond;
    const auto level = [&](double t) -> int {
        const auto at = static_cast<long>(t);
        return t >= 0 && static_cast<size_t>(at) < line.size() ? line[static_cast<size_t>(at)] : 1;
    };
    double hunt = 0;
    for (;;) {
        // The next start: low already where the hunt begins, else the next fall from 1 to 0.
        double start = -1;
        if (level(hunt) == 0) {
            start = hunt;
        } else {
            for (auto k = static_cast<size_t>(hunt) + 1; k < line.size(); ++k) {
                if (line[k] == 0 && line[k - 1] == 1) {
                    start = static_cast<double>(k);
                    break;
                }
            }
        }
        if (start < 0) break;
        if (level(start + bit / 2) != 0) {
            hunt = start + bit / 2;  // a glitch, not a start bit
            continue;
        }
        unsigned byte = 0;
        double t = start + bit * 1.5;
        for (int i = 0; i < settings.dataBits; ++i, t += bit) {
            const int b = level(t);
            byte |= static_cast<unsigned>(b) << i;
        }
        unsigned flags = errors;
        if (auto expected = parityBit(byte, settings.dataBits, settings.parity)) {
            if (level(t) != *expected) flags |= SIM_ERROR_PARITY;
            t += bit;
        }
        if (level(t) != 1) flags |= SIM_ERROR_FRAME;
        received.push_back({static_cast<std::uint8_t>(byte), flags});
        hunt = t;
        if (hunt >= static_cast<double>(line.size())) break;
    }
}

}  // namespace simserial
