// The alarm player: the rule that keeps the alarm off the air, the tunes, and sound files decoded by
// libsndfile into a device held in memory, with their ends, failures and the files it refuses.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <numbers>
#include <numeric>
#include <optional>
#include <vector>

#include "platform/alarm_player.h"
#include "platform/memory_sound.h"
#include "platform/wav_file.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

using Samples = std::vector<int16_t>;

// The player's device: a handle onto a memory device that the test keeps (the player drops its handle
// when it closes the device).
class Handle : public SoundOutputDevice {
public:
    explicit Handle(MemorySoundOutput& device) : device_(device) {}
    bool Open(int index) override { return device_.Open(index); }
    void Write(int buffer, const int16_t* samples, int count) override {
        device_.Write(buffer, samples, count);
    }
    bool IsDone(int buffer) const override { return device_.IsDone(buffer); }
    void Reset() override { device_.Reset(); }
    void Close() override { device_.Close(); }
    int PendingSamples() const override { return device_.PendingSamples(); }

private:
    MemorySoundOutput& device_;
};

class MemoryOutput : public AlarmOutput {
public:
    explicit MemoryOutput(MemorySoundOutput& device) : device_(device) {}
    std::optional<int> ChooseDevice() override { return choice; }
    bool MayPlayOn(int device) override { return mayPlay && choice == device; }
    std::unique_ptr<SoundOutputDevice> MakeDevice() override { return std::make_unique<Handle>(device_); }
    std::string DeviceName(int index) override { return "Card " + std::to_string(index); }

    std::optional<int> choice = 0;
    bool mayPlay = true;

private:
    MemorySoundOutput& device_;
};

class AlarmPlayerTest : public test::TempFolderTest {
protected:
    AlarmPlayerTest() {
        auto out = std::make_unique<MemoryOutput>(device);
        output = out.get();
        player = std::make_unique<SoundAlarmPlayer>(std::move(out), timer);
        timer.OnTimer = [this] { player->Poll(); };
        player->FileEnded = [this] { ++ended; };
    }

    // The device plays all it holds at each tick, until the player closes it (at most limit ticks).
    void PlayOut(int limit = 2000) {
        for (int i = 0; i < limit && player->Sounding(); ++i) {
            device.FinishAll();
            timer.Advance(SoundAlarmPlayer::kPollMilliseconds);
        }
    }

    std::string WriteWav(const std::string& name, const Samples& samples, int rate = kSampleRate) {
        const std::string path = Path(name);
        EXPECT_TRUE(WriteWavFile(path, samples, rate));
        return path;
    }

    MemorySoundOutput device;
    ManualTimer timer;
    MemoryOutput* output;
    std::unique_ptr<SoundAlarmPlayer> player;
    int ended = 0;
};

Samples Ramp(int n, int step = 3) {
    Samples s(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        s[static_cast<size_t>(i)] = static_cast<int16_t>((i * step) % 60000 - 30000);
    return s;
}

// Sign changes from negative to positive: the frequency of a clean tone times its length.
int Rises(const Samples& s, size_t from, size_t to) {
    int n = 0;
    for (size_t i = from + 1; i < to && i < s.size(); ++i)
        n += s[i - 1] < 0 && s[i] >= 0;
    return n;
}

// A file written by libsndfile itself, the format it names.
bool WriteSoundFile(const std::string& path, int format, int rate, int channels,
                    const std::vector<float>& frames) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    sf_writef_float(f, frames.data(), static_cast<sf_count_t>(frames.size() / static_cast<size_t>(channels)));
    sf_close(f);
    return true;
}

TEST(AlarmOutputDevice, NeverTheTransmittersDeviceNorItsFallBackWhileTransmitting) {
    // The first device while it is not the transmitter's.
    EXPECT_EQ(AlarmOutputDevice(3, 1, 2, false), 0);
    EXPECT_EQ(AlarmOutputDevice(3, -1, 0, true), std::nullopt) << "the default is the first device";
    // The first device is the transmitter's: the default when that is another device.
    EXPECT_EQ(AlarmOutputDevice(3, 0, 2, false), 2);
    EXPECT_EQ(AlarmOutputDevice(3, 0, 0, false), std::nullopt);
    EXPECT_EQ(AlarmOutputDevice(3, 0, -1, false), std::nullopt) << "no default";
    EXPECT_EQ(AlarmOutputDevice(3, 0, 7, false), std::nullopt) << "a default outside the list";
    // While transmitting the first device is where the transmitter falls back to.
    EXPECT_EQ(AlarmOutputDevice(3, 1, 2, true), 2);
    EXPECT_EQ(AlarmOutputDevice(3, 2, 2, true), std::nullopt);
    EXPECT_EQ(AlarmOutputDevice(0, -1, -1, false), std::nullopt) << "no device at all";

    EXPECT_TRUE(AlarmMayPlayOn(2, 1, true));
    EXPECT_FALSE(AlarmMayPlayOn(1, 1, false));
    EXPECT_FALSE(AlarmMayPlayOn(0, 1, true));
    EXPECT_TRUE(AlarmMayPlayOn(0, 1, false));
}

