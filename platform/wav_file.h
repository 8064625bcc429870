// WAV files: 16-bit PCM mono files written whole or as a stream, and a reader for the common PCM and
// float layouts that reduces stereo to its left channel. All fields are little-endian byte by byte.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/sound_device.h"

namespace muv {

// Writes the samples as a 16-bit PCM mono RIFF/WAVE file, replacing any file at the path.
bool WriteWavFile(const std::string& path, const std::vector<int16_t>& samples, int sampleRate = kSampleRate,
                  std::string* error = nullptr);

// Writes a 16-bit PCM mono file as the samples come. The sizes in the header are patched by Flush and
// Close (also run by the destructor), so the file is valid after either. Every failure of the system
// (a short write, a failed flush, seek or close, the stream's error flag) is reported. Once a write has
// failed the writer takes no more samples, so the file never holds a gap; Flush and Close still patch
// the header for what was written before, and return false.
class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates (or truncates) the file and writes the header of an empty file (a failure to write it may
    // show only at the first Append or Flush). Closes a file still open.
    bool Open(const std::string& path, int sampleRate = kSampleRate);
    // Appends samples at the end of the data and hands them to the system. Fails when not open, on a
    // write error (now or before: a part that went out is cut off again), or when the data would pass
    // the 4 GB that the header's 32-bit sizes can describe (nothing is then written).
    bool Append(const int16_t* samples, int count);
    // Patches the sizes in the header and flushes; the writer stays open for more samples. False when
    // anything failed since Open.
    bool Flush();
    // Patches the sizes and closes the file; false when anything failed since Open. Nothing happens
    // when no file is open.
    bool Close();

    bool IsOpen() const { return file_ != nullptr; }
    // The samples written whole.
    int64_t Samples() const { return samples_; }
    // The first failure since Open, naming the file and the cause; empty while all went well.
    const std::string& LastError() const { return error_; }

private:
    bool Fail(const char* what, int err);

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

// The largest file ReadWavFile reads: 2^31 bytes (2 GiB, over six hours of 48 kHz 16-bit mono). The
// whole file is decoded into memory, so what it may hold is bounded by its real size, whatever its
// header claims.
constexpr int64_t kMaxWavFileBytes = int64_t{1} << 31;

// Reads 8-bit unsigned PCM, 16-bit PCM or 32-bit float (plain or WAVE_FORMAT_EXTENSIBLE), mono or
// stereo. Unknown chunks are skipped. A data chunk cut short by the end of the file is read as far as
// it goes. Only regular files are read (a FIFO, a device or a folder is refused without being opened
// for reading), up to kMaxWavFileBytes. On failure, error says why, beginning with the path.
bool ReadWavFile(const std::string& path, WavData& out, std::string& error);

// ReadWavFile for the modem, which works at 48000 samples per second only: any other rate is an error
// that names the file's rate.
bool ReadWav48k(const std::string& path, std::vector<int16_t>& samples, std::string& error);

}  // namespace muv
