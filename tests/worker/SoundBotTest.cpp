#include "worker/SoundBot.h"

#include "platform/midi/fluidsynth/FluidSynthSequencer.h"
#include "platform/midi/recording/RecordingSequencer.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace midi {
void PrintTo(const MidiEvent& event, std::ostream* out) {
    *out << "tick " << event.tick << ": " << std::hex << "0x" << int(event.status) << std::dec
         << " " << int(event.data1) << " " << int(event.data2);
}
void PrintTo(const PlayedEvent& played, std::ostream* out) {
    PrintTo(played.event, out);
    *out << " at " << played.at.count() << " ms";
}
}  // namespace midi

namespace {

using ConfigHelper::Sound;
using midi::MidiError;
using midi::MidiEvent;
using midi::PlayedEvent;
using midi::RecordingSequencer;
using namespace std::chrono_literals;

constexpr int cowbell = 56;

MidiEvent noteOn(int key) {
    return {0, 0x99, static_cast<std::uint8_t>(key), 127};
}
MidiEvent noteOff(int key, int velocity = 127) {
    return {1, 0x89, static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(velocity)};
}

std::size_t countNoteOns(const std::vector<PlayedEvent>& played) {
    return std::count_if(played.begin(), played.end(),
                         [](const PlayedEvent& p) { return p.event.isNoteOn(); });
}

// Lends out a sequencer the test keeps, so that it can still be looked at
// after the player that used it is gone.
class Lent : public midi::Sequencer {
  public:
    explicit Lent(RecordingSequencer& target) : target_(target) {}
    void open() override { target_.open(); }
    void setSequence(const midi::Sequence& sequence) override { target_.setSequence(sequence); }
    void setTickPosition(long tick) override { target_.setTickPosition(tick); }
    void start() override { target_.start(); }
    void close() override { target_.close(); }

  private:
    RecordingSequencer& target_;
};

// Hands out recording sequencers and keeps every one for inspection.
struct Recorders {
    std::vector<std::unique_ptr<RecordingSequencer>> made;
    std::function<void(RecordingSequencer&)> prepare = [](RecordingSequencer&) {};

