#include "platform/midi/winmm/WinmmSequencer.h"

#include "platform/win32/Text.h"

#include <windows.h>

#include <mmsystem.h>

namespace midi {

namespace {

std::string errorText(MMRESULT result) {
    wchar_t text[MAXERRORLENGTH] = {};
    if (midiOutGetErrorTextW(result, text, MAXERRORLENGTH) != MMSYSERR_NOERROR) {
        return "error " + std::to_string(result);
    }
    return platform::win32::toUtf8(text) + " (error " + std::to_string(result) + ")";
}

class MapperPort : public MidiPort {
  public:
    MapperPort() {
        if (midiOutGetNumDevs() == 0) {
            throw MidiError("No MIDI device: Windows has no MIDI output for the sound");
        }
        const MMRESULT result = midiOutOpen(&handle_, MIDI_MAPPER, 0, 0, CALLBACK_NULL);
        if (result != MMSYSERR_NOERROR) {
            throw MidiError("No MIDI device: midiOutOpen of the MIDI mapper failed: " +
                            errorText(result));
        }
    }

    ~MapperPort() override {
        midiOutReset(handle_);
        midiOutClose(handle_);
    }

    MapperPort(const MapperPort&) = delete;
    MapperPort& operator=(const MapperPort&) = delete;

    void send(const MidiEvent& event) override {
        const DWORD message = event.status | (DWORD{event.data1} << 8) | (DWORD{event.data2} << 16);
        if (const MMRESULT result = midiOutShortMsg(handle_, message); result != MMSYSERR_NOERROR) {
            throw MidiError("midiOutShortMsg refused a message: " + errorText(result));
        }
    }

  private:
    HMIDIOUT handle_ = nullptr;
};

}  // namespace

std::unique_ptr<MidiPort> openMidiMapper() {
    return std::make_unique<MapperPort>();
}

WinmmSequencer::WinmmSequencer(MidiPortOpener openPort) : openPort_(std::move(openPort)) {}

WinmmSequencer::~WinmmSequencer() {
    close();
}

void WinmmSequencer::open() {
    if (port_) return;
    port_ = openPort_();
    // The default timer ticks every 15.6 ms, a tenth of the note.
    fineTimer_ = timeBeginPeriod(1) == TIMERR_NOERROR;
    refused_.reset();
    thread_ = std::jthread([this](std::stop_token stop) { play(stop); });
}

void WinmmSequencer::requireOpen() const {
    if (!port_) throw MidiError("The MIDI sequencer is not open");
}

void WinmmSequencer::setSequence(const Sequence& sequence) {
    requireOpen();
    std::lock_guard lock(mutex_);
    transport_.setSequence(sequence);
    sendDue(0);
}

void WinmmSequencer::setTickPosition(long tick) {
    requireOpen();
    std::lock_guard lock(mutex_);
    transport_.setTickPosition(tick);
    sendDue(0);  // the notes still sounding end now
    if (transport_.running()) playFromNow();
}

void WinmmSequencer::start() {
    requireOpen();
    std::lock_guard lock(mutex_);
    if (refused_) {
        const std::string why = *refused_;
        refused_.reset();
        throw MidiError(why);
    }
    if (transport_.running()) return;
    transport_.start();
    playFromNow();
    wake_.notify_all();
}

void WinmmSequencer::close() {
    if (!port_) return;
    thread_ = {};  // asks the thread to stop and waits for it
    {
        std::lock_guard lock(mutex_);
        transport_.stop();
        try {
            sendDue(0);
        } catch (const MidiError&) {
            // Closing anyway; the port's reset silences what is left.
        }
    }
    port_.reset();
    if (fineTimer_) timeEndPeriod(1);
    fineTimer_ = false;
}

// Caller holds the mutex. The first millisecond is played at once: what
// lies at the position sounds now, not a step of the thread later.
void WinmmSequencer::playFromNow() {
    played_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(1);
    try {
        sendDue(1);
    } catch (const MidiError&) {
        transport_.stop();
        throw;
    }
}

// Caller holds the mutex.
void WinmmSequencer::sendDue(std::int64_t milliseconds) {
    transport_.advance(milliseconds,
                       [this](const MidiEvent& event, std::int64_t) { port_->send(event); });
}

void WinmmSequencer::play(std::stop_token stop) {
    using namespace std::chrono;
    std::unique_lock lock(mutex_);
    while (!stop.stop_requested()) {
        // Asleep until a start; a millisecond's steps while playing.
        if (!wake_.wait(lock, stop, [this] { return transport_.running(); })) return;
        wake_.wait_for(lock, stop, milliseconds(1), [] { return false; });
        const auto now = steady_clock::now();
        const auto elapsed = duration_cast<milliseconds>(now - played_);
        played_ += elapsed;
        try {
            sendDue(elapsed.count());
        } catch (const MidiError& refusal) {
            refused_ = refusal.what();
            transport_.stop();
        }
    }
}

}  // namespace midi
