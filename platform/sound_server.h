// The desktop's sound server (PulseAudio, or PipeWire in its place) through its own client library: the
// devices it offers (its sinks and sources by the names it gives them), the volume and mute of its sinks,
// and capture and playback streams on a device of its. One thread of the library runs the connection:
// it moves samples through the same lock-free rings as the PortAudio devices and keeps the picture of
// the server's devices current as the server reports changes, and it touches nothing of the program's.
// Everything else happens on the program's thread, under the library's lock, and never waits on the
// server except while a device opens.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/portaudio_sound.h"
#include "platform/sound_device.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

namespace muv {

struct ServerCallbacks;

// A sink or a source of the sound server, as it last reported it.
struct ServerDevice {
    // The server's own name for it: it stays the same across starts and re-plugging.
    std::string name;
    // The name it gives the device for people ("USB Audio CODEC Analog Stereo").
    std::string description;
    uint32_t index = 0;
    // A sound card's own device rather than a virtual one; the ALSA card it is on (-1: none).
    bool hardware = false;
    int alsaCard = -1;
    // A source that is the monitor of a sink (what the sink plays): that sink's index.
    std::optional<uint32_t> monitorOf;
    // Sinks: the volume, 0 to 65535 for the server's 0 to 100 % (more than 100 % reads 65535), and
    // the mute.
    int32_t volume = 0;
    bool muted = false;
};

class SoundServer {
public:
    // The server the environment points at (PULSE_SERVER, or the user's own); null when none answers.
    // No server is started for the purpose.
    static std::shared_ptr<SoundServer> Connect();
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // The connection still stands.
    bool Connected() const;
    // In the server's order.
    std::vector<ServerDevice> Sinks() const;
    std::vector<ServerDevice> Sources() const;
    std::optional<ServerDevice> Sink(const std::string& name) const;
    // The devices that streams without a device of their own go to; empty when the server names none.
    std::string DefaultSink() const;
    std::string DefaultSource() const;
    // Asks the server to set the sink's volume (0..65535 as above, the balance between its channels
    // kept) or mute; true when asked. What is read back shows the new value at once.
    bool SetSinkVolume(const std::string& name, int32_t level);
    bool SetSinkMute(const std::string& name, bool muted);

private:
    friend class ServerStream;
    friend struct ServerCallbacks;
    struct State;
    class Lock;

    SoundServer();
    bool Start();
    // Waits with the lock held until done() holds or the server has not answered in time.
    template <class Done>
    bool WaitFor(Done done);
    bool SetSink(const std::string& name, std::optional<int32_t> level, std::optional<bool> muted);

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    bool running_ = false;
    std::unique_ptr<State> state_;
};

// What the capture and playback streams share: the stream on its device, and why it failed.
class ServerStream {
public:
    explicit ServerStream(std::shared_ptr<SoundServer> server) : server_(std::move(server)) {}
    ~ServerStream();
    ServerStream(const ServerStream&) = delete;
    ServerStream& operator=(const ServerStream&) = delete;

    bool IsOpen() const { return stream_ != nullptr; }
    const std::shared_ptr<SoundServer>& Server() const { return server_; }
    // Why the last open failed, or why the server ended the stream since it opened.
    const std::string& Error() const;

protected:
    enum class Direction { Capture, Playback };
    // Connects a mono 48 kHz stream to the device of that name (empty: the server's choice) and waits
    // until it runs; false, with the reason in Error(), when it does not. moved runs on the library's
    // thread with user when the stream has samples to take or room for more.
    bool Connect(Direction direction, const std::string& device, const std::string& streamName,
                 const char* role, void (*moved)(pa_stream*, size_t, void*), void* user);
    void Disconnect();
    // Runs f(stream) with the library's lock held, when the stream is open.
    template <class F>
    void WithStream(F f);

    std::shared_ptr<SoundServer> server_;
    pa_stream* stream_ = nullptr;
    std::string device_;
    mutable std::string error_;
    // Set by the library's thread when the server ends an open stream.
    std::atomic<bool> failed_{false};

private:
    friend struct ServerCallbacks;
};

// Capture from a source of the server into the ring that the program polls, as PortAudioSoundInput.
class ServerSoundInput : public SoundInputDevice, private ServerStream {
public:
    explicit ServerSoundInput(std::shared_ptr<SoundServer> server);
    ~ServerSoundInput() override;

    // The source of that name (empty: the server's default source), opened but not started.
    bool OpenDevice(const std::string& source);
    // -1 opens the server's default source; the server's devices have names, not numbers.
    bool Open(int deviceIndex) override;
    void AddBuffer(int buffer, int count) override;
    void Start() override;
    bool IsDone(int buffer) const override;
    const std::vector<int16_t>& Read(int buffer) const override;
    void Reset() override;
    void Close() override;
    // notify runs on the library's thread.
    bool SetFilledNotifier(std::function<void()> notify) override;
    const std::string& LastError() const override { return Error(); }

    using ServerStream::IsOpen;
    using ServerStream::Server;

private:
    friend struct ServerCallbacks;

    bool started_ = false;
    mutable CaptureRing ring_;
};

// Playback on a sink of the server from the ring that the program fills, as PortAudioSoundOutput.
class ServerSoundOutput : public SoundOutputDevice, private ServerStream {
public:
    // streamName and role tell the stream apart in the server's mixer (an alarm's role "event").
    ServerSoundOutput(std::shared_ptr<SoundServer> server, std::string streamName,
                      const char* role = nullptr);
    ~ServerSoundOutput() override;

    // The sink of that name (empty: the server's default sink); playing silence at once.
    bool OpenDevice(const std::string& sink);
    // -1 opens the server's default sink; the server's devices have names, not numbers.
    bool Open(int deviceIndex) override;
    void Write(int buffer, const int16_t* samples, int count) override;
    bool IsDone(int buffer) const override;
    void Reset() override;
    void Close() override;
    int PendingSamples() const override;
    // What is queued and what the server holds: the latency it gives for each block it takes (the
    // time until the block's first sample is played).
    int UnheardSamples() const override;
    const std::string& LastError() const override { return Error(); }

    using ServerStream::IsOpen;
    using ServerStream::Server;

private:
    friend struct ServerCallbacks;

    std::string streamName_;
    const char* role_;
    PlaybackRing ring_;
    // What the server holds beyond the ring until it says how long, in microseconds; set at the open.
    std::atomic<int64_t> bufferedMicroseconds_{0};
};

}  // namespace muv
