#include "platform/wav_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// What a path that is not a regular file names, for the message that refuses it.
const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

// A regular file read by position through a buffer of its own, up to the size it had when opened:
// the walk over many small chunks costs one system call per 64 KiB, and a file that grows meanwhile
// is not followed.
class InputFile {
public:
    InputFile() = default;
    ~InputFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens a regular file of at most kMaxWavFileBytes; otherwise returns false with the reason. The
    // path is looked at before it is opened, so that neither a FIFO (which would wait for a writer) nor
    // a device (which may act on being opened) is ever opened; it is opened without waiting and looked
    // at again, in case it changed in between.
    bool Open(const std::string& path, std::string& why) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            why = std::string("cannot open: ") + std::strerror(errno);
            return false;
        }
        if (!Regular(st, why)) return false;
        fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) {
            why = std::string("cannot open: ") + std::strerror(errno);
            return false;
        }
        if (::fstat(fd_, &st) != 0) {
            why = std::string("cannot open: ") + std::strerror(errno);
            return false;
        }
        if (!Regular(st, why)) return false;
        size_ = static_cast<int64_t>(st.st_size);
        return true;
    }

    int64_t Size() const { return size_; }

    // Reads up to n bytes at pos (fewer at the end of the file); false on a read error, with errno set.
    bool ReadAt(int64_t pos, uint8_t* dst, std::size_t n, std::size_t& got) {
        got = 0;
        if (pos < 0 || pos >= size_) return true;
        n = static_cast<std::size_t>(std::min<int64_t>(static_cast<int64_t>(n), size_ - pos));
        if (pos >= bufferPos_ && pos + static_cast<int64_t>(n) <= bufferPos_ + bufferLength_) {
            std::memcpy(dst, buffer_.data() + (pos - bufferPos_), n);
            got = n;
            return true;
        }
        if (n >= buffer_.size()) return ReadDirect(pos, dst, n, got);
        bufferPos_ = pos;
        bufferLength_ = 0;
        std::size_t filled = 0;
        if (!ReadDirect(pos, buffer_.data(), buffer_.size(), filled)) return false;
        bufferLength_ = static_cast<int64_t>(filled);
        got = std::min(n, filled);
        std::memcpy(dst, buffer_.data(), got);
        return true;
    }

private:
    bool Regular(const struct stat& st, std::string& why) const {
        if (!S_ISREG(st.st_mode)) {
            why = std::string("not a regular file (") + KindOf(st.st_mode) + ")";
            return false;
        }
        if (static_cast<int64_t>(st.st_size) > kMaxWavFileBytes) {
            why = "file too large (" + std::to_string(static_cast<int64_t>(st.st_size)) +
                  " bytes); the most that is read is " + std::to_string(kMaxWavFileBytes) + " bytes";
            return false;
        }
        return true;
    }

    bool ReadDirect(int64_t pos, uint8_t* dst, std::size_t n, std::size_t& got) {
        n = static_cast<std::size_t>(std::min<int64_t>(static_cast<int64_t>(n), size_ - pos));
        got = 0;
        while (got < n) {
            const ssize_t r =
                ::pread(fd_, dst + got, n - got, static_cast<off_t>(pos) + static_cast<off_t>(got));
            if (r < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (r == 0) break;  // the file shrank since it was opened
            got += static_cast<std::size_t>(r);
        }
        return true;
    }

    int fd_ = -1;
    int64_t size_ = 0;
    std::array<uint8_t, 65536> buffer_{};
    int64_t bufferPos_ = 0;
    int64_t bufferLength_ = 0;
};

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

bool WavWriter::Fail(const char* what, int err) {
    if (error_.empty())
        error_ = std::string(what) + " " + path_ + ": " + (err != 0 ? std::strerror(err) : "write error");
    return false;
}

bool WavWriter::Open(const std::string& path, int sampleRate) {
    Close();
    path_ = path;
    samples_ = 0;
    error_.clear();
    errno = 0;
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return Fail("cannot create", errno);
    const auto header = MakeHeader(sampleRate, 0);
    errno = 0;
    if (std::fwrite(header.data(), 1, header.size(), file_) != header.size() || std::ferror(file_)) {
        Fail("cannot write", errno);
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    return true;
}

bool WavWriter::Append(const int16_t* samples, int count) {
    if (!file_) {
        if (error_.empty()) error_ = "no WAV file open";
        return false;
    }
    if (!error_.empty()) return false;
    if (count <= 0) return true;
    if ((samples_ + count) * 2 > kMaxDataBytes) {
        error_ = path_ + ": WAV file full (4 GB)";
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<std::size_t>(count) * 2);
    for (int i = 0; i < count; ++i)
        PutU16(&bytes[static_cast<std::size_t>(i) * 2], static_cast<uint16_t>(samples[i]));
    errno = 0;
    // Flushed at once, so that a failure shows on the Append that failed and the samples counted are
    // the samples the file holds.
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() || std::fflush(file_) != 0 ||
        std::ferror(file_)) {
        Fail("cannot write", errno);
        // Whatever part of the samples went out is cut off again: the data ends with the last whole
        // Append (should the cut fail too, the header still counts only those).
        if (::ftruncate(::fileno(file_), static_cast<off_t>(kHeaderBytes + samples_ * 2)) == 0)
            std::fseek(file_, 0, SEEK_END);
        return false;
    }
    samples_ += count;
    return true;
}

