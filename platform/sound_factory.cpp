#include "platform/sound_factory.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/alarm_output_pa.h"
#include "platform/alsa_mixer.h"
#include "platform/portaudio_sound.h"
#include "platform/sound_server.h"
#include "platform/wav_sound.h"

namespace muv {

namespace {

// The value of an environment variable that is set and not empty.
std::string Setting(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : "";
}

// ALSA's devices that are the sound server itself: its default device again.
bool IsServersOwnAlsaDevice(const std::string& name) {
    return name == "pulse" || name == "pipewire" || name == "default";
}

// What the server's default device is stored as; without a server, ALSA's default device, which is
// stored by the same name.
const std::string kDefault = "default";

using Kind = SoundSystem::Kind;

// A capture device on the list: the server's, PortAudio's, or nothing until it opens.
class SystemSoundInput : public SoundInputDevice {
public:
    explicit SystemSoundInput(std::shared_ptr<SoundSystem> system) : system_(std::move(system)) {}

    bool Open(int deviceIndex) override {
        Close();
        error_.clear();
        const std::optional<SoundSystem::Entry> entry = system_->CaptureEntry(deviceIndex);
        if (!entry) {
            error_ = "No capture device " + std::to_string(deviceIndex);
            return false;
        }
        bool opened = false;
        if (entry->kind == Kind::Alsa) {
            open_ = &alsa_;
            opened = deviceIndex == -1 ? alsa_.Open(-1) : alsa_.OpenNamed(entry->stored);
        } else {
            const std::shared_ptr<SoundServer> server = system_->Server(true);
            if (!server) {
                error_ = entry->shown + ": the sound server does not answer";
                return false;
            }
            if (!server_ || server_->Server() != server) {
                server_ = std::make_unique<ServerSoundInput>(server);
                if (notify_) server_->SetFilledNotifier(notify_);
            }
            open_ = server_.get();
            opened = server_->OpenDevice(entry->kind == Kind::ServerDefault ? server->DefaultSource()
                                                                            : entry->stored);
        }
        if (!opened) {
            error_ = open_->LastError();
            open_ = nullptr;
        }
        return opened;
    }
    void AddBuffer(int buffer, int count) override {
        if (open_) open_->AddBuffer(buffer, count);
    }
    void Start() override {
        if (open_) open_->Start();
    }
    bool IsDone(int buffer) const override { return open_ && open_->IsDone(buffer); }
    const std::vector<int16_t>& Read(int buffer) const override {
        static const std::vector<int16_t> kNothing;
        return open_ ? open_->Read(buffer) : kNothing;
    }
    void Reset() override {
        if (open_) open_->Reset();
    }
    void Close() override {
        if (open_) open_->Close();
        open_ = nullptr;
    }
    bool SetFilledNotifier(std::function<void()> notify) override {
        notify_ = notify;
        alsa_.SetFilledNotifier(notify);
        if (server_) server_->SetFilledNotifier(notify);
        return true;
    }
    const std::string& LastError() const override { return open_ ? open_->LastError() : error_; }

private:
    std::shared_ptr<SoundSystem> system_;
    PortAudioSoundInput alsa_;
    std::unique_ptr<ServerSoundInput> server_;
    SoundInputDevice* open_ = nullptr;
    std::function<void()> notify_;
    std::string error_;
};

// A playback device on the list. The transmitter's tells the system what it plays on while open.
class SystemSoundOutput : public SoundOutputDevice {
public:
    SystemSoundOutput(std::shared_ptr<SoundSystem> system, bool alarm)
        : system_(std::move(system)), alarm_(alarm) {}
    ~SystemSoundOutput() override { Close(); }

