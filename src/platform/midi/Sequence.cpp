#include "platform/midi/Sequence.h"

#include "platform/midi/MidiError.h"

#include <algorithm>
#include <string>

namespace midi {

namespace {

bool isDataByte(int value) {
    return value >= 0 && value <= 0x7F;
}

}  // namespace

Sequence::Sequence(int pulsesPerQuarterNote) : resolution_(pulsesPerQuarterNote) {
    if (pulsesPerQuarterNote < 1) {
        throw MidiError("Invalid resolution: " + std::to_string(pulsesPerQuarterNote) +
                        " pulses per quarter note");
    }
}

void Sequence::add(long tick, int status, int data1, int data2) {
    // System messages (0xF0 and up) carry no channel and are not played here.
    if (status < 0x80 || status > 0xEF || !isDataByte(data1) || !isDataByte(data2)) {
        throw MidiError("Invalid MIDI message: status " + std::to_string(status) + ", data " +
                        std::to_string(data1) + " " + std::to_string(data2));
    }
    if (tick < 0) throw MidiError("Invalid MIDI tick: " + std::to_string(tick));
    const MidiEvent event{tick, static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1),
                          static_cast<std::uint8_t>(data2)};
    const auto after = std::upper_bound(
        events_.begin(), events_.end(), tick,
        [](long value, const MidiEvent& existing) { return value < existing.tick; });
    events_.insert(after, event);
}

}  // namespace midi
