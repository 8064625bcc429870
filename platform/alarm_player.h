// The alarm sounds: short tunes and sound files (WAV or MP3) played on a playback device without
// holding up the program. The player decodes the file a little ahead of the device as it is polled on the
// program's thread, mixes any tune over it, and stops at the file's end, on a failure of the file or the
// device, or when the device may no longer take the alarm. Everything that touches the program's state
// happens in Poll, on the program's thread; the device's own thread only moves samples.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/timer.h"
#include "platform/sound_device.h"

namespace muv {

// One note of a tune: a sine of hz hertz for ms milliseconds.
struct AlarmTone {
    int hz;
    int ms;
    friend auto operator<=>(const AlarmTone&, const AlarmTone&) = default;
};

enum class AlarmFileResult {
    Playing,      // the file plays
    NotFound,     // there is no file (a folder, a pipe or a device is not one)
    NotPlayable,  // not a WAV or MP3 sound that can be decoded: damaged, cut short in its header, another
                  // kind
    NoDevice,     // no playback device may take the alarm now, or it would not open
};

// What the alarms window plays its sounds on; tests replace it.
class AlarmPlayer {
public:
    virtual ~AlarmPlayer() = default;
    // Starts playing the sound file at path (a path as the system takes it), in place of a file
    // already playing.
    virtual AlarmFileResult PlayFile(const std::string& path) = 0;
    // Plays a tune, after any tune still sounding and over a file that plays. A tune ends by itself. The
    // same tune asked for again while it sounds or waits to sound is not queued a second time.
    virtual void PlayTones(const std::vector<AlarmTone>& tones) = 0;
    // Stops the file and any tune at once.
    virtual void Stop() = 0;
    // A file is playing: from a PlayFile that gave Playing until Stop or its end.
    virtual bool Playing() const = 0;
    // The level of the file's sound, 0 (silent) to 65535 (as it is recorded).
    virtual void SetLevel(int32_t level) = 0;
    virtual int32_t Level() const = 0;
    // The name of the playback device the alarm plays on now (the one it sounds on, or would sound on
    // if it began now); nothing when no device may take it.
    virtual std::optional<std::string> DeviceName() = 0;

    // Run on the program's thread when a file stops playing by itself: its end has been heard, or the
    // file or the device failed, or the device may no longer take the alarm. Not run by Stop.
    std::function<void()> FileEnded;
};

// The playback devices an alarm may use, and the choice among them at the moment.
class AlarmOutput {
public:
    virtual ~AlarmOutput() = default;
    // The device the alarm may play on now, as an index of the playback devices; nothing when none may.
    virtual std::optional<int> ChooseDevice() = 0;
    // Whether a sound already playing on the device with this index may go on.
    virtual bool MayPlayOn(int device) = 0;
    // A device, not yet open, to open with that index.
    virtual std::unique_ptr<SoundOutputDevice> MakeDevice() = 0;
    // The name of the playback device with this index.
    virtual std::string DeviceName(int device) = 0;
};

// No playback device at all: the program runs on sound files or in memory.
class NoAlarmOutput : public AlarmOutput {
public:
    std::optional<int> ChooseDevice() override { return std::nullopt; }
    bool MayPlayOn(int) override { return false; }
    std::unique_ptr<SoundOutputDevice> MakeDevice() override { return nullptr; }
    std::string DeviceName(int) override { return {}; }
};

// What a playback device plays on, by its index: the same for devices that are one (two names of one
// sound-server sink). Without it each device is a thing of its own.
using PlaybackTarget = std::function<std::string(int device)>;

// The device the alarm plays on, as an index of the playback devices (deviceCount of them).
//
// The alarm is for the operator's ears and must never go on the air. It plays on the first playback
// device, the one the alarms window names. It never plays on what the device chosen for the
// transmitter's output plays on (transmitterDevice, -1 when the transmitter plays on none of them); and
// while a transmission runs it keeps off what the transmitter's output really plays on
// (transmitterPlaysOn), or, when that is not known, off the first device as well, which the transmitter
// falls back to when its own device does not open. Kept off the first device, the alarm goes to the
// system's default output (defaultDevice, -1 when unknown) when that is none of the devices it must
// keep off; otherwise it is not played at all. Devices are compared by what they play on (target).
std::optional<int> AlarmOutputDevice(int deviceCount, int transmitterDevice, int defaultDevice,
                                     bool transmitting, const PlaybackTarget& target = {},
                                     const std::optional<std::string>& transmitterPlaysOn = {});
// Whether the alarm may sound on the device with this index, by the same rule.
bool AlarmMayPlayOn(int device, int transmitterDevice, bool transmitting, const PlaybackTarget& target = {},
                    const std::optional<std::string>& transmitterPlaysOn = {});

// A tune as samples at rate hertz: each note a sine with a short rise and fall, so that no note clicks.
std::vector<int16_t> SynthesiseTune(const std::vector<AlarmTone>& tones, int rate = kSampleRate);

// The tunes synthesised so far, each once for each rate: an alarm that sounds again and again (a spot
// of the operator's station at every line of a cluster flood) costs a look-up. A tune's samples stay
// where they are for the cache's life.
class TuneCache {
public:
    const std::vector<int16_t>& Samples(const std::vector<AlarmTone>& tones, int rate = kSampleRate);

private:
    std::map<std::pair<int, std::vector<AlarmTone>>, std::vector<int16_t>> tunes_;
};

// A WAV or MP3 file decoded as it is read, as 48 kHz mono (the channels averaged, other rates
// interpolated). Files of other kinds are refused, whatever their names say.
class SoundFileReader {
public:
    SoundFileReader();
    ~SoundFileReader();
    SoundFileReader(const SoundFileReader&) = delete;
    SoundFileReader& operator=(const SoundFileReader&) = delete;

