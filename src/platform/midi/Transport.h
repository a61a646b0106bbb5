#pragma once
// Where a sequencer is in its sequence. Time moves with the frames of sound
// the backend renders, not with a wall clock, so events land on the audio's
// own time line however late the rendering thread runs. Not synchronised:
// the backend guards it.

#include "platform/midi/Sequence.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace midi {

class Transport {
  public:
    static constexpr double defaultBeatsPerMinute = 120.0;

    // Called for each event that falls due, with its offset in frames from
    // the start of the stretch being rendered.
    using Play = std::function<void(const MidiEvent& event, std::int64_t offset)>;

    explicit Transport(double framesPerSecond, double beatsPerMinute = defaultBeatsPerMinute);

    // Stops, releases sounding notes and rewinds to tick 0.
    void setSequence(Sequence sequence);
    // Notes still sounding are released at the start of the next stretch.
    void setTickPosition(long tick);
    void start();
    void stop();
    bool running() const { return running_; }

    // Moves on by `frames` frames, playing what falls due within them in
    // order. Ends playback after the sequence's last event.
    void advance(std::int64_t frames, const Play& play);

  private:
    std::int64_t frameOf(long tick) const;
    void releaseSoundingNotes();

    const double framesPerSecond_;
    const double beatsPerMinute_;
    std::optional<Sequence> sequence_;
    std::size_t next_ = 0;       // the next event to play
    std::int64_t position_ = 0;  // frames since tick 0 of the sequence
    bool running_ = false;
    std::vector<MidiEvent> sounding_;  // note-ons played and not yet ended
    std::vector<MidiEvent> releases_;  // note-offs owed to them, due at the next stretch
};

}  // namespace midi
