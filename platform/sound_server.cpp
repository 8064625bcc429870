#include "platform/sound_server.h"

#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>

namespace muv {

namespace {

constexpr pa_sample_spec kSampleSpec = {PA_SAMPLE_S16LE, kSampleRate, 1};
constexpr uint32_t kBytesPerFrame = 2;
constexpr uint32_t kServersChoice = static_cast<uint32_t>(-1);
// How long the server has to answer a connection, the first look at its devices or a stream's opening.
constexpr pa_usec_t kAnswerMicroseconds = 5 * PA_USEC_PER_SEC;
// Capture: the receiver takes its audio 64 ms at a time and nothing waits on it sooner, so the server
// hands over 0.3 s at once and lets its source run with as long a period: the machine is woken about
// three times a second for it, and a busy moment costs no samples. What the program has not yet taken
// waits in the ring (seconds of it).
constexpr uint32_t kCaptureFragmentFrames = kSampleRate * 3 / 10;
// Playback: the server keeps about 100 ms ahead of its sink and asks for more every 20 ms or so, so
// that the first tones follow the key promptly and a busy moment does not starve the sink.
constexpr uint32_t kPlaybackTargetFrames = kSampleRate / 10;
constexpr uint32_t kPlaybackRequestFrames = kSampleRate / 50;

using Clock = PlaybackRing::Clock;

pa_volume_t ServerVolume(int32_t level) {
    const double v = std::clamp(level, 0, 65535) * static_cast<double>(PA_VOLUME_NORM) / 65535;
    return static_cast<pa_volume_t>(std::lround(v));
}

int32_t Level(const pa_cvolume& volume) {
    const double v = pa_cvolume_max(&volume) * 65535.0 / static_cast<double>(PA_VOLUME_NORM);
    return static_cast<int32_t>(std::min<long>(std::lround(v), 65535));
}

int AlsaCard(const pa_proplist* properties) {
    const char* card = properties ? pa_proplist_gets(properties, "alsa.card") : nullptr;
    if (!card || *card < '0' || *card > '9') return -1;
    return std::atoi(card);
}

}  // namespace

// The server's devices as it last reported them, kept by the library's thread; read and written only
// with the library's lock held.
struct SoundServer::State {
    struct Sink {
        ServerDevice device;
        pa_cvolume volume{};
    };
    std::map<uint32_t, Sink> sinks;
    std::map<uint32_t, ServerDevice> sources;
    std::string defaultSink;
    std::string defaultSource;
    // Changes the program has asked of a sink that the server has not yet confirmed: until then what
    // the server reports of that sink's volume and mute may be older than what was asked.
    std::map<std::string, int> unconfirmed;
    bool timedOut = false;
};

// The library's lock, held while the program touches the connection or its streams.
class SoundServer::Lock {
public:
    explicit Lock(const SoundServer& server) : loop_(server.loop_) { pa_threaded_mainloop_lock(loop_); }
    ~Lock() { pa_threaded_mainloop_unlock(loop_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

// Everything the library runs on its own thread, with its lock held.
struct ServerCallbacks {
    static void Signal(SoundServer& server) { pa_threaded_mainloop_signal(server.loop_, 0); }

    static void ContextChanged(pa_context*, void* server) { Signal(*static_cast<SoundServer*>(server)); }

    static void TimedOut(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* server) {
        auto& s = *static_cast<SoundServer*>(server);
        s.state_->timedOut = true;
        Signal(s);
    }

    static void SinkReported(pa_context*, const pa_sink_info* info, int, void* server) {
        auto& s = *static_cast<SoundServer*>(server);
        if (info) {
            SoundServer::State& state = *s.state_;
            auto& sink = state.sinks[info->index];
            ServerDevice& d = sink.device;
            d.name = info->name ? info->name : "";
            d.description = info->description && *info->description ? info->description : d.name;
            d.index = info->index;
            d.hardware = (info->flags & PA_SINK_HARDWARE) != 0;
            d.alsaCard = AlsaCard(info->proplist);
            // A change that the program asked for and the server has not yet confirmed is newer.
            if (!state.unconfirmed.count(d.name)) {
                sink.volume = info->volume;
                d.volume = Level(info->volume);
                d.muted = info->mute != 0;
            }
        }
        Signal(s);
    }

    static void SourceReported(pa_context*, const pa_source_info* info, int, void* server) {
        auto& s = *static_cast<SoundServer*>(server);
        if (info) {
            ServerDevice& d = s.state_->sources[info->index];
            d.name = info->name ? info->name : "";
            d.description = info->description && *info->description ? info->description : d.name;
            d.index = info->index;
            d.hardware = (info->flags & PA_SOURCE_HARDWARE) != 0;
            d.alsaCard = AlsaCard(info->proplist);
            if (info->monitor_of_sink != PA_INVALID_INDEX) {
                d.monitorOf = info->monitor_of_sink;
            } else {
                d.monitorOf.reset();
            }
        }
        Signal(s);
    }

    static void ServerReported(pa_context*, const pa_server_info* info, void* server) {
        auto& s = *static_cast<SoundServer*>(server);
        if (info) {
            s.state_->defaultSink = info->default_sink_name ? info->default_sink_name : "";
            s.state_->defaultSource = info->default_source_name ? info->default_source_name : "";
        }
        Signal(s);
    }

    // The server reports a change: the device, or the defaults, are asked for anew.
    static void Changed(pa_context* context, pa_subscription_event_type_t event, uint32_t index,
                        void* server) {
        auto& s = *static_cast<SoundServer*>(server);
        const unsigned facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const bool removed = (event & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE;
        pa_operation* asked = nullptr;
        if (facility == PA_SUBSCRIPTION_EVENT_SINK) {
            if (removed) {
                s.state_->sinks.erase(index);
            } else {
                asked = pa_context_get_sink_info_by_index(context, index, &SinkReported, server);
            }
        } else if (facility == PA_SUBSCRIPTION_EVENT_SOURCE) {
            if (removed) {
                s.state_->sources.erase(index);
            } else {
                asked = pa_context_get_source_info_by_index(context, index, &SourceReported, server);
            }
        } else if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
            asked = pa_context_get_server_info(context, &ServerReported, server);
        }
        if (asked) pa_operation_unref(asked);
    }

    // A change asked of a sink, until the server has carried it out.
    struct SinkChange {
        SoundServer* server;
        std::string sink;
    };
    static void SinkChanged(pa_context*, int, void* change) {
        auto* c = static_cast<SinkChange*>(change);
        auto& unconfirmed = c->server->state_->unconfirmed;
        const auto it = unconfirmed.find(c->sink);
        if (it != unconfirmed.end() && --it->second <= 0) unconfirmed.erase(it);
        Signal(*c->server);
        delete c;
    }

    static void StreamChanged(pa_stream* stream, void* self) {
        auto* s = static_cast<ServerStream*>(self);
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
            s->failed_.store(true, std::memory_order_release);
        Signal(*s->server_);
    }

    // Capture: what the server has recorded goes into the ring; a gap it reports (samples lost before
    // they reached the program) goes in as silence, so that what follows keeps its time.
    static void Recorded(pa_stream* stream, size_t, void* self) {
        static constexpr std::array<int16_t, 1024> kSilence{};
        auto* input = static_cast<ServerSoundInput*>(self);
        while (pa_stream_readable_size(stream) > 0) {
            const void* data = nullptr;
            size_t bytes = 0;
            if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) return;
            const int samples = static_cast<int>(bytes / kBytesPerFrame);
            if (data) {
                input->ring_.Push(static_cast<const int16_t*>(data), samples);
            } else {
                for (int done = 0; done < samples; done += static_cast<int>(kSilence.size()))
                    input->ring_.Push(kSilence.data(), std::min<int>(samples - done, kSilence.size()));
            }
            pa_stream_drop(stream);
        }
    }

    // Playback: the server has room for `bytes` more; it gets the queued samples, then silence. The
    // latency it gives is the time until the first sample written now is played.
    static void Wanted(pa_stream* stream, size_t bytes, void* self) {
        auto* output = static_cast<ServerSoundOutput*>(self);
        void* data = nullptr;
        size_t size = bytes;
        if (pa_stream_begin_write(stream, &data, &size) < 0 || !data) return;
        const int frames = static_cast<int>(size / kBytesPerFrame);
        if (frames == 0) {
            pa_stream_cancel_write(stream);
            return;
        }
        pa_usec_t latency = 0;
        int negative = 0;
        Clock::duration delay =
            std::chrono::microseconds(output->bufferedMicroseconds_.load(std::memory_order_relaxed));
        if (pa_stream_get_latency(stream, &latency, &negative) == 0)
            delay = negative ? Clock::duration::zero() : Clock::duration(std::chrono::microseconds(latency));
        output->ring_.Pull(static_cast<int16_t*>(data), frames, 1, delay, Clock::now());
        pa_stream_write(stream, data, static_cast<size_t>(frames) * kBytesPerFrame, nullptr, 0,
                        PA_SEEK_RELATIVE);
    }
};

// ---------------------------------------------------------------- the connection

SoundServer::SoundServer() : state_(std::make_unique<State>()) {}

SoundServer::~SoundServer() {
    if (context_) {
        if (running_) pa_threaded_mainloop_lock(loop_);
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_set_subscribe_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        if (running_) pa_threaded_mainloop_unlock(loop_);
    }
    if (loop_) {
        if (running_) pa_threaded_mainloop_stop(loop_);
        pa_threaded_mainloop_free(loop_);
    }
}

std::shared_ptr<SoundServer> SoundServer::Connect() {
    std::shared_ptr<SoundServer> server(new SoundServer);
    if (!server->Start()) return nullptr;
    return server;
}

template <class Done>
bool SoundServer::WaitFor(Done done) {
    state_->timedOut = false;
    pa_time_event* timer = pa_context_rttime_new(context_, pa_rtclock_now() + kAnswerMicroseconds,
                                                 &ServerCallbacks::TimedOut, this);
    bool met = false;
    while (!(met = done()) && !state_->timedOut)
        pa_threaded_mainloop_wait(loop_);
    if (timer) pa_threaded_mainloop_get_api(loop_)->time_free(timer);
    return met;
}

bool SoundServer::Start() {
    loop_ = pa_threaded_mainloop_new();
    if (!loop_) return false;
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "MUV");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "muv");
    context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "MUV", properties);
    pa_proplist_free(properties);
    if (!context_) return false;
    pa_context_set_state_callback(context_, &ServerCallbacks::ContextChanged, this);
    pa_context_set_subscribe_callback(context_, &ServerCallbacks::Changed, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return false;
    if (pa_threaded_mainloop_start(loop_) < 0) return false;
    running_ = true;

    Lock lock(*this);
    const bool settled = WaitFor([this] {
        const pa_context_state_t s = pa_context_get_state(context_);
        return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
    });
    if (!settled || pa_context_get_state(context_) != PA_CONTEXT_READY) return false;
    // Changes are reported from here on; the first picture is asked for after, so that none is missed.
    const auto mask = static_cast<pa_subscription_mask_t>(
        PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER);
    const std::array<pa_operation*, 4> asked = {
        pa_context_subscribe(context_, mask, nullptr, nullptr),
        pa_context_get_server_info(context_, &ServerCallbacks::ServerReported, this),
        pa_context_get_sink_info_list(context_, &ServerCallbacks::SinkReported, this),
        pa_context_get_source_info_list(context_, &ServerCallbacks::SourceReported, this)};
    const bool answered = WaitFor([&] {
        for (pa_operation* op : asked)
            if (op && pa_operation_get_state(op) == PA_OPERATION_RUNNING) return false;
        return true;
    });
    bool complete = answered;
    for (pa_operation* op : asked) {
        if (op) {
            pa_operation_unref(op);
        } else {
            complete = false;
        }
    }
    return complete;
}

bool SoundServer::Connected() const {
    Lock lock(*this);
    return pa_context_get_state(context_) == PA_CONTEXT_READY;
}

std::vector<ServerDevice> SoundServer::Sinks() const {
    Lock lock(*this);
    std::vector<ServerDevice> sinks;
    for (const auto& entry : state_->sinks)
        sinks.push_back(entry.second.device);
    return sinks;
}

std::vector<ServerDevice> SoundServer::Sources() const {
    Lock lock(*this);
    std::vector<ServerDevice> sources;
    for (const auto& entry : state_->sources)
        sources.push_back(entry.second);
    return sources;
}

std::optional<ServerDevice> SoundServer::Sink(const std::string& name) const {
    Lock lock(*this);
    for (const auto& entry : state_->sinks)
        if (entry.second.device.name == name) return entry.second.device;
    return std::nullopt;
}

std::string SoundServer::DefaultSink() const {
    Lock lock(*this);
    return state_->defaultSink;
}

std::string SoundServer::DefaultSource() const {
    Lock lock(*this);
    return state_->defaultSource;
}

bool SoundServer::SetSinkVolume(const std::string& name, int32_t level) {
    return SetSink(name, level, std::nullopt);
}

bool SoundServer::SetSinkMute(const std::string& name, bool muted) {
    return SetSink(name, std::nullopt, muted);
}

bool SoundServer::SetSink(const std::string& name, std::optional<int32_t> level, std::optional<bool> muted) {
    Lock lock(*this);
    if (pa_context_get_state(context_) != PA_CONTEXT_READY) return false;
    const auto it = std::find_if(state_->sinks.begin(), state_->sinks.end(),
                                 [&](const auto& entry) { return entry.second.device.name == name; });
    if (it == state_->sinks.end()) return false;
    State::Sink& sink = it->second;
    auto* change = new ServerCallbacks::SinkChange{this, name};
    pa_operation* op = nullptr;
    if (level) {
        pa_cvolume volume = sink.volume;
        if (!pa_cvolume_valid(&volume)) pa_cvolume_set(&volume, 1, PA_VOLUME_MUTED);
        pa_cvolume_scale(&volume, ServerVolume(*level));
        op = pa_context_set_sink_volume_by_name(context_, name.c_str(), &volume,
                                                &ServerCallbacks::SinkChanged, change);
        if (op) {
            sink.volume = volume;
            sink.device.volume = Level(volume);
        }
    } else if (muted) {
        op = pa_context_set_sink_mute_by_name(context_, name.c_str(), *muted ? 1 : 0,
                                              &ServerCallbacks::SinkChanged, change);
        if (op) sink.device.muted = *muted;
    }
    if (!op) {
        delete change;
        return false;
    }
    ++state_->unconfirmed[name];
    pa_operation_unref(op);
    return true;
}

// ---------------------------------------------------------------- streams

ServerStream::~ServerStream() {
    Disconnect();
}

const std::string& ServerStream::Error() const {
    if (stream_ && failed_.load(std::memory_order_acquire) && error_.empty())
        error_ = device_ + ": the sound server ended the stream";
    return error_;
}

template <class F>
void ServerStream::WithStream(F f) {
    if (!stream_) return;
    SoundServer::Lock lock(*server_);
    f(stream_);
}

bool ServerStream::Connect(Direction direction, const std::string& device, const std::string& streamName,
                           const char* role, void (*moved)(pa_stream*, size_t, void*), void* user) {
    Disconnect();
    error_.clear();
    failed_.store(false);
    device_ = device.empty() ? std::string("the sound server's default device") : device;
    SoundServer& server = *server_;
    SoundServer::Lock lock(server);
    if (pa_context_get_state(server.context_) != PA_CONTEXT_READY) {
        error_ = device_ + ": the sound server is gone";
        return false;
    }
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_MEDIA_NAME, streamName.c_str());
    if (role) pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, role);
    pa_stream* stream =
        pa_stream_new_with_proplist(server.context_, streamName.c_str(), &kSampleSpec, nullptr, properties);
    pa_proplist_free(properties);
    if (!stream) {
        error_ = device_ + ": " + pa_strerror(pa_context_errno(server.context_));
        return false;
    }
    pa_stream_set_state_callback(stream, &ServerCallbacks::StreamChanged, this);
    // A device named is the device played on or recorded from: never another one that the server's own
    // rules would pick.
    const char* name = device.empty() ? nullptr : device.c_str();
    int connected;
    if (direction == Direction::Capture) {
        pa_stream_set_read_callback(stream, moved, user);
        const pa_buffer_attr attr = {kServersChoice, kServersChoice, kServersChoice, kServersChoice,
                                     kCaptureFragmentFrames * kBytesPerFrame};
        connected = pa_stream_connect_record(
            stream, name, &attr,
            static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY));
    } else {
        pa_stream_set_write_callback(stream, moved, user);
        const pa_buffer_attr attr = {kServersChoice, kPlaybackTargetFrames * kBytesPerFrame, kServersChoice,
                                     kPlaybackRequestFrames * kBytesPerFrame, kServersChoice};
        connected = pa_stream_connect_playback(
            stream, name, &attr,
            static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                           PA_STREAM_AUTO_TIMING_UPDATE),
            nullptr, nullptr);
    }
    pa_stream_state_t state = PA_STREAM_FAILED;
    bool answered = false;
    if (connected == 0)
        answered = server.WaitFor([&] {
            state = pa_stream_get_state(stream);
            return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
        });
    if (state != PA_STREAM_READY) {
        const int why = pa_context_errno(server.context_);
        error_ = device_ + ": " + (answered && why ? pa_strerror(why) : "the sound server did not answer");
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_read_callback(stream, nullptr, nullptr);
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        failed_.store(false);
        return false;
    }
    stream_ = stream;
    return true;
}