    // False, with the reason in error, when the file is no WAV or MP3 sound that can be read.
    bool Open(const std::string& path, std::string& error);
    // Up to count samples; fewer only at the end of the file or on a failure (Failed() then says so).
    int Read(int16_t* out, int count);
    bool Failed() const { return failed_; }
    void Close();

    int FileSampleRate() const { return rate_; }
    int FileChannels() const { return channels_; }

private:
    // Decodes the next piece of the file onto input_; false when nothing more comes.
    bool Decode();

    struct File;
    std::unique_ptr<File> file_;
    int rate_ = 0;
    int channels_ = 0;
    double step_ = 1;      // file samples per output sample
    double position_ = 0;  // where the next output sample falls, in input_'s samples
    std::vector<float> input_;
    std::vector<float> frames_;
    bool ended_ = false;
    bool failed_ = false;
};

// The player on a playback device: the file is decoded at most a fraction of a second ahead of the
// device, the tune mixed over it. The owner runs Poll each time the poll timer fires; the player
// enables the timer while it has something to play and disables it afterwards.
class SoundAlarmPlayer : public AlarmPlayer {
public:
    // The timer's interval; how far ahead of the device the player keeps the sound, in blocks of
    // kBlockSamples.
    static constexpr int kPollMilliseconds = 40;
    static constexpr int kLeadSamples = kSampleRate / 4;
    static constexpr int kBlockSamples = 1024;
    // Polls in a row in which the device plays nothing of what it holds before the player gives up on
    // it (two seconds at the timer's pace).
    static constexpr int kStalledPolls = 50;
    // Polls the device stays open after it has taken the last sample, so that the sound still on its
    // way out of the card is heard to the end.
    static constexpr int kDrainPolls = 8;

    SoundAlarmPlayer(std::unique_ptr<AlarmOutput> output, Timer& poll);
    ~SoundAlarmPlayer() override;

    AlarmFileResult PlayFile(const std::string& path) override;
    void PlayTones(const std::vector<AlarmTone>& tones) override;
    void Stop() override;
    bool Playing() const override { return filePlaying_; }
    void SetLevel(int32_t level) override;
    int32_t Level() const override { return level_; }
    std::optional<std::string> DeviceName() override;

    // Keeps the device fed and ends what has ended; the owner calls it each time the poll timer fires.
    void Poll();
    // A device is open: a file or a tune is sounding, or the end of one is on its way out.
    bool Sounding() const { return device_ != nullptr; }

private:
    bool OpenDevice();
    void CloseDevice();
    // Hands the device what it needs to stay kLeadSamples ahead.
    void Feed();
    // Forgets the tunes that the device has played to their end.
    void DropHeardTunes();
    // The device or the file failed, or the device may no longer take the alarm: everything stops.
    void Fail();

    std::unique_ptr<AlarmOutput> output_;
    Timer& poll_;
    std::unique_ptr<SoundOutputDevice> device_;
    int deviceIndex_ = -1;
    int nextBuffer_ = 0;
    int pendingSeen_ = -1;
    int stalled_ = 0;
    int drained_ = 0;

    SoundFileReader reader_;
    bool filePlaying_ = false;
    bool fileRead_ = false;    // every sample of the file has gone to the device
    int fileLastBuffer_ = -1;  // the last buffer that holds samples of the file
    // The tunes sounding and waiting, in order; each leaves when the device has played its last sample.
    struct QueuedTune {
        const std::vector<int16_t>* samples;  // in the cache: one tune, one address
        size_t position = 0;                  // samples handed to the device
        int lastBuffer = -1;                  // the buffer holding its last sample, once handed on
    };
    TuneCache tuneCache_;
    std::deque<QueuedTune> tunes_;
    int32_t level_ = 65535;
};

}  // namespace muv
