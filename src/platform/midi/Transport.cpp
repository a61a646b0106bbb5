#include "platform/midi/Transport.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace midi {

Transport::Transport(double framesPerSecond, double beatsPerMinute)
    : framesPerSecond_(framesPerSecond), beatsPerMinute_(beatsPerMinute) {}

void Transport::setSequence(Sequence sequence) {
    stop();
    sequence_ = std::move(sequence);
    setTickPosition(0);
}

void Transport::setTickPosition(long tick) {
    releaseSoundingNotes();
    position_ = frameOf(tick);
    next_ = 0;
    if (!sequence_) return;
    const auto& events = sequence_->events();
    while (next_ < events.size() && events[next_].tick < tick) ++next_;
}

void Transport::start() {
    running_ = true;
}

void Transport::stop() {
    running_ = false;
    releaseSoundingNotes();
}

void Transport::advance(std::int64_t frames, const Play& play) {
    for (const MidiEvent& release : releases_) play(release, 0);
    releases_.clear();
    if (!running_) return;
    if (!sequence_) {
        running_ = false;
        return;
    }
    const std::int64_t end = position_ + frames;
    const auto& events = sequence_->events();
    for (; next_ < events.size() && frameOf(events[next_].tick) < end; ++next_) {
        const MidiEvent& event = events[next_];
        play(event, std::max<std::int64_t>(0, frameOf(event.tick) - position_));
        const auto same = [&](const MidiEvent& on) {
            return on.channel() == event.channel() && on.data1 == event.data1;
        };
        if (event.isNoteOff()) {
            std::erase_if(sounding_, same);
        } else if (event.isNoteOn() && std::none_of(sounding_.begin(), sounding_.end(), same)) {
            sounding_.push_back(event);
        }
    }
    position_ = end;
    if (next_ >= events.size()) running_ = false;
}

std::int64_t Transport::frameOf(long tick) const {
    const int resolution = sequence_ ? sequence_->resolution() : 1;
    const double secondsPerTick = 60.0 / (beatsPerMinute_ * resolution);
    return std::llround(static_cast<double>(tick) * secondsPerTick * framesPerSecond_);
}

// A note whose note-off was skipped would otherwise sound on for ever. The
// note-off keeps the tick of the note it ends.
void Transport::releaseSoundingNotes() {
    for (const MidiEvent& on : sounding_) {
        releases_.push_back({on.tick, static_cast<std::uint8_t>(0x80 | on.channel()), on.data1, 0});
    }
    sounding_.clear();
}

}  // namespace midi