    RecordingSequencer& last() { return *made.back(); }
    midi::SequencerFactory factory() {
        return [this] {
            made.push_back(std::make_unique<RecordingSequencer>());
            prepare(*made.back());
            return std::make_unique<Lent>(*made.back());
        };
    }
};

template <class Call>
std::string failureOf(Call call) {
    try {
        call();
    } catch (const MidiError& error) {
        return error.what();
    }
    return "no failure";
}

TEST(SoundBotSequence, PreparesOneTickOfThePercussionNoteAndPlaysItPerBeep) {
    Recorders recorders;
    SoundBot bot(ConfigHelper::getPercussionNumber(Sound::COWBELL), recorders.factory());
    ASSERT_EQ(recorders.made.size(), 1u);
    RecordingSequencer& sequencer = recorders.last();
    EXPECT_TRUE(sequencer.isOpen());
    ASSERT_TRUE(sequencer.sequence().has_value());
    EXPECT_EQ(sequencer.sequence()->resolution(), 4);
    EXPECT_EQ(sequencer.sequence()->events(),
              (std::vector<MidiEvent>{noteOn(cowbell), noteOff(cowbell)}));

    sequencer.advance(100ms);
    EXPECT_TRUE(sequencer.played().empty()) << "nothing sounds before a beep";
    bot.beep();
    EXPECT_TRUE(sequencer.played().empty()) << "a beep only starts playback";
    sequencer.advance(1s);
    // One tick of a 4-pulse quarter note at 120 beats per minute.
    EXPECT_EQ(sequencer.played(),
              (std::vector<PlayedEvent>{{noteOn(cowbell), 100ms}, {noteOff(cowbell), 225ms}}));
    EXPECT_FALSE(sequencer.running()) << "playback ends after the note";

    bot.beep();
    sequencer.advance(200ms);
    EXPECT_EQ(countNoteOns(sequencer.played()), 2u) << "a later beep plays the note again";
}

TEST(SoundBotSequence, ABeepWhilePlayingStartsTheNoteOver) {
    Recorders recorders;
    SoundBot bot(cowbell, recorders.factory());
    RecordingSequencer& sequencer = recorders.last();
    bot.beep();
    sequencer.advance(50ms);
    bot.beep();
    sequencer.advance(1s);
    // The first note ends where the second starts; its own note-off is dropped.
    EXPECT_EQ(sequencer.played(), (std::vector<PlayedEvent>{{noteOn(cowbell), 0ms},
                                                            {{0, 0x89, cowbell, 0}, 50ms},
                                                            {noteOn(cowbell), 50ms},
                                                            {noteOff(cowbell), 175ms}}));
}

TEST(SoundBotSequence, MakesASequencerOnlyWhenASoundIsChosen) {
    Recorders recorders;
    EXPECT_EQ(SoundBot::create(Sound::NONE, recorders.factory()), nullptr);
    EXPECT_EQ(recorders.made.size(), 0u);

    for (Sound sound : Options<Sound>::values()) {
        if (sound == Sound::NONE) continue;
        SCOPED_TRACE(Options<Sound>::name(sound).toStdString());
        const std::size_t made = recorders.made.size();
        const auto bot = SoundBot::create(sound, recorders.factory());
        ASSERT_NE(bot, nullptr);
        ASSERT_EQ(recorders.made.size(), made + 1);
        EXPECT_TRUE(recorders.last().isOpen());
        EXPECT_EQ(recorders.last().sequence()->events().front().data1,
                  ConfigHelper::getPercussionNumber(sound));
    }
}

TEST(SoundBotSequence, PassesThePlatformsFailuresOnAndLeavesNothingOpen) {
    Recorders recorders;
    recorders.prepare = [](RecordingSequencer& s) { s.failOpen("MIDI output is busy"); };
    EXPECT_EQ(failureOf([&] { SoundBot bot(cowbell, recorders.factory()); }),
              "MIDI output is busy");

    recorders.prepare = [](RecordingSequencer& s) { s.refuseSequences("Track refused"); };
    EXPECT_EQ(failureOf([&] { SoundBot bot(cowbell, recorders.factory()); }), "Track refused");
    EXPECT_FALSE(recorders.last().isOpen());

    recorders.prepare = [](RecordingSequencer&) {};
    const std::size_t made = recorders.made.size();
    EXPECT_EQ(failureOf([&] { SoundBot bot(128, recorders.factory()); }),
              "Invalid MIDI message: status 153, data 128 127");
    EXPECT_FALSE(recorders.last().isOpen());
    EXPECT_EQ(recorders.made.size(), made + 1);

    EXPECT_EQ(failureOf([] { SoundBot bot(cowbell, std::unique_ptr<midi::Sequencer>()); }),
              "No MIDI sequencer available");
}

TEST(SoundBotSequence, CloseReleasesTheSequencer) {
    Recorders recorders;
    SoundBot bot(cowbell, recorders.factory());
    bot.close();
    EXPECT_FALSE(recorders.last().isOpen());
    EXPECT_EQ(failureOf([&] { bot.beep(); }), "Sequencer is not open");
}

// The samples of a WAV file of 32-bit float frames, as FluidSynth writes it,
// mixed down to one channel.
struct RenderedSound {
    double rate = 0;
    std::vector<float> samples;

    double msAt(std::size_t index) const { return 1000.0 * static_cast<double>(index) / rate; }
};

std::uint32_t le32(const char* bytes) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}
std::uint16_t le16(const char* bytes) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[0]) |
                                      (static_cast<unsigned char>(bytes[1]) << 8));
}

