// Sound devices backed by WAV files, for running without a sound card: the output writes what the
// modem plays into a file, the input feeds a 48 kHz file to the modem, at the real pace if wanted.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "memory_sound.h"
#include "sound_device.h"
#include "wav_file.h"

namespace muv {

// Plays into a 16-bit mono 48 kHz WAV file. A file plays instantly: every written buffer is done at once.
class WavFileSoundOutput : public SoundOutputDevice {
public:
    // With append, the file is created at the first Open and every later Open continues it, so all
    // transmissions land in one file; without, every Open starts the file anew.
    explicit WavFileSoundOutput(std::string path, bool append = true);

    bool Open(int deviceIndex) override;
    void Write(int buffer, const int16_t* samples, int count) override;
    bool IsDone(int) const override { return true; }
    void Reset() override {}
    // Flushes and patches the header: the file is valid after every Close.
    void Close() override;
    int PendingSamples() const override { return 0; }

    bool IsOpen() const { return open_; }
    int64_t SamplesWritten() const { return writer_.Samples(); }
    const std::string& LastError() const { return error_; }

private:
    std::string path_;
    bool append_;
    bool open_ = false;
    WavWriter writer_;
    std::string error_;
};

// Captures from a 48 kHz WAV file; otherwise as MemorySoundInput with autoFill.
class WavFileSoundInput : public MemorySoundInput {
public:
    // Silence between the repeats of a looping file.
    static constexpr int kLoopGapSamples = 3 * kSampleRate;

    // realTime: a buffer is filled no sooner than the wall clock since Start covers the samples it
    // ends at. loop: the file repeats after kLoopGapSamples of silence instead of running out.
    explicit WavFileSoundInput(std::string path, bool realTime = false, bool loop = false);

    // Reads the file (again) and delivers it from its start; fails when it cannot be read as 48 kHz.
    bool Open(int deviceIndex) override;
    void Start() override;
    const std::string& LastError() const { return error_; }

protected:
    bool ReadyToFill(int64_t samplesAfter) const override;

private:
    std::string path_;
    bool realTime_;
    bool loop_;
    std::string error_;
    std::chrono::steady_clock::time_point startTime_;
};

}  // namespace muv