TEST(AlarmTunes, EachNoteHasItsLengthAndPitchAndNoClick) {
    const Samples s = SynthesiseTune({{440, 100}, {880, 300}, {440, 100}});
    ASSERT_EQ(s.size(), 4800u + 14400u + 4800u);
    EXPECT_NEAR(Rises(s, 0, 4800), 44, 1);
    EXPECT_NEAR(Rises(s, 4800, 19200), 264, 1);
    EXPECT_NEAR(Rises(s, 19200, 24000), 44, 1);
    // Each note starts and ends quietly; none is near full scale.
    for (size_t edge : {size_t{0}, size_t{4799}, size_t{4800}, size_t{19199}, size_t{23999}})
        EXPECT_LT(std::abs(s[edge]), 200) << edge;
    EXPECT_LT(*std::max_element(s.begin(), s.end()), 16000);
    EXPECT_GT(*std::max_element(s.begin(), s.end()), 9000);
}

// The synthesis as it was before the tunes were cached: the cache must give these very samples.
Samples SynthesiseTuneOneByOne(const std::vector<AlarmTone>& tones) {
    constexpr double kAmplitude = 0.3 * 32767;
    constexpr int kRamp = kSampleRate / 200;
    Samples samples;
    for (const AlarmTone& tone : tones) {
        const int n = static_cast<int>(static_cast<int64_t>(std::max(tone.ms, 0)) * kSampleRate / 1000);
        const double w = 2 * std::numbers::pi * tone.hz / kSampleRate;
        for (int i = 0; i < n; ++i) {
            const double rise =
                std::min({1.0, static_cast<double>(i) / kRamp, static_cast<double>(n - 1 - i) / kRamp});
            samples.push_back(static_cast<int16_t>(
                std::clamp(std::lrint(kAmplitude * rise * std::sin(w * i)), -32768L, 32767L)));
        }
    }
    return samples;
}

TEST(AlarmTunes, TheCachedTunesAreTheSynthesisedOnesSampleForSample) {
    // The program's five tunes, and notes shorter than their rise and fall, empty and negative.
    const std::vector<std::vector<AlarmTone>> tunes = {
        {{440, 100}, {880, 300}, {440, 100}},
        {{587, 100}, {881, 100}, {1175, 100}},
        {{349, 100}, {698, 100}, {1048, 100}, {698, 100}},
        {{349, 100}, {698, 100}, {1048, 100}, {698, 100}, {440, 100}, {880, 100}, {1320, 100}, {440, 100}},
        {{989, 100}, {330, 100}, {989, 100}, {330, 100}},
        {{3000, 3}, {20, 0}, {1000, -5}, {7919, 11}},
        {},
    };
    TuneCache cache;
    for (const auto& tune : tunes) {
        const Samples before = SynthesiseTuneOneByOne(tune);
        EXPECT_EQ(SynthesiseTune(tune), before);
        const Samples& cached = cache.Samples(tune);
        EXPECT_EQ(cached, before);
        EXPECT_EQ(&cache.Samples(tune), &cached) << "synthesised once";
    }
    // Another rate is another tune.
    EXPECT_EQ(cache.Samples({{440, 100}}, 8000).size(), 800u);
    EXPECT_EQ(cache.Samples({{440, 100}}).size(), 4800u);
}

TEST_F(AlarmPlayerTest, AWavFileReachesTheDeviceWholeAndEndsOnce) {
    const Samples recorded = Ramp(60000);
    ASSERT_EQ(player->PlayFile(WriteWav("alarm.wav", recorded)), AlarmFileResult::Playing);
    EXPECT_TRUE(player->Playing());
    EXPECT_TRUE(timer.Enabled());
    EXPECT_LT(device.PendingSamples(), 20000) << "decoded a little ahead, not all at once";
    EXPECT_EQ(device.openedDevice, 0);

    PlayOut();
    EXPECT_EQ(device.played, recorded);
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(player->Playing());
    EXPECT_FALSE(player->Sounding());
    EXPECT_FALSE(timer.Enabled());
    EXPECT_TRUE(device.closed);
}