RenderedSound readWav(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
        ADD_FAILURE() << path << " is not a WAV file";
        return {};
    }
    RenderedSound sound;
    int channels = 0;
    int bits = 0;
    int format = 0;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const std::size_t size = le32(&bytes[at + 4]);
        const char* body = &bytes[at + 8];
        if (id == "fmt ") {
            format = le16(body);
            channels = le16(body + 2);
            sound.rate = le32(body + 4);
            bits = le16(body + 14);
            if (format == 0xFFFE) format = le16(body + 24);  // extensible: the sub-format
        } else if (id == "data") {
            if (format != 3 || bits != 32 || channels < 1) {
                ADD_FAILURE() << "unexpected sample format " << format << "/" << bits;
                return {};
            }
            const std::size_t frames = std::min(size, bytes.size() - at - 8) / (4u * channels);
            for (std::size_t frame = 0; frame < frames; ++frame) {
                float mixed = 0;
                for (int channel = 0; channel < channels; ++channel) {
                    float sample = 0;
                    std::memcpy(&sample, body + 4 * (frame * channels + channel), 4);
                    mixed += sample;
                }
                sound.samples.push_back(mixed / static_cast<float>(channels));
            }
        }
        at += 8 + size + (size & 1);
    }
    return sound;
}

// Where the sound sets in: a 2 ms window much louder than the 10 ms before
// it, and than silence. A later onset needs 30 ms after the last one.
std::vector<double> onsetsMs(const RenderedSound& sound) {
    const std::size_t window = static_cast<std::size_t>(sound.rate * 0.002);
    std::vector<double> energy;
    for (std::size_t at = 0; at + window <= sound.samples.size(); at += window) {
        double sum = 0;
        for (std::size_t i = at; i < at + window; ++i) sum += sound.samples[i] * sound.samples[i];
        energy.push_back(sum / static_cast<double>(window));
    }
    std::vector<double> onsets;
    for (std::size_t i = 5; i < energy.size(); ++i) {
        const double before = *std::max_element(energy.begin() + i - 5, energy.begin() + i);
        const double at = sound.msAt(i * window);
        if (energy[i] > 1e-7 && energy[i] > 10 * before &&
            (onsets.empty() || at - onsets.back() > 30)) {
            onsets.push_back(at);
        }
    }
    return onsets;
}

class SoundBotRender : public ::testing::Test {
  protected:
    std::filesystem::path file(const char* name) const {
        return std::filesystem::path(dir_.path().toStdString()) / name;
    }

    // A sequencer that writes what it plays into the file instead of a sound card.
    static std::unique_ptr<midi::FluidSynthSequencer> renderer(const std::filesystem::path& path) {
        midi::FluidSynthOptions options;
        options.wavFile = path;
        return std::make_unique<midi::FluidSynthSequencer>(options);
    }

    QTemporaryDir dir_;
};

TEST_F(SoundBotRender, EachBeepSoundsOnceAndARepeatedBeepStartsOver) {
    const auto path = file("beeps.wav");
    auto sequencer = renderer(path);
    midi::FluidSynthSequencer& output = *sequencer;
    SoundBot bot(cowbell, std::move(sequencer));
    output.renderToFile(100ms);
    bot.beep();
    output.renderToFile(600ms);
    bot.beep();
    output.renderToFile(60ms);
    bot.beep();  // the previous note still rings
    output.renderToFile(800ms);
    bot.close();

    const RenderedSound sound = readWav(path);
    ASSERT_GT(sound.rate, 0);
    const std::vector<double> onsets = onsetsMs(sound);
    ASSERT_EQ(onsets.size(), 3u) << ::testing::PrintToString(onsets);
    // The times the beeps came, rounded to whole periods of 64 frames.
    EXPECT_NEAR(onsets[0], 100, 4);
    EXPECT_NEAR(onsets[1], 700, 4);
    EXPECT_NEAR(onsets[2], 760, 4);
    RecordProperty("onsetsMs", ::testing::PrintToString(onsets));
}

