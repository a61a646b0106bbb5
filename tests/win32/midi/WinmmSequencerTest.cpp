// The winmm sequencer plays on the wall clock; a port of the test's own
// records the messages and when they left, since Wine may have no MIDI device.

#include "platform/midi/winmm/WinmmSequencer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Sent {
    midi::MidiEvent event;
    Clock::time_point at;
};

struct PortLog {
    std::mutex mutex;
    std::vector<Sent> sent;
    bool refuse = false;

    std::vector<Sent> taken() {
        std::lock_guard lock(mutex);
        return sent;
    }
};

class RecordingPort : public midi::MidiPort {
  public:
    explicit RecordingPort(std::shared_ptr<PortLog> log) : log_(std::move(log)) {}
    void send(const midi::MidiEvent& event) override {
        std::lock_guard lock(log_->mutex);
        if (log_->refuse) throw midi::MidiError("the port refused a message");
        log_->sent.push_back({event, Clock::now()});
    }

  private:
    std::shared_ptr<PortLog> log_;
};

// The signal sound: one cowbell of one tick at 4 pulses per quarter note.
midi::Sequence cowbell() {
    midi::Sequence sequence(4);
    sequence.add(0, 0x99, 56, 127);
    sequence.add(1, 0x89, 56, 127);
    return sequence;
}

long long millisecondsBetween(const Sent& first, const Sent& second) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(second.at - first.at).count();
}

class WinmmSequencerTest : public ::testing::Test {
  protected:
    void beep() {
        sequencer.setTickPosition(0);
        sequencer.start();
    }

    std::shared_ptr<PortLog> log = std::make_shared<PortLog>();
    midi::WinmmSequencer sequencer{[this] { return std::make_unique<RecordingPort>(log); }};
};

const midi::MidiEvent noteOn{0, 0x99, 56, 127};
const midi::MidiEvent noteOff{1, 0x89, 56, 127};
// What a restart sends for a note still sounding.
const midi::MidiEvent cutOff{0, 0x89, 56, 0};

TEST_F(WinmmSequencerTest, ABeepIsOneNoteOnThePercussionChannelForAQuarterBeat) {
    sequencer.open();
    sequencer.setSequence(cowbell());
    beep();
    std::this_thread::sleep_for(400ms);
    const auto sent = log->taken();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].event, noteOn);
    EXPECT_EQ(sent[1].event, noteOff);
    // One tick at 120 beats per minute; Windows' timers are coarse.
    EXPECT_GE(millisecondsBetween(sent[0], sent[1]), 120);
    EXPECT_LE(millisecondsBetween(sent[0], sent[1]), 190);
}

TEST_F(WinmmSequencerTest, ASecondBeepRestartsTheNote) {
    sequencer.open();
    sequencer.setSequence(cowbell());
    beep();
    std::this_thread::sleep_for(40ms);
    beep();
    std::this_thread::sleep_for(400ms);
    const auto sent = log->taken();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0].event, noteOn);
    EXPECT_EQ(sent[1].event, cutOff);
    EXPECT_EQ(sent[2].event, noteOn);
    EXPECT_EQ(sent[3].event, noteOff);
    EXPECT_LE(millisecondsBetween(sent[1], sent[2]), 5);
    EXPECT_GE(millisecondsBetween(sent[2], sent[3]), 120);
}

TEST_F(WinmmSequencerTest, RefusalsReachTheCaller) {
    EXPECT_THROW(sequencer.setSequence(cowbell()), midi::MidiError);
    EXPECT_THROW(sequencer.start(), midi::MidiError);
    sequencer.open();
    sequencer.setSequence(cowbell());
    log->refuse = true;
    try {
        beep();
        FAIL() << "a refused note-on went unnoticed";
    } catch (const midi::MidiError& refusal) {
        EXPECT_STREQ(refusal.what(), "the port refused a message");
    }
    sequencer.close();
    sequencer.close();
    EXPECT_THROW(sequencer.start(), midi::MidiError);
}

// Wine on a machine without sound has no MIDI output; Windows has the mapper.
TEST(WinmmMidiMapper, PlaysOrSaysThereIsNoMidiDevice) {
    midi::WinmmSequencer sequencer;
    try {
        sequencer.open();
    } catch (const midi::MidiError& missing) {
        EXPECT_EQ(std::string(missing.what()).rfind("No MIDI device: ", 0), 0u) << missing.what();
        return;
    }
    sequencer.setSequence(cowbell());
    sequencer.setTickPosition(0);
    EXPECT_NO_THROW(sequencer.start());
    std::this_thread::sleep_for(300ms);
    EXPECT_NO_THROW(sequencer.start());
    sequencer.close();
}

}  // namespace
