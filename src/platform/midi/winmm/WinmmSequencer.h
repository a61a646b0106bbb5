#pragma once
// The sequencer on Windows: the sequence's messages go to the MIDI mapper of
// winmm, which plays them on the system's General MIDI synthesizer. A thread
// of its own sends each message when it falls due on the wall clock.

#include "platform/midi/Sequencer.h"
#include "platform/midi/Transport.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace midi {

// Where the messages go.
class MidiPort {
  public:
    virtual ~MidiPort() = default;
    // Throws MidiError when the message is refused.
    virtual void send(const MidiEvent& event) = 0;
};

using MidiPortOpener = std::function<std::unique_ptr<MidiPort>()>;

// The MIDI mapper. Throws MidiError starting "No MIDI device" when Windows
// has no MIDI output or cannot open it, with winmm's reason.
std::unique_ptr<MidiPort> openMidiMapper();

class WinmmSequencer : public Sequencer {
  public:
    explicit WinmmSequencer(MidiPortOpener openPort = openMidiMapper);
    ~WinmmSequencer() override;

    void open() override;
    void setSequence(const Sequence& sequence) override;
    void setTickPosition(long tick) override;
    // Also throws the MidiError of a message the port refused while playing.
    void start() override;
    void close() override;

  private:
    void requireOpen() const;
    void play(std::stop_token stop);
    void playFromNow();
    void sendDue(std::int64_t milliseconds);

    MidiPortOpener openPort_;
    std::unique_ptr<MidiPort> port_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    // Frames are milliseconds.
    Transport transport_{1000.0};
    std::chrono::steady_clock::time_point played_;  // where the transport stands
    std::optional<std::string> refused_;            // from the playing thread
    bool fineTimer_ = false;
    std::jthread thread_;
};

}  // namespace midi