// The cowbell of this sound font sounds the same whenever its note ends, so
// the length is heard on the high agogo, whose release follows the note-off:
// the beep matches the same note held on until the moment it is let go.
TEST_F(SoundBotRender, TheNoteLastsOneTickOf125Milliseconds) {
    const int agogo = ConfigHelper::getPercussionNumber(Sound::HIGH_AGOGO);
    const auto beepPath = file("beep.wav");
    {
        auto sequencer = renderer(beepPath);
        midi::FluidSynthSequencer& output = *sequencer;
        SoundBot bot(agogo, std::move(sequencer));
        output.renderToFile(100ms);
        bot.beep();
        output.renderToFile(500ms);
        bot.close();
    }
    const auto heldPath = file("held.wav");
    {
        auto held = renderer(heldPath);
        held->open();
        midi::Sequence sequence(4);
        sequence.add(0, 0x99, agogo, 127);
        held->setSequence(sequence);
        held->renderToFile(100ms);
        held->setTickPosition(0);
        held->start();
        held->renderToFile(500ms);
        held->close();
    }

    const RenderedSound beep = readWav(beepPath);
    const RenderedSound held = readWav(heldPath);
    ASSERT_EQ(beep.samples.size(), held.samples.size());
    // Silence carries a trace of noise, around -150 dB, far below this (-120 dB).
    const auto sounding = [](float sample) { return std::abs(sample) > 1e-6f; };
    const auto onset = std::find_if(beep.samples.begin(), beep.samples.end(), sounding);
    ASSERT_NE(onset, beep.samples.end()) << "the beep is silent";
    EXPECT_EQ(
        onset - beep.samples.begin(),
        std::find_if(held.samples.begin(), held.samples.end(), sounding) - held.samples.begin());
    const auto [released, unused] =
        std::mismatch(beep.samples.begin(), beep.samples.end(), held.samples.begin());
    ASSERT_NE(released, beep.samples.end()) << "the note is never let go";

    const double lengthMs = beep.msAt(released - onset);
    EXPECT_NEAR(lengthMs, 125.0, 1.5);
    RecordProperty("noteLengthMicroseconds", static_cast<int>(lengthMs * 1000));
}

TEST_F(SoundBotRender, NoSoundOpensNoSynthesizer) {
    int made = 0;
    const auto path = file("none.wav");
    const midi::SequencerFactory factory = [&] {
        ++made;
        return renderer(path);
    };
    EXPECT_EQ(SoundBot::create(Sound::NONE, factory), nullptr);
    EXPECT_EQ(made, 0);
    EXPECT_FALSE(std::filesystem::exists(path));

    const auto bot = SoundBot::create(Sound::CLAVES, factory);
    ASSERT_NE(bot, nullptr);
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST(SoundBotOutput, SaysWhyTheSynthesizerCannotOpen) {
    midi::FluidSynthOptions noFont;
    noFont.soundFont = "/nonexistent/GM.sf2";
    noFont.audioDrivers = {};
    const std::string fontFailure = failureOf(
        [&] { SoundBot bot(cowbell, std::make_unique<midi::FluidSynthSequencer>(noFont)); });
    EXPECT_EQ(fontFailure.rfind("Cannot load the sound font /nonexistent/GM.sf2: ", 0), 0u)
        << fontFailure;

    midi::FluidSynthOptions noDriver;
    noDriver.audioDrivers = {"no-such-driver", "neither-this"};
    const std::string driverFailure = failureOf(
        [&] { SoundBot bot(cowbell, std::make_unique<midi::FluidSynthSequencer>(noDriver)); });
    EXPECT_EQ(
        driverFailure.rfind("No audio output could be opened for the sound (no-such-driver: ", 0),
        0u)
        << driverFailure;
    EXPECT_NE(driverFailure.find("; neither-this: "), std::string::npos) << driverFailure;
}

// ALSA's null device takes the sound as fast as it is made, so the audio
// thread plays through the note without a sound card, and closing has to
// stop it mid-stream.
TEST(SoundBotOutput, TheAudioThreadPlaysEachBeepThrough) {
    midi::FluidSynthOptions options;
    options.audioDrivers = {"alsa"};
    options.alsaDevice = "null";
    auto sequencer = std::make_unique<midi::FluidSynthSequencer>(options);
    midi::FluidSynthSequencer& output = *sequencer;
    SoundBot bot(cowbell, std::move(sequencer));
    for (int beep = 0; beep < 3; ++beep) {
        bot.beep();
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (output.playing() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
        }
        EXPECT_FALSE(output.playing()) << "beep " << beep << " never finished";
    }
    bot.beep();
    bot.close();
    EXPECT_FALSE(output.playing());
}

}  // namespace
