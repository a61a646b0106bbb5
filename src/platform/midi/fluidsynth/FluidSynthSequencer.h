#pragma once
// The sequencer on FluidSynth: a software synthesizer with a General MIDI
// sound font, heard through the desktop's audio, or written to a WAV file
// where there is nothing to hear it with (the tests, a machine without sound).

#include "platform/midi/Sequencer.h"
#include "platform/midi/Transport.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace midi {

struct FluidSynthOptions {
    // The General MIDI sound font of Debian's timgm6mb-soundfont package.
    std::string soundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    double sampleRate = 44100.0;
    // FluidSynth audio drivers tried in turn; the first that opens plays the
    // sound. PipeWire desktops also answer as PulseAudio and through ALSA.
    std::vector<std::string> audioDrivers = {"pipewire", "pulseaudio", "alsa"};
    // The device the alsa driver opens; "null" takes the sound and discards it.
    std::string alsaDevice = "default";
    // When set, nothing is played aloud: the sound goes into this WAV file
    // (stereo, 32-bit float) as renderToFile() is called, and the file is
    // complete once the sequencer is closed.
    std::optional<std::filesystem::path> wavFile;
};

class FluidSynthSequencer : public Sequencer {
  public:
    explicit FluidSynthSequencer(FluidSynthOptions options = {});
    ~FluidSynthSequencer() override;

    // Loads the sound font and opens the output; throws MidiError saying why
    // when it cannot, naming every audio driver tried.
    void open() override;
    void setSequence(const Sequence& sequence) override;
    void setTickPosition(long tick) override;
    void start() override;
    void close() override;

    // Whether the sequence is still being played.
    bool playing();

    // File output only: renders the next stretch of sound into the file, in
    // whole periods of the synthesizer. Playback time moves only as this runs.
    void renderToFile(std::chrono::milliseconds duration);

  private:
    class Engine;
    void requireOpen() const;

    const FluidSynthOptions options_;
    std::mutex mutex_;  // guards transport_ against the audio thread, and engine_
    Transport transport_;
    std::unique_ptr<Engine> engine_;
};

}  // namespace midi
