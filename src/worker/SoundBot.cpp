#include "worker/SoundBot.h"

#include <utility>

namespace {

constexpr int percussionChannel = 9;
constexpr int pulsesPerQuarterNote = 4;
constexpr int velocity = 127;

// Note-on at tick 0, note-off one tick later: at 120 beats per minute a tick
// of a 4-pulse quarter note lasts 125 ms.
midi::Sequence percussionNote(int percussionNumber) {
    midi::Sequence sequence(pulsesPerQuarterNote);
    sequence.add(0, 0x90 | percussionChannel, percussionNumber, velocity);
    sequence.add(1, 0x80 | percussionChannel, percussionNumber, velocity);
    return sequence;
}

}  // namespace

SoundBot::SoundBot(int percussionNumber, const midi::SequencerFactory& sequencers)
    : SoundBot(percussionNumber, sequencers()) {}

SoundBot::SoundBot(int percussionNumber, std::unique_ptr<midi::Sequencer> sequencer)
    : sequencer_(std::move(sequencer)), seq_(percussionNote(percussionNumber)) {
    if (!sequencer_) throw midi::MidiError("No MIDI sequencer available");
    sequencer_->open();
    try {
        sequencer_->setSequence(seq_);
    } catch (...) {
        sequencer_->close();
        throw;
    }
}

std::unique_ptr<SoundBot> SoundBot::create(ConfigHelper::Sound sound,
                                           const midi::SequencerFactory& sequencers) {
    if (sound == ConfigHelper::Sound::NONE) return nullptr;
    return std::make_unique<SoundBot>(ConfigHelper::getPercussionNumber(sound), sequencers);
}

void SoundBot::beep() {
    sequencer_->setTickPosition(0);
    sequencer_->start();
}

void SoundBot::close() {
    sequencer_->close();
}
