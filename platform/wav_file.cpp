#include "wav_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

namespace muv {

namespace {

constexpr int kHeaderBytes = 44;
constexpr long kRiffSizeOffset = 4;
constexpr long kDataSizeOffset = 40;
// The largest even data size whose RIFF size (36 + data) still fits in 32 bits.
constexpr int64_t kMaxDataBytes = 0xFFFFFFFFLL - 36 - 1;

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// Bytes 2..15 of the sub-format GUID shared by the standard formats (the first two hold the format tag).
constexpr std::array<uint8_t, 14> kSubFormatTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                    0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>((v >> (8 * i)) & 0xFF);
}

uint16_t GetU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool IdIs(const uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

std::array<uint8_t, kHeaderBytes> MakeHeader(int sampleRate, uint32_t dataBytes) {
    std::array<uint8_t, kHeaderBytes> h{};
    uint8_t* p = h.data();
    std::memcpy(p, "RIFF", 4);
    PutU32(p + 4, 36 + dataBytes);
    std::memcpy(p + 8, "WAVE", 4);
    std::memcpy(p + 12, "fmt ", 4);
    PutU32(p + 16, 16);
    PutU16(p + 20, kFormatPcm);
    PutU16(p + 22, 1);                                      // channels
    PutU32(p + 24, static_cast<uint32_t>(sampleRate));      // frames per second
    PutU32(p + 28, static_cast<uint32_t>(sampleRate) * 2);  // bytes per second
    PutU16(p + 32, 2);                                      // bytes per frame
    PutU16(p + 34, 16);                                     // bits per sample
    std::memcpy(p + 36, "data", 4);
    PutU32(p + 40, dataBytes);
    return h;
}

int16_t FloatToSample(float v) {
    if (std::isnan(v)) return 0;
    const float scaled = std::clamp(v * 32768.0f, -32768.0f, 32767.0f);
    return static_cast<int16_t>(std::lround(scaled));
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    bytes.clear();
    std::array<uint8_t, 65536> block;
    std::size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), f.get())) > 0)
        bytes.insert(bytes.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got));
    if (std::ferror(f.get())) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

struct Format {
    uint16_t tag = 0;  // kFormatPcm or kFormatFloat once an extensible format is resolved
    int channels = 0;
    int sampleRate = 0;
    int bits = 0;
};

// Parses a fmt chunk body; returns an empty string or the reason it cannot be read.
std::string ParseFormat(const uint8_t* p, uint32_t size, Format& fmt) {
    if (size < 16) return "fmt chunk too short (" + std::to_string(size) + " bytes)";
    fmt.tag = GetU16(p);
    fmt.channels = GetU16(p + 2);
    fmt.sampleRate = static_cast<int>(std::min<uint32_t>(GetU32(p + 4), 0x7FFFFFFF));
    fmt.bits = GetU16(p + 14);
    if (fmt.tag == kFormatExtensible) {
        if (size < 40)
            return "WAVE_FORMAT_EXTENSIBLE fmt chunk too short (" + std::to_string(size) + " bytes)";
        const uint8_t* guid = p + 24;
        if (!std::equal(kSubFormatTail.begin(), kSubFormatTail.end(), guid + 2))
            return "unsupported WAV format (WAVE_FORMAT_EXTENSIBLE with a non-standard sub-format)";
        fmt.tag = GetU16(guid);
    }
    const bool known = (fmt.tag == kFormatPcm && (fmt.bits == 8 || fmt.bits == 16)) ||
                       (fmt.tag == kFormatFloat && fmt.bits == 32);
    if (!known) {
        return "unsupported WAV format (format tag " + std::to_string(fmt.tag) + ", " +
               std::to_string(fmt.bits) +
               " bits per sample); readable are 8-bit and 16-bit PCM and 32-bit float";
    }
    if (fmt.channels != 1 && fmt.channels != 2)
        return "unsupported WAV format (" + std::to_string(fmt.channels) +
               " channels); readable are mono and stereo";
    if (fmt.sampleRate <= 0) return "invalid sample rate 0 in fmt chunk";
    return {};
}

}  // namespace

// ---------------------------------------------------------------- writing

WavWriter::~WavWriter() {
    Close();
}

bool WavWriter::Fail(const char* what) {
    error_ = std::string(what) + " " + path_ + ": " + std::strerror(errno);
    return false;
}

bool WavWriter::Open(const std::string& path, int sampleRate) {
    Close();
    path_ = path;
    samples_ = 0;
    error_.clear();
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return Fail("cannot create");
    const auto header = MakeHeader(sampleRate, 0);
    if (std::fwrite(header.data(), 1, header.size(), file_) != header.size()) {
        Fail("cannot write");
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    return true;
}

bool WavWriter::Append(const int16_t* samples, int count) {
    if (!file_) {
        error_ = "no WAV file open";
        return false;
    }
    if (count <= 0) return true;
    if ((samples_ + count) * 2 > kMaxDataBytes) {
        error_ = path_ + ": WAV file full (4 GB)";
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<std::size_t>(count) * 2);
    for (int i = 0; i < count; ++i)
        PutU16(&bytes[static_cast<std::size_t>(i) * 2], static_cast<uint16_t>(samples[i]));
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) return Fail("cannot write");
    samples_ += count;
    return true;
}