    bool Open(int deviceIndex) override {
        Close();
        error_.clear();
        const std::optional<SoundSystem::Entry> entry = system_->PlaybackEntry(deviceIndex);
        if (!entry) {
            error_ = "No playback device " + std::to_string(deviceIndex);
            return false;
        }
        bool opened = false;
        std::string target;
        if (entry->kind == Kind::Alsa) {
            open_ = &alsa_;
            opened = deviceIndex == -1 ? alsa_.Open(-1) : alsa_.OpenNamed(entry->stored);
            target = "alsa " + entry->stored;
        } else {
            const std::shared_ptr<SoundServer> server = system_->Server(true);
            if (!server) {
                error_ = entry->shown + ": the sound server does not answer";
                return false;
            }
            if (!server_ || server_->Server() != server)
                server_ = std::make_unique<ServerSoundOutput>(
                    server, alarm_ ? "MUV alarm" : "MUV transmission", alarm_ ? "event" : nullptr);
            // The server's default as it is now, named: played on exactly, and compared as what it is.
            const std::string sink =
                entry->kind == Kind::ServerDefault ? server->DefaultSink() : entry->stored;
            open_ = server_.get();
            opened = server_->OpenDevice(sink);
            target = "sink " + sink;
        }
        if (!opened) {
            error_ = open_->LastError();
            open_ = nullptr;
            return false;
        }
        if (!alarm_) system_->SetPlaying(this, target);
        return true;
    }
    void Write(int buffer, const int16_t* samples, int count) override {
        if (open_) open_->Write(buffer, samples, count);
    }
    bool IsDone(int buffer) const override { return !open_ || open_->IsDone(buffer); }
    void Reset() override {
        if (open_) open_->Reset();
    }
    void Close() override {
        if (open_) open_->Close();
        open_ = nullptr;
        if (!alarm_) system_->SetPlaying(this, std::nullopt);
    }
    int PendingSamples() const override { return open_ ? open_->PendingSamples() : 0; }
    int UnheardSamples() const override { return open_ ? open_->UnheardSamples() : 0; }
    const std::string& LastError() const override { return open_ ? open_->LastError() : error_; }

private:
    std::shared_ptr<SoundSystem> system_;
    bool alarm_;
    PortAudioSoundOutput alsa_;
    std::unique_ptr<ServerSoundOutput> server_;
    SoundOutputDevice* open_ = nullptr;
    std::string error_;
};

// A sink's volume and mute on the server, for the wave-out and speaker lines; the sources, where the sink
// is a sound card's, on that card's ALSA mixer.
class ServerSinkMixer : public OpenMixer {
public:
    ServerSinkMixer(std::shared_ptr<SoundServer> server, ServerDevice sink)
        : server_(std::move(server)), sink_(std::move(sink)) {}

    bool FindMixerControl(MixerLine line, MixerControlType type) override {
        if (OnSink(line)) return true;
        OpenMixer* card = Card();
        return card && card->FindMixerControl(line, type);
    }
    std::optional<int32_t> GetMixerControlValue(MixerLine line, MixerControlType type) override {
        if (OnSink(line)) return type == MixerControlType::Mute ? int32_t{sink_.muted} : sink_.volume;
        OpenMixer* card = Card();
        return card ? card->GetMixerControlValue(line, type) : std::nullopt;
    }
    bool SetMixerControlValue(MixerLine line, MixerControlType type, int32_t value) override {
        if (!OnSink(line)) {
            OpenMixer* card = Card();
            return card && card->SetMixerControlValue(line, type, value);
        }
        if (type == MixerControlType::Mute) {
            if (!server_->SetSinkMute(sink_.name, value != 0)) return false;
            sink_.muted = value != 0;
            return true;
        }
        if (!server_->SetSinkVolume(sink_.name, value)) return false;
        sink_.volume = std::clamp(value, 0, 65535);
        return true;
    }

private:
    static bool OnSink(MixerLine line) { return line == MixerLine::WaveOut || line == MixerLine::Speakers; }
    OpenMixer* Card() {
        if (!cardLooked_) {
            cardLooked_ = true;
            card_ = AlsaMixer::OpenCard(sink_.alsaCard);
        }
        return card_.get();
    }

    std::shared_ptr<SoundServer> server_;
    ServerDevice sink_;
    bool cardLooked_ = false;
    std::unique_ptr<OpenMixer> card_;
};

// The mixer of the playback device at an index of the list.
class SystemMixer : public Mixer {
public:
    explicit SystemMixer(std::shared_ptr<SoundSystem> system) : system_(std::move(system)) {}

