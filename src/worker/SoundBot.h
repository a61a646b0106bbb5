#pragma once
// The audible confirmation of a value: one short General MIDI percussion
// note on channel 10 (9 counted from 0), prepared once per acquisition and
// replayed by every beep.

#include "config/OutputOptions.h"
#include "platform/midi/Sequencer.h"

#include <memory>

class SoundBot {
  public:
    // Opens the sequencer the factory makes and gives it the note; a failure
    // of either is passed on, and the sequencer is closed again.
    explicit SoundBot(int percussionNumber,
                      const midi::SequencerFactory& sequencers = midi::systemSequencer);
    SoundBot(int percussionNumber, std::unique_ptr<midi::Sequencer> sequencer);

    SoundBot(const SoundBot&) = delete;
    SoundBot& operator=(const SoundBot&) = delete;

    // The player for a chosen sound, or none for NONE: then no sequencer is
    // made or opened at all.
    static std::unique_ptr<SoundBot> create(
        ConfigHelper::Sound sound,
        const midi::SequencerFactory& sequencers = midi::systemSequencer);

    // Plays the note from its start and returns at once; a beep while the
    // previous one still plays starts it over.
    void beep();
    void close();

  private:
    std::unique_ptr<midi::Sequencer> sequencer_;
    midi::Sequence seq_;  // its one track holds the note
};
