#pragma once
// The MIDI sequencer: plays a prepared one-track sequence of timed MIDI
// messages on a synthesizer. The program uses it for the short percussion
// sound that confirms each value; each backend decides where the sound goes.

#include "platform/midi/MidiError.h"
#include "platform/midi/Sequence.h"

#include <functional>
#include <memory>

namespace midi {

class Sequencer {
  public:
    Sequencer() = default;
    Sequencer(const Sequencer&) = delete;
    Sequencer& operator=(const Sequencer&) = delete;
    virtual ~Sequencer() = default;

    // Acquires the synthesizer and its output; opening an open sequencer does nothing.
    virtual void open() = 0;
    // The rest throw MidiError while the sequencer is not open.
    // Replaces the sequence; playback stops and the position returns to tick 0.
    virtual void setSequence(const Sequence& sequence) = 0;
    // Playback goes on from this tick; notes sounding from before are released.
    virtual void setTickPosition(long tick) = 0;
    // Plays from the current position and returns at once; playback stops by
    // itself after the last event. Starting while playing changes nothing.
    virtual void start() = 0;
    // Stops playback and releases the synthesizer; closing twice is harmless.
    virtual void close() = 0;
};

// Makes a sequencer, not yet opened.
using SequencerFactory = std::function<std::unique_ptr<Sequencer>()>;

// The platform's own sequencer, playing aloud through the desktop's audio.
// Defined by the backend library the program links.
std::unique_ptr<Sequencer> systemSequencer();

}  // namespace midi