TEST_F(AlarmPlayerTest, OtherRatesAndChannelsAndTheLevel) {
    // 24 kHz plays twice as many samples, stereo is the channels' mean.
    const Samples slow = Ramp(12000, 2);
    ASSERT_EQ(player->PlayFile(WriteWav("slow.wav", slow, 24000)), AlarmFileResult::Playing);
    PlayOut();
    ASSERT_NEAR(static_cast<double>(device.played.size()), 24000, 2);
    EXPECT_EQ(device.played[200], slow[100]);
    EXPECT_NEAR(device.played[201], (slow[100] + slow[101]) / 2.0, 1);

    std::vector<float> stereo;
    for (int i = 0; i < 4800; ++i) {
        stereo.push_back(0.5f);
        stereo.push_back(-0.25f);
    }
    ASSERT_TRUE(WriteSoundFile(Path("stereo.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, kSampleRate, 2, stereo));
    device.played.clear();
    player->SetLevel(32768);  // the slider at 50
    ASSERT_EQ(player->PlayFile(Path("stereo.wav")), AlarmFileResult::Playing);
    PlayOut();
    ASSERT_EQ(device.played.size(), 4800u);
    EXPECT_NEAR(device.played[1000], 0.125 * 32768 * 32768 / 65535, 1);
}

TEST_F(AlarmPlayerTest, AnMp3FilePlays) {
    // The decoder's MP3 support comes from its mpg123 build.
    std::vector<float> tone;
    for (int i = 0; i < kSampleRate; ++i)
        tone.push_back(0.5f * static_cast<float>(std::sin(2 * std::numbers::pi * 1000 * i / kSampleRate)));
    if (!WriteSoundFile(Path("alarm.mp3"), SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, kSampleRate, 1, tone))
        GTEST_SKIP() << sf_version_string() << " cannot write MP3 here";
    ASSERT_EQ(player->PlayFile(Path("alarm.mp3")), AlarmFileResult::Playing) << sf_version_string();
    PlayOut();
    EXPECT_EQ(ended, 1);
    // The encoder pads a little on either side; the tone is there, at its pitch and about its level.
    EXPECT_NEAR(static_cast<double>(device.played.size()), kSampleRate, 3000);
    EXPECT_NEAR(Rises(device.played, 4800, 43200), 800, 3);
    const double rms = std::sqrt(std::accumulate(device.played.begin() + 4800, device.played.begin() + 43200,
                                                 0.0, [](double a, int16_t v) { return a + double(v) * v; }) /
                                 38400);
    EXPECT_NEAR(rms, 0.5 * 32768 / std::sqrt(2.0), 1500);
}

TEST_F(AlarmPlayerTest, FilesThatAreNoSoundPlayNothingAndACutFilePlaysWhatItHas) {
    EXPECT_EQ(player->PlayFile(Path("missing.wav")), AlarmFileResult::NotFound);
    EXPECT_EQ(player->PlayFile(folder_.string()), AlarmFileResult::NotFound) << "a folder";
    std::ofstream(Path("text.wav")) << "These are not the sounds you are looking for.\n";
    EXPECT_EQ(player->PlayFile(Path("text.wav")), AlarmFileResult::NotPlayable);
    // Cut inside its header.
    const std::string whole = WriteWav("whole.wav", Ramp(9600));
    std::filesystem::copy_file(whole, Path("header.wav"));
    std::filesystem::resize_file(Path("header.wav"), 30);
    EXPECT_EQ(player->PlayFile(Path("header.wav")), AlarmFileResult::NotPlayable);
    // Another kind of sound under a WAV name.
    ASSERT_TRUE(WriteSoundFile(Path("flac.wav"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, kSampleRate, 1,
                               std::vector<float>(4800, 0.1f)));
    EXPECT_EQ(player->PlayFile(Path("flac.wav")), AlarmFileResult::NotPlayable);
    EXPECT_FALSE(player->Playing());
    EXPECT_EQ(device.openCount, 0) << "no device was opened for any of them";

    // Cut inside its sound: what is there plays, and it ends as any file does.
    std::filesystem::resize_file(whole, 44 + 2 * 5000);
    ASSERT_EQ(player->PlayFile(whole), AlarmFileResult::Playing);
    PlayOut();
    EXPECT_EQ(device.played, Samples(Ramp(5000)));
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(player->Sounding());
}

TEST_F(AlarmPlayerTest, TunesAreMixedOverAFileAndEndWithoutEndingIt) {
    ASSERT_EQ(player->PlayFile(WriteWav("quiet.wav", Samples(48000, 0))), AlarmFileResult::Playing);
    // The tunes follow what the device holds already, one after the other.
    const size_t queued = static_cast<size_t>(device.PendingSamples());
    player->PlayTones({{1000, 100}});
    player->PlayTones({{500, 50}});
    PlayOut();
    const Samples tune = SynthesiseTune({{1000, 100}, {500, 50}});
    ASSERT_EQ(device.played.size(), 48000u);
    EXPECT_EQ(Samples(device.played.begin() + queued, device.played.begin() + queued + tune.size()), tune);
    EXPECT_EQ(device.played[queued + tune.size()], 0);
    EXPECT_EQ(ended, 1);

    // A tune alone: nothing for the file's watcher, and the device closes after it.
    device.played.clear();
    player->PlayTones({{880, 100}});
    EXPECT_FALSE(player->Playing());
    EXPECT_TRUE(player->Sounding());
    PlayOut();
    EXPECT_EQ(device.played, SynthesiseTune({{880, 100}}));
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(player->Sounding());
}

TEST_F(AlarmPlayerTest, AnAlarmSoundingOrWaitingIsNotQueuedAgain) {
    const Samples high = SynthesiseTune({{1000, 100}});
    const Samples low = SynthesiseTune({{500, 50}});
    player->PlayTones({{1000, 100}});
    ASSERT_EQ(static_cast<size_t>(device.PendingSamples()), high.size()) << "handed on whole, not yet heard";
    player->PlayTones({{500, 50}});
    // A flood of the same two alarms: the device holds each once, and nothing else waits.
    for (int i = 0; i < 1000; ++i) {
        player->PlayTones({{1000, 100}});
        player->PlayTones({{500, 50}});
    }
    EXPECT_EQ(static_cast<size_t>(device.PendingSamples()), high.size() + low.size());
    // Heard to its end, a tune sounds again when it is asked for.
    device.FinishAll();
    timer.Advance(SoundAlarmPlayer::kPollMilliseconds);
    player->PlayTones({{1000, 100}});
    player->PlayTones({{1000, 100}});
    PlayOut();
    Samples expected = high;
    expected.insert(expected.end(), low.begin(), low.end());
    expected.insert(expected.end(), high.begin(), high.end());
    EXPECT_EQ(device.played, expected);

    // A tune longer than the device is fed ahead is still waiting in part: not queued again either.
    player->PlayTones({{700, 2000}});
    player->PlayTones({{700, 2000}});
    device.played.clear();
    PlayOut();
    EXPECT_EQ(device.played, SynthesiseTune({{700, 2000}}));
}

TEST_F(AlarmPlayerTest, StopsWhenItsDeviceMayNoLongerTakeItOrStalls) {
    const std::string path = WriteWav("long.wav", Ramp(480000));
    EXPECT_EQ(player->DeviceName(), "Card 0") << "where it would play";
    // A transmission begins on the device the alarm is on.
    ASSERT_EQ(player->PlayFile(path), AlarmFileResult::Playing);
    device.FinishAll();
    timer.Advance(SoundAlarmPlayer::kPollMilliseconds);
    output->choice = 1;
    EXPECT_EQ(player->DeviceName(), "Card 0") << "where it plays";
    output->choice = 0;
    output->mayPlay = false;
    timer.Advance(SoundAlarmPlayer::kPollMilliseconds);
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(player->Sounding());
    EXPECT_TRUE(device.closed);
    EXPECT_FALSE(timer.Enabled());

    // No device may take it now.
    output->mayPlay = true;
    output->choice = std::nullopt;
    EXPECT_EQ(player->DeviceName(), std::nullopt);
    EXPECT_EQ(player->PlayFile(path), AlarmFileResult::NoDevice);
    player->PlayTones({{440, 100}});
    EXPECT_FALSE(player->Sounding());

    // A device that plays nothing any more.
    output->choice = 0;
    ASSERT_EQ(player->PlayFile(path), AlarmFileResult::Playing);
    int polls = 0;
    for (; polls < 2 * SoundAlarmPlayer::kStalledPolls && player->Sounding(); ++polls)
        timer.Advance(SoundAlarmPlayer::kPollMilliseconds);
    EXPECT_FALSE(player->Sounding());
    EXPECT_GE(polls, SoundAlarmPlayer::kStalledPolls) << "not given up on at once";
    EXPECT_EQ(ended, 2);

    // Stopped by the operator: nothing for the watcher.
    ASSERT_EQ(player->PlayFile(path), AlarmFileResult::Playing);
    player->Stop();
    EXPECT_FALSE(player->Playing());
    EXPECT_FALSE(player->Sounding());
    EXPECT_EQ(ended, 2);
}

TEST_F(AlarmPlayerTest, ANewFileWhileOneEndsFromTheWatcher) {
    // The watcher may start the next sound at once.
    const std::string path = WriteWav("short.wav", Ramp(2000));
    int starts = 0;
    player->FileEnded = [&] {
        if (++starts < 3) {
            EXPECT_EQ(player->PlayFile(path), AlarmFileResult::Playing);
        }
    };
    ASSERT_EQ(player->PlayFile(path), AlarmFileResult::Playing);
    PlayOut();
    EXPECT_EQ(starts, 3);
    EXPECT_EQ(device.played.size(), 6000u);
    EXPECT_FALSE(player->Sounding());
}

}  // namespace
}  // namespace muv