void ServerStream::Disconnect() {
    if (!stream_) return;
    SoundServer::Lock lock(*server_);
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
}

// ---------------------------------------------------------------- capture

ServerSoundInput::ServerSoundInput(std::shared_ptr<SoundServer> server) : ServerStream(std::move(server)) {}

ServerSoundInput::~ServerSoundInput() {
    Close();
}

bool ServerSoundInput::OpenDevice(const std::string& source) {
    Close();  // which also empties the ring
    return Connect(Direction::Capture, source, "MUV reception", nullptr, &ServerCallbacks::Recorded, this);
}

bool ServerSoundInput::Open(int deviceIndex) {
    if (deviceIndex == -1) return OpenDevice({});
    Close();
    error_ = "No capture device " + std::to_string(deviceIndex);
    return false;
}

void ServerSoundInput::AddBuffer(int buffer, int count) {
    if (IsOpen()) ring_.AddBuffer(buffer, count);
}

void ServerSoundInput::Start() {
    if (!IsOpen() || started_) return;
    WithStream([](pa_stream* s) {
        if (pa_operation* op = pa_stream_cork(s, 0, nullptr, nullptr)) pa_operation_unref(op);
    });
    started_ = true;
}

bool ServerSoundInput::IsDone(int buffer) const {
    return ring_.IsDone(buffer);
}

