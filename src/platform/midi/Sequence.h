#pragma once
// A one-track MIDI sequence: channel messages at ticks, timed in pulses per
// quarter note.

#include <cstdint>
#include <vector>

namespace midi {

struct MidiEvent {
    long tick;
    std::uint8_t status;  // message type in the high nibble, channel in the low one
    std::uint8_t data1;
    std::uint8_t data2;

    int channel() const { return status & 0x0F; }
    int command() const { return status & 0xF0; }
    bool isNoteOn() const { return command() == 0x90 && data2 > 0; }
    // A note-on with velocity 0 ends a note like a note-off.
    bool isNoteOff() const { return command() == 0x80 || (command() == 0x90 && data2 == 0); }

    bool operator==(const MidiEvent&) const = default;
};

class Sequence {
  public:
    // Throws MidiError for a resolution below 1.
    explicit Sequence(int pulsesPerQuarterNote);

    // Adds a channel message (status 0x80 to 0xEF, data 0 to 127) at a tick
    // of 0 or more; throws MidiError for anything else. Events stay in tick
    // order; events of one tick keep the order they were added in.
    void add(long tick, int status, int data1, int data2);

    int resolution() const { return resolution_; }
    const std::vector<MidiEvent>& events() const { return events_; }

  private:
    int resolution_;
    std::vector<MidiEvent> events_;
};

}  // namespace midi
