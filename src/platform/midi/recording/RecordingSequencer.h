#pragma once
// A sequencer that sounds nothing: it keeps the sequence it is given and,
// as the test moves its clock on, records each event that would have been
// played and when. Its failures can be staged to see how callers pass them on.

#include "platform/midi/Sequencer.h"
#include "platform/midi/Transport.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace midi {

struct PlayedEvent {
    MidiEvent event;
    std::chrono::milliseconds at;  // on the recording's clock

    bool operator==(const PlayedEvent&) const = default;
};

class RecordingSequencer : public Sequencer {
  public:
    RecordingSequencer();
    ~RecordingSequencer() override;

    // The next open() fails with this message.
    void failOpen(std::string message);
    // Every setSequence() fails with this message.
    void refuseSequences(std::string message);

    void open() override;
    void setSequence(const Sequence& sequence) override;
    void setTickPosition(long tick) override;
    void start() override;
    void close() override;

    // Moves the clock on, playing what falls due meanwhile.
    void advance(std::chrono::milliseconds duration);

    bool isOpen() const { return open_; }
    bool running() const { return transport_.running(); }
    const std::optional<Sequence>& sequence() const { return sequence_; }
    const std::vector<PlayedEvent>& played() const { return played_; }

  private:
    void requireOpen() const;

    Transport transport_;
    std::optional<Sequence> sequence_;
    std::vector<PlayedEvent> played_;
    std::chrono::milliseconds clock_{0};
    std::optional<std::string> openFailure_;
    std::optional<std::string> sequenceRefusal_;
    bool open_ = false;
};

}  // namespace midi