const std::vector<int16_t>& ServerSoundInput::Read(int buffer) const {
    return ring_.Read(buffer);
}

void ServerSoundInput::Reset() {
    if (started_) {
        WithStream([](pa_stream* s) {
            if (pa_operation* op = pa_stream_cork(s, 1, nullptr, nullptr)) pa_operation_unref(op);
            if (pa_operation* op = pa_stream_flush(s, nullptr, nullptr)) pa_operation_unref(op);
        });
    }
    started_ = false;
    ring_.Reset();
}

void ServerSoundInput::Close() {
    Disconnect();
    started_ = false;
    ring_.Reset();
}

bool ServerSoundInput::SetFilledNotifier(std::function<void()> notify) {
    ring_.SetFilledNotifier(std::move(notify));
    return true;
}

// ---------------------------------------------------------------- playback

ServerSoundOutput::ServerSoundOutput(std::shared_ptr<SoundServer> server, std::string streamName,
                                     const char* role)
    : ServerStream(std::move(server)), streamName_(std::move(streamName)), role_(role) {}

ServerSoundOutput::~ServerSoundOutput() {
    Close();
}

bool ServerSoundOutput::OpenDevice(const std::string& sink) {
    Close();  // which also empties the ring
    bufferedMicroseconds_.store(static_cast<int64_t>(kPlaybackTargetFrames) * 1000000 / kSampleRate);
    return Connect(Direction::Playback, sink, streamName_, role_, &ServerCallbacks::Wanted, this);
}

bool ServerSoundOutput::Open(int deviceIndex) {
    if (deviceIndex == -1) return OpenDevice({});
    Close();
    error_ = "No playback device " + std::to_string(deviceIndex);
    return false;
}

void ServerSoundOutput::Write(int buffer, const int16_t* samples, int count) {
    if (IsOpen()) ring_.Write(buffer, samples, count);
}

bool ServerSoundOutput::IsDone(int buffer) const {
    return ring_.IsDone(buffer);
}

void ServerSoundOutput::Reset() {
    ring_.Reset();
}

void ServerSoundOutput::Close() {
    Disconnect();
    ring_.Reset();
}

int ServerSoundOutput::PendingSamples() const {
    return ring_.PendingSamples();
}

int ServerSoundOutput::UnheardSamples() const {
    // A closed stream has dropped whatever it held.
    return IsOpen() ? ring_.UnheardSamples(Clock::now()) : 0;
}

}  // namespace muv
