#include "platform/midi/recording/RecordingSequencer.h"

#include <utility>

namespace midi {

namespace {

// One frame per millisecond: the clock the tests move is the playback clock.
constexpr double framesPerSecond = 1000.0;

}  // namespace

RecordingSequencer::RecordingSequencer() : transport_(framesPerSecond) {}

RecordingSequencer::~RecordingSequencer() = default;

void RecordingSequencer::failOpen(std::string message) {
    openFailure_ = std::move(message);
}

void RecordingSequencer::refuseSequences(std::string message) {
    sequenceRefusal_ = std::move(message);
}

void RecordingSequencer::open() {
    if (openFailure_) {
        const std::string message = std::move(*openFailure_);
        openFailure_.reset();
        throw MidiError(message);
    }
    open_ = true;
}

void RecordingSequencer::setSequence(const Sequence& sequence) {
    requireOpen();
    if (sequenceRefusal_) throw MidiError(*sequenceRefusal_);
    sequence_ = sequence;
    transport_.setSequence(sequence);
}

void RecordingSequencer::setTickPosition(long tick) {
    requireOpen();
    transport_.setTickPosition(tick);
}

void RecordingSequencer::start() {
    requireOpen();
    transport_.start();
}

void RecordingSequencer::close() {
    transport_.stop();
    open_ = false;
}

void RecordingSequencer::advance(std::chrono::milliseconds duration) {
    transport_.advance(duration.count(), [this](const MidiEvent& event, std::int64_t offset) {
        played_.push_back({event, clock_ + std::chrono::milliseconds(offset)});
    });
    clock_ += duration;
}

void RecordingSequencer::requireOpen() const {
    if (!open_) throw MidiError("Sequencer is not open");
}

}  // namespace midi
