// WAV files: 16-bit PCM mono files written whole or as a stream, and a reader for the common PCM and
// float layouts that reduces stereo to its left channel. All fields are little-endian byte by byte.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "sound_device.h"

namespace muv {

// Writes the samples as a 16-bit PCM mono RIFF/WAVE file, replacing any file at the path.
bool WriteWavFile(const std::string& path, const std::vector<int16_t>& samples, int sampleRate = kSampleRate,
                  std::string* error = nullptr);

// Writes a 16-bit PCM mono file as the samples come. The sizes in the header are patched by Flush and
// Close (also run by the destructor), so the file is valid after either.
class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates (or truncates) the file and writes the header of an empty file. Closes a file still open.
    bool Open(const std::string& path, int sampleRate = kSampleRate);
    // Appends samples at the end of the data. Fails when not open, on a write error, or when the data
    // would pass the 4 GB that the header's 32-bit sizes can describe (nothing is then written).
    bool Append(const int16_t* samples, int count);
    // Patches the sizes in the header and flushes; the writer stays open for more samples.
    bool Flush();
    // Patches the sizes and closes the file. Nothing happens when no file is open.
    bool Close();

    bool IsOpen() const { return file_ != nullptr; }
    int64_t Samples() const { return samples_; }
    const std::string& LastError() const { return error_; }

private:
    bool Fail(const char* what);

    std::FILE* file_ = nullptr;
    std::string path_;
    int64_t samples_ = 0;
    std::string error_;
};

struct WavData {
    int sampleRate = 0;
    int channels = 0;              // as stored in the file
    std::vector<int16_t> samples;  // mono: the first (left) channel of each frame
};

// Reads 8-bit unsigned PCM, 16-bit PCM or 32-bit float (plain or WAVE_FORMAT_EXTENSIBLE), mono or
// stereo. Unknown chunks are skipped. A data chunk cut short by the end of the file is read as far as
// it goes. On failure, error says why, beginning with the path.
bool ReadWavFile(const std::string& path, WavData& out, std::string& error);

// ReadWavFile for the modem, which works at 48000 samples per second only: any other rate is an error
// that names the file's rate.
bool ReadWav48k(const std::string& path, std::vector<int16_t>& samples, std::string& error);

}  // namespace muv