    std::unique_ptr<OpenMixer> Open(int number) override {
        const std::optional<SoundSystem::Entry> entry = system_->PlaybackEntry(number);
        if (!entry) return nullptr;
        if (entry->kind == Kind::Alsa) return AlsaMixer({entry->stored}).Open(0);
        // Never a new connection here: the volume timer asks five times a second.
        const std::shared_ptr<SoundServer> server = system_->Server(false);
        if (!server) return nullptr;
        std::optional<ServerDevice> sink =
            server->Sink(entry->kind == Kind::ServerDefault ? server->DefaultSink() : entry->stored);
        if (!sink) return nullptr;
        return std::make_unique<ServerSinkMixer>(server, std::move(*sink));
    }

private:
    std::shared_ptr<SoundSystem> system_;
};

}  // namespace

std::shared_ptr<SoundSystem> SoundSystem::Make() {
    return std::shared_ptr<SoundSystem>(
        new SoundSystem(Setting("MUV_SOUND_INPUT"), Setting("MUV_SOUND_OUTPUT")));
}

SoundSystem::SoundSystem(std::string inputFile, std::string outputFile)
    : inputFile_(std::move(inputFile)), outputFile_(std::move(outputFile)) {}

std::shared_ptr<SoundServer> SoundSystem::Server(bool lookAgain) {
    if (server_ && server_->Connected()) return server_;
    if (looked_ && !lookAgain) return nullptr;
    looked_ = true;
    server_ = SoundServer::Connect();
    return server_;
}

SoundDeviceList SoundSystem::List(bool capture) {
    std::vector<Entry> entries;
    SoundDeviceList list;
    const std::string& file = capture ? inputFile_ : outputFile_;
    if (!file.empty()) {
        entries.push_back({Kind::File, file, file});
    } else {
        const std::vector<std::string> alsa = capture ? CaptureDeviceNames() : PlaybackDeviceNames();
        if (const std::shared_ptr<SoundServer> server = Server(true)) {
            entries.push_back({Kind::ServerDefault, kDefault, kDefault});
            const std::vector<ServerDevice> sinks = server->Sinks();
            for (const ServerDevice& d : capture ? server->Sources() : sinks) {
                const bool cardsMonitor =
                    d.monitorOf && std::any_of(sinks.begin(), sinks.end(), [&](const ServerDevice& sink) {
                        return sink.index == *d.monitorOf && sink.hardware;
                    });
                if (!cardsMonitor) entries.push_back({Kind::Server, d.description, d.name});
            }
            for (const std::string& name : alsa) {
                if (!IsServersOwnAlsaDevice(name)) entries.push_back({Kind::Alsa, name, name});
                list.formerIndexes.push_back(IsServersOwnAlsaDevice(name) ? kDefault : name);
            }
        } else {
            for (const std::string& name : alsa)
                entries.push_back({Kind::Alsa, name, name});
        }
    }
    for (const Entry& e : entries)
        list.devices.push_back({e.shown, e.stored});
    (capture ? capture_ : playback_) = std::move(entries);
    return list;
}

SoundDeviceList SoundSystem::CaptureDevices() {
    return List(true);
}

SoundDeviceList SoundSystem::PlaybackDevices() {
    return List(false);
}

std::optional<SoundSystem::Entry> SoundSystem::EntryAt(bool capture, int index) {
    std::optional<std::vector<Entry>>& entries = capture ? capture_ : playback_;
    if (!entries) List(capture);
    if (index == -1) {
        // The system's default: the server's when there is one.
        if (!entries->empty() && entries->front().kind != Kind::Alsa) return entries->front();
        return Entry{Kind::Alsa, kDefault, ""};
    }
    if (index < 0 || index >= static_cast<int>(entries->size())) return std::nullopt;
    return (*entries)[static_cast<size_t>(index)];
}

std::optional<SoundSystem::Entry> SoundSystem::CaptureEntry(int index) {
    return EntryAt(true, index);
}

std::optional<SoundSystem::Entry> SoundSystem::PlaybackEntry(int index) {
    return EntryAt(false, index);
}

int SoundSystem::PlaybackCount() {
    if (!playback_) List(false);
    return static_cast<int>(playback_->size());
}

int SoundSystem::DefaultPlaybackIndex() {
    if (!playback_) List(false);
    if (playback_->empty()) return -1;
    if (playback_->front().kind == Kind::ServerDefault) return 0;
    const std::string name = DefaultPlaybackDeviceName();
    for (size_t i = 0; i < playback_->size(); ++i)
        if ((*playback_)[i].kind == Kind::Alsa && (*playback_)[i].stored == name) return static_cast<int>(i);
    return -1;
}

std::string SoundSystem::PlaysOn(int index) {
    const std::optional<Entry> entry = index < 0 ? std::nullopt : PlaybackEntry(index);
    if (!entry) return {};
    switch (entry->kind) {
        case Kind::ServerDefault: {
            const std::shared_ptr<SoundServer> server = Server(false);
            return "sink " + (server ? server->DefaultSink() : std::string());
        }
        case Kind::Server:
            return "sink " + entry->stored;
        case Kind::Alsa:
            return "alsa " + entry->stored;
        case Kind::File:
            return "file " + entry->stored;
    }
    return {};
}

void SoundSystem::SetPlaying(const void* output, std::optional<std::string> target) {
    if (target) {
        playing_[output] = std::move(*target);
    } else {
        playing_.erase(output);
    }
}

std::optional<std::string> SoundSystem::TransmitterPlaysOn() const {
    if (playing_.empty()) return std::nullopt;
    return playing_.begin()->second;
}

std::string SoundSystem::PlaybackDescription(int index) {
    const std::optional<Entry> entry = index < 0 ? std::nullopt : PlaybackEntry(index);
    if (!entry) return {};
    if (entry->kind == Kind::ServerDefault) {
        if (const std::shared_ptr<SoundServer> server = Server(false))
            if (const std::optional<ServerDevice> sink = server->Sink(server->DefaultSink()))
                return sink->description;
    }
    return entry->shown;
}

std::unique_ptr<SoundInputDevice> SoundSystem::CreateInput() {
    if (InputOnFile())
        return std::make_unique<WavFileSoundInput>(inputFile_, /*realTime*/ true, /*loop*/ true);
    return std::make_unique<SystemSoundInput>(shared_from_this());
}

std::unique_ptr<SoundOutputDevice> SoundSystem::CreateOutput() {
    // The file takes the transmission at the pace of the air, so that the program's timing (the wait
    // for the queued sound, the indicators, the countdowns) is the same as on a sound card.
    if (OutputOnFile())
        return std::make_unique<WavFileSoundOutput>(outputFile_, /*append*/ true, /*realTime*/ true);
    return std::make_unique<SystemSoundOutput>(shared_from_this(), /*alarm*/ false);
}

std::unique_ptr<SoundOutputDevice> SoundSystem::CreateAlarmDevice() {
    if (OutputOnFile()) return nullptr;
    return std::make_unique<SystemSoundOutput>(shared_from_this(), /*alarm*/ true);
}

std::unique_ptr<Mixer> SoundSystem::CreateMixer() {
    if (OutputOnFile()) return std::make_unique<MemoryMixer>();
    return std::make_unique<SystemMixer>(shared_from_this());
}

std::unique_ptr<AlarmOutput> SoundSystem::CreateAlarmOutput(std::function<int()> transmitterDevice,
                                                            std::function<bool()> transmitting) {
    if (OutputOnFile()) return std::make_unique<NoAlarmOutput>();
    return std::make_unique<SystemAlarmOutput>(shared_from_this(), std::move(transmitterDevice),
                                               std::move(transmitting));
}

bool SoundCardPresent() {
    return !CaptureDeviceNames().empty();
}

bool QuietSoundCardPresent() {
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = dup(STDOUT_FILENO);
    const int savedErr = dup(STDERR_FILENO);
    const int nothing = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nothing >= 0) {
        dup2(nothing, STDOUT_FILENO);
        dup2(nothing, STDERR_FILENO);
        close(nothing);
    }
    const bool present = SoundCardPresent();
    std::fflush(stdout);
    std::fflush(stderr);
    for (auto [saved, fd] : {std::pair{savedOut, STDOUT_FILENO}, std::pair{savedErr, STDERR_FILENO}}) {
        if (saved < 0) continue;
        dup2(saved, fd);
        close(saved);
    }
    return present;
}

}  // namespace muv
