#include "platform/midi/fluidsynth/FluidSynthSequencer.h"

#include "platform/midi/fluidsynth/FluidErrors.h"

#include <fluidsynth.h>

#include <cmath>
#include <cstdint>
#include <utility>

namespace midi {

namespace {

template <auto destroy>
struct Destroy {
    template <class T>
    void operator()(T* handle) const {
        destroy(handle);
    }
};

using Settings = std::unique_ptr<fluid_settings_t, Destroy<delete_fluid_settings>>;
using Synth = std::unique_ptr<fluid_synth_t, Destroy<delete_fluid_synth>>;
using FileRenderer = std::unique_ptr<fluid_file_renderer_t, Destroy<delete_fluid_file_renderer>>;
using AudioDriver = std::unique_ptr<fluid_audio_driver_t, Destroy<delete_fluid_audio_driver>>;

// The reason FluidSynth logged, or a plain one when it logged nothing.
std::string reason(FluidErrors& errors, const char* call) {
    std::string text = errors.take();
    return text.empty() ? std::string(call) + " failed" : text;
}

void set(fluid_settings_t* settings, const char* name, const std::string& value) {
    if (fluid_settings_setstr(settings, name, value.c_str()) != FLUID_OK) {
        throw MidiError("FluidSynth refused the setting " + std::string(name) + " = " + value);
    }
}

void set(fluid_settings_t* settings, const char* name, int value) {
    if (fluid_settings_setint(settings, name, value) != FLUID_OK) {
        throw MidiError("FluidSynth refused the setting " + std::string(name) + " = " +
                        std::to_string(value));
    }
}

void set(fluid_settings_t* settings, const char* name, double value) {
    if (fluid_settings_setnum(settings, name, value) != FLUID_OK) {
        throw MidiError("FluidSynth refused the setting " + std::string(name) + " = " +
                        std::to_string(value));
    }
}

}  // namespace

// The synthesizer and its output. The audio driver renders on its own
// thread from the moment it exists, so it is made last and dropped first.
class FluidSynthSequencer::Engine {
  public:
    Engine(const FluidSynthOptions& options, std::mutex& mutex, Transport& transport)
        : mutex_(mutex), transport_(transport) {
        FluidErrors errors;
        settings_.reset(new_fluid_settings());
        if (!settings_) throw MidiError(reason(errors, "new_fluid_settings"));
        set(settings_.get(), "synth.sample-rate", options.sampleRate);
        // A beep's few megabytes of samples need not be pinned in memory.
        set(settings_.get(), "synth.lock-memory", 0);
        synth_.reset(new_fluid_synth(settings_.get()));
        if (!synth_) throw MidiError(reason(errors, "new_fluid_synth"));
        if (fluid_synth_sfload(synth_.get(), options.soundFont.c_str(), 1) == FLUID_FAILED) {
            throw MidiError("Cannot load the sound font " + options.soundFont + ": " +
                            reason(errors, "fluid_synth_sfload"));
        }
        if (options.wavFile) {
            openFile(*options.wavFile, errors);
        } else {
            set(settings_.get(), "audio.alsa.device", options.alsaDevice);
            openAudio(options.audioDrivers, errors);
        }
    }

    // Caller holds the mutex; there is no audio thread with file output.
    void renderFileBlock() {
        FluidErrors errors;
        transport_.advance(periodSize_,
                           [this](const MidiEvent& event, std::int64_t) { play(event); });
        if (fluid_file_renderer_process_block(file_.get()) != FLUID_OK) {
            throw MidiError("Cannot write the sound to " + fileName_ + ": " +
                            reason(errors, "fluid_file_renderer_process_block"));
        }
    }

    bool writesFile() const { return file_ != nullptr; }
    int periodSize() const { return periodSize_; }
    double sampleRate() const { return sampleRate_; }

  private:
    void openFile(const std::filesystem::path& path, FluidErrors& errors) {
        fileName_ = path.string();
        set(settings_.get(), "audio.file.name", fileName_);
        set(settings_.get(), "audio.file.type", std::string("wav"));
        // Float samples: no dither, so equal input renders to equal files.
        set(settings_.get(), "audio.file.format", std::string("float"));
        readPeriod();
        file_.reset(new_fluid_file_renderer(synth_.get()));
        if (!file_) {
            throw MidiError("Cannot write the sound to " + fileName_ + ": " +
                            reason(errors, "new_fluid_file_renderer"));
        }
    }

    void openAudio(const std::vector<std::string>& drivers, FluidErrors& errors) {
        readPeriod();
        std::string failures;
        for (const std::string& driver : drivers) {
            std::string why;
            if (fluid_settings_setstr(settings_.get(), "audio.driver", driver.c_str()) !=
                FLUID_OK) {
                why = "not built into this FluidSynth";
            } else {
                audio_.reset(new_fluid_audio_driver2(settings_.get(), &Engine::renderAudio, this));
                if (audio_) return;
                why = reason(errors, "new_fluid_audio_driver2");
            }
            failures += (failures.empty() ? "" : "; ") + driver + ": " + why;
        }
        throw MidiError("No audio output could be opened for the sound (" + failures + ")");
    }

