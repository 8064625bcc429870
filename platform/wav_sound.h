// Sound devices backed by WAV files, for running without a sound card: the output writes what the
// modem plays into a file, the input feeds a 48 kHz file to the modem, at the real pace if wanted.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "platform/memory_sound.h"
#include "platform/sound_device.h"
#include "platform/wav_file.h"

namespace muv {

// Plays into a 16-bit mono 48 kHz WAV file. Every buffer is written to the file as it comes. Without
// real time the file plays instantly: every written buffer is done at once. With real time the device
// takes its buffers as a sound card does: a buffer is done only once the clock since the Open covers
// every sample written up to and including it.
class WavFileSoundOutput : public SoundOutputDevice {
public:
    using Clock = std::chrono::steady_clock;

    // With append, the file is created at the first Open and every later Open continues it, so all
    // transmissions land in one file; without, every Open starts the file anew. now is the clock of
    // real time (a test's own clock in tests).
    explicit WavFileSoundOutput(std::string path, bool append = true, bool realTime = false,
                                std::function<Clock::time_point()> now = &Clock::now);

    // Fails when the file cannot be created, and, when appending, when the file already failed: the
    // kept error then says why.
    bool Open(int deviceIndex) override;
    // Appends the samples to the file. After the first write error nothing more is written; the error
    // is kept (LastError) until a fresh file is created.
    void Write(int buffer, const int16_t* samples, int count) override;
    bool IsDone(int buffer) const override;
    // Whatever is still queued counts as played at once (a file cannot take back what it holds); with
    // real time, the clock starts again from now.
    void Reset() override;
    // Flushes and patches the header: the file is valid after every Close.
    void Close() override;
    // With real time, the samples written whose time has not come yet; otherwise 0.
    int PendingSamples() const override;
    // The first failure of the file since it was created: which file and what went wrong.
    const std::string& LastError() const override { return error_; }

    bool IsOpen() const { return open_; }
    int64_t SamplesWritten() const { return writer_.Samples(); }

private:
    // The samples the clock has played since the clock started.
    int64_t PlayedSamples() const;
    // Keeps the writer's first failure.
    void KeepError();

    struct Queued {
        int buffer;
        int64_t end;  // samples since the clock started, up to and including this buffer
    };

    std::string path_;
    bool append_;
    bool realTime_;
    std::function<Clock::time_point()> now_;
    bool open_ = false;
    WavWriter writer_;
    std::string error_;
    Clock::time_point clockStart_{};
    int64_t queuedSamples_ = 0;
    // Buffers written and maybe not yet played, in order (only with real time).
    std::deque<Queued> queue_;
};

// Captures from a 48 kHz WAV file; otherwise as MemorySoundInput with autoFill.
class WavFileSoundInput : public MemorySoundInput {
public:
    // Silence between the repeats of a looping file.
    static constexpr int kLoopGapSamples = 3 * kSampleRate;

    // realTime: a buffer is filled no sooner than the wall clock since Start covers the samples it
    // ends at. loop: the file repeats after kLoopGapSamples of silence instead of running out.
    explicit WavFileSoundInput(std::string path, bool realTime = false, bool loop = false);
    ~WavFileSoundInput() override;

    // Reads the file (again) and delivers it from its start; fails when it cannot be read as 48 kHz.
    bool Open(int deviceIndex) override;
    void AddBuffer(int buffer, int count) override;
    void Start() override;
    void Reset() override;
    void Close() override;
    // With real time, a thread of the device's own calls notify each time the clock since Start passes
    // the end of another buffer (of the size last added before Start), as a sound card's would; without,
    // the file is there at once and nothing is notified (false).
    bool SetFilledNotifier(std::function<void()> notify) override;
    const std::string& LastError() const override { return error_; }

protected:
    bool ReadyToFill(int64_t samplesAfter) const override;

private:
    class FillClock;

    std::string path_;
    bool realTime_;
    bool loop_;
    std::string error_;
    std::chrono::steady_clock::time_point startTime_;
    int bufferSamples_ = 0;
    std::unique_ptr<FillClock> fillClock_;
};

}  // namespace muv
