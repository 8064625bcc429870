#include "platform/alarm_player.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <system_error>

namespace muv {

namespace {

// The tunes sound well below full scale: they are for the operator, not for the far end of the room.
constexpr double kTuneAmplitude = 0.3 * 32767;
// Buffer numbers go round: far more than the device ever holds at once.
constexpr int kBufferNumbers = 1024;
// File samples decoded at a time.
constexpr int kDecodeFrames = 4096;

int16_t Clip(double v) {
    return static_cast<int16_t>(std::clamp(std::lrint(v), -32768L, 32767L));
}

bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

// ---------------------------------------------------------------- the choice of device

bool AlarmMayPlayOn(int device, int transmitterDevice, bool transmitting, const PlaybackTarget& target,
                    const std::optional<std::string>& transmitterPlaysOn) {
    if (device < 0) return false;
    const auto on = [&target](int d) { return target ? target(d) : std::to_string(d); };
    const std::string plays = on(device);
    if (transmitterDevice >= 0 && plays == on(transmitterDevice)) return false;
    return !(transmitting && plays == (transmitterPlaysOn ? *transmitterPlaysOn : on(0)));
}

std::optional<int> AlarmOutputDevice(int deviceCount, int transmitterDevice, int defaultDevice,
                                     bool transmitting, const PlaybackTarget& target,
                                     const std::optional<std::string>& transmitterPlaysOn) {
    if (deviceCount <= 0) return std::nullopt;
    if (AlarmMayPlayOn(0, transmitterDevice, transmitting, target, transmitterPlaysOn)) return 0;
    if (defaultDevice < deviceCount &&
        AlarmMayPlayOn(defaultDevice, transmitterDevice, transmitting, target, transmitterPlaysOn))
        return defaultDevice;
    return std::nullopt;
}

// ---------------------------------------------------------------- tunes

std::vector<int16_t> SynthesiseTune(const std::vector<AlarmTone>& tones, int rate) {
    // Each note rises and falls over 5 ms.
    const int ramp = rate / 200;
    const auto length = [rate](const AlarmTone& tone) {
        return static_cast<size_t>(static_cast<int64_t>(std::max(tone.ms, 0)) * rate / 1000);
    };
    size_t total = 0;
    for (const AlarmTone& tone : tones)
        total += length(tone);
    std::vector<int16_t> samples(total);
    int16_t* out = samples.data();
    for (const AlarmTone& tone : tones) {
        const int n = static_cast<int>(length(tone));
        const double w = 2 * std::numbers::pi * tone.hz / rate;
        for (int i = 0; i < n; ++i) {
            const double rise =
                std::min({1.0, static_cast<double>(i) / ramp, static_cast<double>(n - 1 - i) / ramp});
            *out++ = Clip(kTuneAmplitude * rise * std::sin(w * i));
        }
    }
    return samples;
}

const std::vector<int16_t>& TuneCache::Samples(const std::vector<AlarmTone>& tones, int rate) {
    auto key = std::make_pair(rate, tones);
    auto found = tunes_.find(key);
    if (found == tunes_.end()) found = tunes_.emplace(std::move(key), SynthesiseTune(tones, rate)).first;
    return found->second;
}

// ---------------------------------------------------------------- the file

struct SoundFileReader::File {
    SNDFILE* handle = nullptr;
    ~File() {
        if (handle) sf_close(handle);
    }
};

SoundFileReader::SoundFileReader() = default;
SoundFileReader::~SoundFileReader() = default;

bool SoundFileReader::Open(const std::string& path, std::string& error) {
    Close();
    // Opening a pipe or a device would wait for it.
    if (!IsRegularFile(path)) {
        error = path + ": not a file";
        return false;
    }
    auto file = std::make_unique<File>();
    SF_INFO info{};
    file->handle = sf_open(path.c_str(), SFM_READ, &info);
    if (!file->handle) {
        error = path + ": " + sf_strerror(nullptr);
        return false;
    }
    const int kind = info.format & SF_FORMAT_TYPEMASK;
    if (kind != SF_FORMAT_WAV && kind != SF_FORMAT_WAVEX && kind != SF_FORMAT_RF64 &&
        kind != SF_FORMAT_MPEG) {
        error = path + ": neither a WAV nor an MP3 sound";
        return false;
    }
    if (info.channels < 1 || info.samplerate < 1) {
        error = path + ": no sound in the file";
        return false;
    }
    file_ = std::move(file);
    rate_ = info.samplerate;
    channels_ = info.channels;
    step_ = static_cast<double>(rate_) / kSampleRate;
    return true;
}

bool SoundFileReader::Decode() {
    if (ended_ || !file_) return false;
    frames_.resize(static_cast<size_t>(kDecodeFrames) * channels_);
    const sf_count_t got = sf_readf_float(file_->handle, frames_.data(), kDecodeFrames);
    if (got <= 0) {
        ended_ = true;
        failed_ = sf_error(file_->handle) != SF_ERR_NO_ERROR;
        return false;
    }
    for (sf_count_t i = 0; i < got; ++i) {
        float sum = 0;
        for (int c = 0; c < channels_; ++c)
            sum += frames_[static_cast<size_t>(i) * channels_ + c];
        input_.push_back(sum / static_cast<float>(channels_));
    }
    return true;
}

int SoundFileReader::Read(int16_t* out, int count) {
    int n = 0;
    while (n < count) {
        const size_t i = static_cast<size_t>(position_);
        while (i + 1 >= input_.size() && Decode()) {
        }
        if (i >= input_.size()) break;
        // Between two samples of the file; at its very end the last sample stands alone.
        const double a = input_[i];
        const double b = i + 1 < input_.size() ? input_[i + 1] : a;
        out[n++] = Clip((a + (b - a) * (position_ - static_cast<double>(i))) * 32768.0);
        position_ += step_;
    }
    const size_t used = std::min(static_cast<size_t>(position_), input_.size());
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(used));
    position_ -= static_cast<double>(used);
    return n;
}

void SoundFileReader::Close() {
    file_.reset();
    rate_ = channels_ = 0;
    step_ = 1;
    position_ = 0;
    input_.clear();
    ended_ = failed_ = false;
}

// ---------------------------------------------------------------- the player

SoundAlarmPlayer::SoundAlarmPlayer(std::unique_ptr<AlarmOutput> output, Timer& poll)
    : output_(std::move(output)), poll_(poll) {
    poll_.SetEnabled(false);
    poll_.SetInterval(kPollMilliseconds);
}

SoundAlarmPlayer::~SoundAlarmPlayer() {
    CloseDevice();
}

AlarmFileResult SoundAlarmPlayer::PlayFile(const std::string& path) {
    if (filePlaying_) Stop();
    if (!IsRegularFile(path)) return AlarmFileResult::NotFound;
    std::string error;
    if (!reader_.Open(path, error)) return AlarmFileResult::NotPlayable;
    if (!device_ && !OpenDevice()) {
        reader_.Close();
        return AlarmFileResult::NoDevice;
    }
    // Playing from here on; the end is noticed by the polls, never inside this call.
    filePlaying_ = true;
    fileRead_ = false;
    fileLastBuffer_ = -1;
    Feed();
    return AlarmFileResult::Playing;
}

void SoundAlarmPlayer::PlayTones(const std::vector<AlarmTone>& tones) {
    const std::vector<int16_t>& samples = tuneCache_.Samples(tones);
    if (samples.empty()) return;
    // The same alarm again while it sounds or waits: once is enough, and a flood of them queues nothing.
    DropHeardTunes();
    for (const QueuedTune& queued : tunes_)
        if (queued.samples == &samples) return;
    if (!device_ && !OpenDevice()) return;
    tunes_.push_back({&samples});
    Feed();
}

void SoundAlarmPlayer::DropHeardTunes() {
    while (!tunes_.empty() && tunes_.front().position == tunes_.front().samples->size() &&
           (tunes_.front().lastBuffer < 0 || !device_ || device_->IsDone(tunes_.front().lastBuffer)))
        tunes_.pop_front();
}

void SoundAlarmPlayer::Stop() {
    reader_.Close();
    filePlaying_ = false;
    fileRead_ = false;
    fileLastBuffer_ = -1;
    tunes_.clear();
    CloseDevice();
}

void SoundAlarmPlayer::SetLevel(int32_t level) {
    level_ = std::clamp(level, 0, 65535);
}

std::optional<std::string> SoundAlarmPlayer::DeviceName() {
    const std::optional<int> device = device_ ? std::optional<int>(deviceIndex_) : output_->ChooseDevice();
    if (!device) return std::nullopt;
    return output_->DeviceName(*device);
}

bool SoundAlarmPlayer::OpenDevice() {
    const std::optional<int> index = output_->ChooseDevice();
    if (!index) return false;
    std::unique_ptr<SoundOutputDevice> device = output_->MakeDevice();
    if (!device || !device->Open(*index)) return false;
    device_ = std::move(device);
    deviceIndex_ = *index;
    nextBuffer_ = 0;
    pendingSeen_ = -1;
    stalled_ = 0;
    drained_ = 0;
    poll_.SetEnabled(true);
    return true;
}

void SoundAlarmPlayer::CloseDevice() {
    poll_.SetEnabled(false);
    if (!device_) return;
    device_->Reset();
    device_->Close();
    device_.reset();
    deviceIndex_ = -1;
}

void SoundAlarmPlayer::Feed() {
    if (!device_) return;
    std::array<int16_t, kBlockSamples> file{};
    std::array<int16_t, kBlockSamples> tune{};
    std::array<int16_t, kBlockSamples> mix{};
    const double gain = level_ / 65535.0;
    while (device_->PendingSamples() < kLeadSamples) {
        int fromFile = 0;
        if (filePlaying_ && !fileRead_) {
            fromFile = reader_.Read(file.data(), kBlockSamples);
            if (fromFile < kBlockSamples) fileRead_ = true;
        }
        // The tunes follow one another without a gap, the next one starting within the same block.
        const int buffer = nextBuffer_;
        int fromTune = 0;
        for (QueuedTune& queued : tunes_) {
            if (fromTune == kBlockSamples) break;
            const size_t left = queued.samples->size() - queued.position;
            if (left == 0) continue;
            const size_t take = std::min<size_t>(left, static_cast<size_t>(kBlockSamples - fromTune));
            std::copy_n(queued.samples->begin() + static_cast<std::ptrdiff_t>(queued.position), take,
                        tune.begin() + fromTune);
            queued.position += take;
            fromTune += static_cast<int>(take);
            if (queued.position == queued.samples->size()) queued.lastBuffer = buffer;
        }
        const int n = std::max(fromFile, fromTune);
        if (n == 0) break;
        for (int i = 0; i < n; ++i) {
            double v = i < fromFile ? file[static_cast<size_t>(i)] * gain : 0.0;
            if (i < fromTune) v += tune[static_cast<size_t>(i)];
            mix[static_cast<size_t>(i)] = Clip(v);
        }
        nextBuffer_ = (nextBuffer_ + 1) % kBufferNumbers;
        device_->Write(buffer, mix.data(), n);
        if (fromFile > 0) fileLastBuffer_ = buffer;
    }
}

void SoundAlarmPlayer::Fail() {
    const bool file = filePlaying_;
    Stop();
    if (file && FileEnded) FileEnded();
}

void SoundAlarmPlayer::Poll() {
    if (!device_) {
        poll_.SetEnabled(false);
        return;
    }
    if (!output_->MayPlayOn(deviceIndex_) || !device_->LastError().empty()) {
        Fail();
        return;
    }
    Feed();
    const int pending = device_->PendingSamples();
    stalled_ = pending > 0 && pending == pendingSeen_ ? stalled_ + 1 : 0;
    pendingSeen_ = pending;
    if (stalled_ >= kStalledPolls) {
        Fail();
        return;
    }
    bool ended = false;
    if (filePlaying_ && fileRead_ && (fileLastBuffer_ < 0 || device_->IsDone(fileLastBuffer_))) {
        filePlaying_ = false;
        fileRead_ = false;
        fileLastBuffer_ = -1;
        reader_.Close();
        ended = true;
    }
    DropHeardTunes();
    const bool idle = !filePlaying_ && tunes_.empty() && pending == 0;
    drained_ = idle ? drained_ + 1 : 0;
    if (drained_ > kDrainPolls) CloseDevice();
    // Last: the handler may start the next sound.
    if (ended && FileEnded) FileEnded();
}

}  // namespace muv