    void readPeriod() {
        if (fluid_settings_getint(settings_.get(), "audio.period-size", &periodSize_) != FLUID_OK ||
            periodSize_ < 1) {
            throw MidiError("FluidSynth has no audio.period-size");
        }
        if (fluid_settings_getnum(settings_.get(), "synth.sample-rate", &sampleRate_) != FLUID_OK) {
            throw MidiError("FluidSynth has no synth.sample-rate");
        }
    }

    // On the audio thread. Events due within the period are sent before it is
    // rendered, so they sound at most one period early.
    static int renderAudio(void* data, int length, int effectCount, float* effects[],
                           int outputCount, float* outputs[]) {
        auto& engine = *static_cast<Engine*>(data);
        std::lock_guard lock(engine.mutex_);
        engine.transport_.advance(
            length, [&engine](const MidiEvent& event, std::int64_t) { engine.play(event); });
        fluid_synth_t* synth = engine.synth_.get();
        // A driver that offers no effect buffers gets the effects mixed into the output.
        if (effects == nullptr) {
            return fluid_synth_process(synth, length, outputCount, outputs, outputCount, outputs);
        }
        return fluid_synth_process(synth, length, effectCount, effects, outputCount, outputs);
    }

    // The synthesizer's answers are not checked: a note-off for a voice that
    // has already died out "fails", and there is no caller to tell here.
    void play(const MidiEvent& event) {
        fluid_synth_t* synth = synth_.get();
        const int channel = event.channel();
        switch (event.command()) {
            case 0x80:
                fluid_synth_noteoff(synth, channel, event.data1);
                break;
            case 0x90:
                fluid_synth_noteon(synth, channel, event.data1, event.data2);
                break;
            case 0xA0:
                fluid_synth_key_pressure(synth, channel, event.data1, event.data2);
                break;
            case 0xB0:
                fluid_synth_cc(synth, channel, event.data1, event.data2);
                break;
            case 0xC0:
                fluid_synth_program_change(synth, channel, event.data1);
                break;
            case 0xD0:
                fluid_synth_channel_pressure(synth, channel, event.data1);
                break;
            case 0xE0:
                fluid_synth_pitch_bend(synth, channel, event.data1 | (event.data2 << 7));
                break;
            default:
                break;
        }
    }

    std::mutex& mutex_;
    Transport& transport_;
    int periodSize_ = 0;
    double sampleRate_ = 0;
    std::string fileName_;
    Settings settings_;
    Synth synth_;
    FileRenderer file_;
    AudioDriver audio_;
};

FluidSynthSequencer::FluidSynthSequencer(FluidSynthOptions options)
    : options_(std::move(options)), transport_(options_.sampleRate) {}

FluidSynthSequencer::~FluidSynthSequencer() {
    close();
}

void FluidSynthSequencer::open() {
    {
        std::lock_guard lock(mutex_);
        if (engine_) return;
    }
    // Made without the lock: the audio thread starts inside and takes it.
    auto engine = std::make_unique<Engine>(options_, mutex_, transport_);
    std::lock_guard lock(mutex_);
    if (!engine_) engine_ = std::move(engine);
}

void FluidSynthSequencer::setSequence(const Sequence& sequence) {
    std::lock_guard lock(mutex_);
    requireOpen();
    transport_.setSequence(sequence);
}

void FluidSynthSequencer::setTickPosition(long tick) {
    std::lock_guard lock(mutex_);
    requireOpen();
    transport_.setTickPosition(tick);
}

void FluidSynthSequencer::start() {
    std::lock_guard lock(mutex_);
    requireOpen();
    transport_.start();
}

void FluidSynthSequencer::close() {
    std::unique_ptr<Engine> engine;
    {
        std::lock_guard lock(mutex_);
        engine = std::move(engine_);
        transport_.stop();
    }
    // Dropped without the lock: stopping the audio thread waits for a render
    // that may be waiting for it.
    engine.reset();
}

bool FluidSynthSequencer::playing() {
    std::lock_guard lock(mutex_);
    return transport_.running();
}

void FluidSynthSequencer::renderToFile(std::chrono::milliseconds duration) {
    std::lock_guard lock(mutex_);
    requireOpen();
    if (!engine_->writesFile()) throw MidiError("This sequencer plays aloud and writes no file");
    const auto frames = static_cast<std::int64_t>(
        std::ceil(static_cast<double>(duration.count()) * engine_->sampleRate() / 1000.0));
    for (std::int64_t done = 0; done < frames; done += engine_->periodSize()) {
        engine_->renderFileBlock();
    }
}

void FluidSynthSequencer::requireOpen() const {
    if (!engine_) throw MidiError("Sequencer is not open");
}

}  // namespace midi