bool WavWriter::Flush() {
    if (!file_) return true;
    const auto dataBytes = static_cast<uint32_t>(samples_ * 2);
    uint8_t field[4];
    PutU32(field, 36 + dataBytes);
    if (std::fseek(file_, kRiffSizeOffset, SEEK_SET) != 0 || std::fwrite(field, 1, 4, file_) != 4)
        return Fail("cannot write");
    PutU32(field, dataBytes);
    if (std::fseek(file_, kDataSizeOffset, SEEK_SET) != 0 || std::fwrite(field, 1, 4, file_) != 4)
        return Fail("cannot write");
    if (std::fseek(file_, 0, SEEK_END) != 0 || std::fflush(file_) != 0) return Fail("cannot write");
    return true;
}

bool WavWriter::Close() {
    if (!file_) return true;
    bool ok = Flush();
    if (std::fclose(file_) != 0 && ok) ok = Fail("cannot close");
    file_ = nullptr;
    return ok;
}

bool WriteWavFile(const std::string& path, const std::vector<int16_t>& samples, int sampleRate,
                  std::string* error) {
    WavWriter writer;
    const bool ok = writer.Open(path, sampleRate) &&
                    writer.Append(samples.data(), static_cast<int>(samples.size())) && writer.Close();
    if (!ok && error) *error = writer.LastError();
    return ok;
}

// ---------------------------------------------------------------- reading

bool ReadWavFile(const std::string& path, WavData& out, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, error)) return false;
    const std::size_t size = bytes.size();
    const uint8_t* b = bytes.data();
    auto fail = [&](const std::string& why) {
        error = path + ": " + why;
        return false;
    };

    if (size == 0) return fail("empty file");
    const std::string_view riff = "RIFF";
    const bool riffPrefix =
        std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(4, size)),
                   riff.begin());
    if (size < 12 && riffPrefix)
        return fail("file ends inside its header (" + std::to_string(size) + " bytes)");
    if (size < 12 || !IdIs(b, "RIFF") || !IdIs(b + 8, "WAVE")) return fail("not a RIFF/WAVE file");

    // The RIFF size is not trusted (streaming writers leave it wrong); the chunks are walked to the
    // end of the file. Each chunk is padded to an even size.
    Format fmt;
    bool haveFormat = false;
    bool haveData = false;
    std::size_t dataStart = 0;
    std::size_t dataBytes = 0;
    std::size_t pos = 12;
    while (pos + 8 <= size) {
        const uint8_t* id = b + pos;
        const uint32_t chunkSize = GetU32(b + pos + 4);
        const std::size_t body = pos + 8;
        if (IdIs(id, "fmt ") && !haveFormat) {
            if (chunkSize > size - body) return fail("file ends inside its header (fmt chunk cut short)");
            const std::string why = ParseFormat(b + body, chunkSize, fmt);
            if (!why.empty()) return fail(why);
            haveFormat = true;
        } else if (IdIs(id, "data") && !haveData) {
            haveData = true;
            dataStart = body;
            dataBytes = std::min<std::size_t>(chunkSize, size - body);
        }
        if (haveFormat && haveData) break;
        pos = body + chunkSize + (chunkSize & 1);
    }
    if (!haveFormat) return fail("no fmt chunk");
    if (!haveData) return fail("no data chunk");

    const int sampleBytes = fmt.bits / 8;
    const std::size_t frameBytes =
        static_cast<std::size_t>(sampleBytes) * static_cast<std::size_t>(fmt.channels);
    const std::size_t frames = dataBytes / frameBytes;
    out.sampleRate = fmt.sampleRate;
    out.channels = fmt.channels;
    out.samples.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const uint8_t* p = b + dataStart + i * frameBytes;
        int16_t s;
        if (fmt.tag == kFormatFloat) {
            float v;
            const uint32_t raw = GetU32(p);
            static_assert(sizeof v == sizeof raw);
            std::memcpy(&v, &raw, sizeof v);
            s = FloatToSample(v);
        } else if (sampleBytes == 2) {
            s = static_cast<int16_t>(GetU16(p));
        } else {
            s = static_cast<int16_t>((p[0] - 128) * 256);
        }
        out.samples[i] = s;
    }
    return true;
}

bool ReadWav48k(const std::string& path, std::vector<int16_t>& samples, std::string& error) {
    WavData data;
    if (!ReadWavFile(path, data, error)) return false;
    if (data.sampleRate != kSampleRate) {
        error = path + ": the sample rate is " + std::to_string(data.sampleRate) + " Hz; the modem needs " +
                std::to_string(kSampleRate) + " Hz";
        return false;
    }
    samples = std::move(data.samples);
    return true;
}

}  // namespace muv
