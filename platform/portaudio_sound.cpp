#include "platform/portaudio_sound.h"

#include <dlfcn.h>
#include <portaudio.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <mutex>
#include <stdexcept>

namespace muv {

namespace {

// Playback: small enough that the first tones follow the key promptly, large enough not to starve on
// a busy machine.
constexpr unsigned long kPlaybackFramesPerBuffer = 512;
// Capture: the receiver takes its audio a buffer of 64 ms at a time and nothing waits on it sooner, so
// the device hands over 85 ms at once from a buffer of at least 0.3 s. That wakes the machine about
// twelve times a second instead of a hundred (through a sound server, its client thread as well) and
// rides out a busy moment without losing samples.
constexpr unsigned long kCaptureFramesPerBuffer = 4096;
constexpr double kCaptureLatencySeconds = 0.3;
// A playback delay the stream reports beyond this is no delay of a sound card or server.
constexpr double kLongestOutputDelaySeconds = 2;

using Clock = PlaybackRing::Clock;

// How long the first frame of a playback callback's buffer takes to be heard: its DAC time as the
// stream reports it, or the stream's output latency when the stream reports no time that makes sense
// (none at all, or one not a little ahead of the callback's own time).
Clock::duration OutputDelay(const PaStreamCallbackTimeInfo* time, double outputLatency) {
    double seconds = outputLatency;
    if (time && time->outputBufferDacTime > 0) {
        const double ahead = time->outputBufferDacTime - time->currentTime;
        if (ahead > 0 && ahead < kLongestOutputDelaySeconds) seconds = ahead;
    }
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// How many samples play in a time, counting a part of one as one.
int SamplesIn(Clock::duration d) {
    if (d <= Clock::duration::zero()) return 0;
    const auto us = std::chrono::ceil<std::chrono::microseconds>(d).count();
    return static_cast<int>(
        std::min<int64_t>((us * kSampleRate + 999'999) / 1'000'000, std::numeric_limits<int>::max()));
}

void IgnoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}
void IgnoreJackMessage(const char*) {}

// ALSA and JACK write to standard error whatever they meet while PortAudio probes them: every card and
// plug-in of ALSA's configuration that is not there, a JACK server that is not running. That is some
// hundred lines at each start, and more whenever the devices are listed again; what matters of it
// reaches the program as PortAudio's errors. The libraries are PortAudio's own, reached by their
// names when they are loaded.
void SilenceSoundLibraries() {
    using AlsaHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    using JackHandler = void (*)(const char*);
    if (void* set = dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler"))
        reinterpret_cast<int (*)(AlsaHandler)>(set)(&IgnoreAlsaMessage);
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"})
        if (void* set = dlsym(RTLD_DEFAULT, name)) reinterpret_cast<void (*)(JackHandler)>(set)(&IgnoreJackMessage);
}

std::vector<PaDeviceIndex> DeviceList(bool capture) {
    std::vector<PaDeviceIndex> devices;
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info && (capture ? info->maxInputChannels : info->maxOutputChannels) > 0) devices.push_back(i);
    }
    return devices;
}

std::vector<std::string> DeviceNames(bool capture) {
    std::vector<std::string> names;
    const auto session = PortAudioSession::Acquire();
    if (!session) return names;
    for (PaDeviceIndex d : DeviceList(capture))
        names.emplace_back(Pa_GetDeviceInfo(d)->name);
    return names;
}

// The device to open: an index of our list (-1: the default), or, when a name is given, the first
// device of that name.
struct DeviceChoice {
    int index = -1;
    const std::string* name = nullptr;
    std::string Text() const { return name ? *name : std::to_string(index); }
};

// The PortAudio device chosen, or paNoDevice.
PaDeviceIndex ChooseDevice(bool capture, const DeviceChoice& choice) {
    const std::vector<PaDeviceIndex> devices = DeviceList(capture);
    if (choice.name) {
        for (PaDeviceIndex d : devices)
            if (*choice.name == Pa_GetDeviceInfo(d)->name) return d;
        return paNoDevice;
    }
    if (choice.index == -1) return capture ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
    if (choice.index < 0 || choice.index >= static_cast<int>(devices.size())) return paNoDevice;
    return devices[choice.index];
}

// Opens a 48 kHz 16-bit stream in one direction, mono when the device takes it, else two channels.
bool OpenStream(bool capture, const DeviceChoice& choice, PaStreamCallback* callback, void* user,
                PortAudioStream& stream) {
    const PaDeviceIndex device = ChooseDevice(capture, choice);
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    if (!info) {
        stream.error = (capture ? "No capture device " : "No playback device ") + choice.Text();
        return false;
    }
    PaStreamParameters p{};
    p.device = device;
    p.channelCount = 1;
    p.sampleFormat = paInt16;
    p.suggestedLatency = capture ? std::max(info->defaultHighInputLatency, kCaptureLatencySeconds)
                                 : info->defaultHighOutputLatency;
    const int maxChannels = capture ? info->maxInputChannels : info->maxOutputChannels;
    const auto supported = [&] {
        return Pa_IsFormatSupported(capture ? &p : nullptr, capture ? nullptr : &p, kSampleRate) ==
               paFormatIsSupported;
    };
    if (!supported() && maxChannels >= 2) {
        p.channelCount = 2;
        if (!supported()) p.channelCount = 1;  // let the open say why
    }
    PaStream* s = nullptr;
    const PaError e = Pa_OpenStream(&s, capture ? &p : nullptr, capture ? nullptr : &p, kSampleRate,
                                    capture ? kCaptureFramesPerBuffer : kPlaybackFramesPerBuffer, paClipOff,
                                    callback, user);
    if (e != paNoError) {
        stream.error = std::string(info->name) + ": " + Pa_GetErrorText(e);
        return false;
    }
    stream.handle = s;
    stream.channels = p.channelCount;
    return true;
}

// Closes the stream, if any, and lets go of the session.
void CloseDevice(PortAudioStream& stream) {
    if (stream.handle) {
        Pa_AbortStream(stream.handle);  // an error only says it was stopped already
        Pa_CloseStream(stream.handle);
        stream.handle = nullptr;
    }
    stream.session.reset();
}

// Takes the session and opens the device's stream, starting it when asked. On failure the reason is in
// stream.error and nothing is held.
bool OpenDevice(bool capture, const DeviceChoice& choice, PaStreamCallback* callback, void* user,
                bool start, PortAudioStream& stream) {
    stream.session = PortAudioSession::Acquire();
    if (!stream.session) {
        stream.error = "PortAudio could not be initialised";
        return false;
    }
    if (!OpenStream(capture, choice, callback, user, stream)) {
        stream.session.reset();
        return false;
    }
    if (start) {
        const PaError e = Pa_StartStream(stream.handle);
        if (e != paNoError) {
            stream.error = Pa_GetErrorText(e);
            CloseDevice(stream);
            return false;
        }
    }
    stream.error.clear();
    return true;
}

}  // namespace

// ---------------------------------------------------------------- ring

SampleRing::SampleRing(int capacityLog2) {
    if (capacityLog2 < 1 || capacityLog2 > 30) throw std::invalid_argument("SampleRing capacity");
    data_.assign(size_t{1} << capacityLog2, 0);
    mask_ = data_.size() - 1;
}

int SampleRing::Push(const int16_t* samples, int count, int stride) {
    const uint64_t w = write_.load(std::memory_order_relaxed);
    const uint64_t r = read_.load(std::memory_order_acquire);
    const int room = Capacity() - static_cast<int>(w - r);
    const int n = std::clamp(count, 0, room);
    for (int i = 0; i < n; ++i)
        data_[(w + i) & mask_] = samples[static_cast<size_t>(i) * stride];
    write_.store(w + n, std::memory_order_release);
    return n;
}

int SampleRing::Pop(int16_t* out, int count, int channels) {
    const uint64_t r = read_.load(std::memory_order_relaxed);
    const uint64_t w = write_.load(std::memory_order_acquire);
    const int n = std::clamp(count, 0, static_cast<int>(w - r));
    for (int i = 0; i < n; ++i) {
        const int16_t v = data_[(r + i) & mask_];
        for (int c = 0; c < channels; ++c)
            out[static_cast<size_t>(i) * channels + c] = v;
    }
    read_.store(r + n, std::memory_order_release);
    return n;
}

void SampleRing::SkipTo(uint64_t position) {
    const uint64_t r = read_.load(std::memory_order_relaxed);
    const uint64_t w = write_.load(std::memory_order_acquire);
    position = std::min(position, w);
    if (position > r) read_.store(position, std::memory_order_release);
}

// ---------------------------------------------------------------- capture ring

CaptureRing::CaptureRing(int capacityLog2) : ring_(capacityLog2) {}

int CaptureRing::Push(const int16_t* samples, int count, int stride) {
    const int stored = ring_.Push(samples, count, stride);
    if (stored < count) overrun_.fetch_add(count - stored, std::memory_order_relaxed);
    if (notify_) {
        // Taken only if the program has not set another mark meanwhile: that one is checked next time.
        uint64_t at = wakeAt_.load(std::memory_order_acquire);
        if (ring_.WritePosition() >= at && wakeAt_.compare_exchange_strong(at, kNoWake)) notify_();
    }
    return stored;
}

void CaptureRing::ArmWake() {
    if (!notify_) return;
    uint64_t at = kNoWake;
    if (!queue_.empty()) {
        const Slot& head = slots_[queue_.front()];
        at = ring_.ReadPosition() + static_cast<uint64_t>(head.count - static_cast<int>(head.samples.size()));
    }
    wakeAt_.store(at, std::memory_order_release);
}

void CaptureRing::AddBuffer(int buffer, int count) {
    if (buffer < 0) return;
    Slot& slot = slots_[buffer];
    slot.count = std::max(count, 0);
    slot.filled = false;
    slot.samples.clear();
    slot.samples.reserve(slot.count);
    if (std::find(queue_.begin(), queue_.end(), buffer) == queue_.end()) queue_.push_back(buffer);
    ArmWake();
}

bool CaptureRing::IsDone(int buffer) {
    // The device fills its buffers one after the other whichever buffer the program looks at.
    while (!queue_.empty()) {
        Slot& head = slots_[queue_.front()];
        const int have = static_cast<int>(head.samples.size());
        const int take = std::min(head.count - have, ring_.Available());
        if (take > 0) {
            head.samples.resize(have + take);
            ring_.Pop(head.samples.data() + have, take);
        }
        if (static_cast<int>(head.samples.size()) < head.count) break;
        head.filled = true;
        queue_.pop_front();
    }
    ArmWake();
    const auto it = slots_.find(buffer);
    return it != slots_.end() && it->second.filled;
}

const std::vector<int16_t>& CaptureRing::Read(int buffer) const {
    static const std::vector<int16_t> kEmpty;
    const auto it = slots_.find(buffer);
    return it != slots_.end() && it->second.filled ? it->second.samples : kEmpty;
}

void CaptureRing::Reset() {
    queue_.clear();
    for (auto& [buffer, slot] : slots_) {
        slot.filled = false;
        slot.samples.clear();
    }
    ring_.SkipTo(ring_.WritePosition());
    ArmWake();
}

// ---------------------------------------------------------------- playback ring

PlaybackRing::PlaybackRing(int capacityLog2) : ring_(capacityLog2) {}

void PlaybackRing::Write(int buffer, const int16_t* samples, int count) {
    if (buffer < 0) return;
    if (samples && count > 0) ring_.Push(samples, count);
    ends_[buffer] = ring_.WritePosition();
}

bool PlaybackRing::IsDone(int buffer) const {
    const auto it = ends_.find(buffer);
    return it == ends_.end() || ring_.ReadPosition() >= it->second;
}

void PlaybackRing::Reset() {
    dropTo_.store(ring_.WritePosition(), std::memory_order_release);
    ends_.clear();
}

int PlaybackRing::PendingSamples() const {
    const uint64_t from = std::max(ring_.ReadPosition(), dropTo_.load(std::memory_order_acquire));
    return static_cast<int>(ring_.WritePosition() - from);
}

int PlaybackRing::UnheardSamples(Clock::time_point now) const {
    // The time the callback gave belongs to what the program sees played only when the callback has
    // said how far it played; in the moment between, the device's delay stands in for it.
    const uint64_t through = heardThrough_.load(std::memory_order_acquire);
    const Clock::time_point heardAt{Clock::duration(heardAt_.load(std::memory_order_acquire))};
    const int pending = PendingSamples();
    const bool settled = ring_.ReadPosition() == through;
    Clock::duration held = settled ? heardAt - now : Clock::duration::zero();
    if (pending > 0 || !settled)
        held = std::max(held, Clock::duration(delay_.load(std::memory_order_relaxed)));
    return static_cast<int>(
        std::min<int64_t>(int64_t{pending} + SamplesIn(held), std::numeric_limits<int>::max()));
}

int PlaybackRing::Pull(int16_t* out, int frames, int channels, Clock::duration delay, Clock::time_point now) {
    // The delay first: whoever sees these samples played sees it too.
    delay_.store(delay.count(), std::memory_order_relaxed);
    ring_.SkipTo(dropTo_.load(std::memory_order_acquire));
    const int n = ring_.Pop(out, frames, channels);
    std::fill(out + static_cast<size_t>(n) * channels, out + static_cast<size_t>(frames) * channels, 0);
    if (n > 0) {
        const auto playing = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<int64_t, std::ratio<1, kSampleRate>>(n));
        heardAt_.store((now + delay + playing).time_since_epoch().count(), std::memory_order_release);
    }
    heardThrough_.store(ring_.ReadPosition(), std::memory_order_release);
    return n;
}

// ---------------------------------------------------------------- PortAudio

std::shared_ptr<PortAudioSession> PortAudioSession::Acquire() {
    static std::mutex mutex;
    static std::weak_ptr<PortAudioSession> current;
    std::lock_guard<std::mutex> lock(mutex);
    if (auto session = current.lock()) return session;
    static bool silenced = false;
    if (!silenced) {
        SilenceSoundLibraries();
        silenced = true;
    }
    if (Pa_Initialize() != paNoError) return nullptr;
    std::shared_ptr<PortAudioSession> session(new PortAudioSession);
    current = session;
    return session;
}

PortAudioSession::~PortAudioSession() {
    Pa_Terminate();
}

std::vector<std::string> CaptureDeviceNames() {
    return DeviceNames(true);
}

std::vector<std::string> PlaybackDeviceNames() {
    return DeviceNames(false);
}

std::string DefaultPlaybackDeviceName() {
    const auto session = PortAudioSession::Acquire();
    if (!session) return {};
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    return info && info->name ? info->name : std::string();
}

// The callbacks run on PortAudio's thread: they touch nothing but the ring.
struct PortAudioCallbacks {
    static int Capture(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
                       PaStreamCallbackFlags, void* user) {
        auto* self = static_cast<PortAudioSoundInput*>(user);
        if (input)
            self->ring_.Push(static_cast<const int16_t*>(input), static_cast<int>(frames),
                             self->stream_.channels);
        return paContinue;
    }
    static int Playback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo* time,
                        PaStreamCallbackFlags, void* user) {
        auto* self = static_cast<PortAudioSoundOutput*>(user);
        self->ring_.Pull(static_cast<int16_t*>(output), static_cast<int>(frames), self->stream_.channels,
                         OutputDelay(time, self->outputLatency_.load(std::memory_order_relaxed)),
                         Clock::now());
        return paContinue;
    }
};

PortAudioSoundInput::PortAudioSoundInput() = default;

PortAudioSoundInput::~PortAudioSoundInput() {
    Close();
}

bool PortAudioSoundInput::Open(int deviceIndex) {
    Close();  // which also empties the ring
    return OpenDevice(true, {deviceIndex}, &PortAudioCallbacks::Capture, this, /*start*/ false, stream_);
}

bool PortAudioSoundInput::OpenNamed(const std::string& name) {
    Close();
    return OpenDevice(true, {-1, &name}, &PortAudioCallbacks::Capture, this, /*start*/ false, stream_);
}

void PortAudioSoundInput::AddBuffer(int buffer, int count) {
    if (stream_.handle) ring_.AddBuffer(buffer, count);
}

void PortAudioSoundInput::Start() {
    if (!stream_.handle || started_) return;
    const PaError e = Pa_StartStream(stream_.handle);
    if (e != paNoError) {
        stream_.error = Pa_GetErrorText(e);
        return;
    }
    started_ = true;
}

bool PortAudioSoundInput::IsDone(int buffer) const {
    return ring_.IsDone(buffer);
}

const std::vector<int16_t>& PortAudioSoundInput::Read(int buffer) const {
    return ring_.Read(buffer);
}

void PortAudioSoundInput::Reset() {
    if (stream_.handle && started_) Pa_AbortStream(stream_.handle);
    started_ = false;
    ring_.Reset();
}

void PortAudioSoundInput::Close() {
    CloseDevice(stream_);
    started_ = false;
    ring_.Reset();
}

bool PortAudioSoundInput::SetFilledNotifier(std::function<void()> notify) {
    ring_.SetFilledNotifier(std::move(notify));
    return true;
}

PortAudioSoundOutput::PortAudioSoundOutput() = default;

PortAudioSoundOutput::~PortAudioSoundOutput() {
    Close();
}

bool PortAudioSoundOutput::Open(int deviceIndex) {
    return OpenChosen(deviceIndex, nullptr);
}

bool PortAudioSoundOutput::OpenNamed(const std::string& name) {
    return OpenChosen(-1, &name);
}

bool PortAudioSoundOutput::OpenChosen(int deviceIndex, const std::string* name) {
    Close();  // which also empties the ring
    outputLatency_.store(0, std::memory_order_relaxed);
    if (!OpenDevice(false, {deviceIndex, name}, &PortAudioCallbacks::Playback, this, /*start*/ true, stream_))
        return false;
    if (const PaStreamInfo* info = Pa_GetStreamInfo(stream_.handle))
        outputLatency_.store(info->outputLatency, std::memory_order_relaxed);
    return true;
}

void PortAudioSoundOutput::Write(int buffer, const int16_t* samples, int count) {
    if (stream_.handle) ring_.Write(buffer, samples, count);
}

bool PortAudioSoundOutput::IsDone(int buffer) const {
    return ring_.IsDone(buffer);
}

void PortAudioSoundOutput::Reset() {
    ring_.Reset();
}

void PortAudioSoundOutput::Close() {
    CloseDevice(stream_);
    ring_.Reset();
}

int PortAudioSoundOutput::PendingSamples() const {
    return ring_.PendingSamples();
}

int PortAudioSoundOutput::UnheardSamples() const {
    // A closed stream has dropped whatever it held.
    return stream_.handle ? ring_.UnheardSamples(Clock::now()) : 0;
}

}  // namespace muv