bool WavWriter::Flush() {
    if (!file_) return true;
    // The header is patched even after a failed write, so that what was written stays readable.
    const auto dataBytes = static_cast<uint32_t>(samples_ * 2);
    auto patch = [this](long offset, uint32_t value) {
        uint8_t field[4];
        PutU32(field, value);
        errno = 0;
        if (std::fseek(file_, offset, SEEK_SET) != 0 || std::fwrite(field, 1, 4, file_) != 4)
            Fail("cannot write", errno);
    };
    patch(kRiffSizeOffset, 36 + dataBytes);
    patch(kDataSizeOffset, dataBytes);
    errno = 0;
    if (std::fseek(file_, 0, SEEK_END) != 0 || std::fflush(file_) != 0 || std::ferror(file_))
        Fail("cannot write", errno);
    return error_.empty();
}

bool WavWriter::Close() {
    if (!file_) return true;
    Flush();
    errno = 0;
    if (std::fclose(file_) != 0) Fail("cannot close", errno);
    file_ = nullptr;
    return error_.empty();
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
    auto fail = [&](const std::string& why) {
        error = path + ": " + why;
        return false;
    };
    std::string why;
    auto file = std::make_unique<InputFile>();
    if (!file->Open(path, why)) return fail(why);
    auto cannotRead = [&] { return fail(std::string("cannot read: ") + std::strerror(errno)); };

    const int64_t size = file->Size();
    if (size == 0) return fail("empty file");
    uint8_t head[12];
    std::size_t got = 0;
    if (!file->ReadAt(0, head, sizeof head, got)) return cannotRead();
    const bool riffPrefix = std::memcmp(head, "RIFF", std::min<std::size_t>(4, got)) == 0;
    if (got < 12 && riffPrefix)
        return fail("file ends inside its header (" + std::to_string(got) + " bytes)");
    if (got < 12 || !IdIs(head, "RIFF") || !IdIs(head + 8, "WAVE")) return fail("not a RIFF/WAVE file");

    // The RIFF size is not trusted (streaming writers leave it wrong); the chunks are walked to the
    // end of the file. Each chunk is padded to an even size. No size in the file is used before it has
    // been held against the file's real size.
    Format fmt;
    bool haveFormat = false;
    bool haveData = false;
    int64_t dataStart = 0;
    int64_t dataBytes = 0;
    int64_t pos = 12;
    while (pos + 8 <= size) {
        uint8_t chunk[8];
        if (!file->ReadAt(pos, chunk, sizeof chunk, got)) return cannotRead();
        if (got < sizeof chunk) break;  // the file shrank meanwhile
        const uint32_t chunkSize = GetU32(chunk + 4);
        const int64_t body = pos + 8;
        if (IdIs(chunk, "fmt ") && !haveFormat) {
            if (chunkSize > size - body) return fail("file ends inside its header (fmt chunk cut short)");
            // Only the first 40 bytes (WAVE_FORMAT_EXTENSIBLE's) mean anything here.
            std::array<uint8_t, 40> fields{};
            const std::size_t wanted = std::min<std::size_t>(chunkSize, fields.size());
            if (!file->ReadAt(body, fields.data(), wanted, got)) return cannotRead();
            if (got < wanted) return fail("file ends inside its header (fmt chunk cut short)");
            const std::string bad = ParseFormat(fields.data(), chunkSize, fmt);
            if (!bad.empty()) return fail(bad);
            haveFormat = true;
        } else if (IdIs(chunk, "data") && !haveData) {
            haveData = true;
            dataStart = body;
            dataBytes = std::min<int64_t>(chunkSize, size - body);
        }
        if (haveFormat && haveData) break;
        pos = body + chunkSize + (chunkSize & 1);
    }
    if (!haveFormat) return fail("no fmt chunk");
    if (!haveData) return fail("no data chunk");

    const int sampleBytes = fmt.bits / 8;
    const int64_t frameBytes = static_cast<int64_t>(sampleBytes) * fmt.channels;
    const int64_t frames = dataBytes / frameBytes;
    // Decoded apart, so that out is left as it was when the file cannot be read.
    std::vector<int16_t> samples(static_cast<std::size_t>(frames));
    // The data is decoded a block of whole frames at a time.
    const int64_t framesPerBlock = 65536 / frameBytes;
    std::vector<uint8_t> block(static_cast<std::size_t>(framesPerBlock * frameBytes));
    int64_t done = 0;
    while (done < frames) {
        const int64_t n = std::min(framesPerBlock, frames - done);
        const auto wanted = static_cast<std::size_t>(n * frameBytes);
        if (!file->ReadAt(dataStart + done * frameBytes, block.data(), wanted, got)) return cannotRead();
        const int64_t whole = static_cast<int64_t>(got) / frameBytes;
        for (int64_t i = 0; i < whole; ++i) {
            const uint8_t* p = block.data() + i * frameBytes;
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
            samples[static_cast<std::size_t>(done + i)] = s;
        }
        done += whole;
        if (got < wanted) {  // the file shrank meanwhile: what was there
            samples.resize(static_cast<std::size_t>(done));
            break;
        }
    }
    out.sampleRate = fmt.sampleRate;
    out.channels = fmt.channels;
    out.samples = std::move(samples);
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
