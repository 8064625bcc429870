#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <string>
#include <vector>

#include "platform/wav_file.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

using test::TempFolderTest;

// Builds a file byte by byte, little-endian.
struct Bytes {
    std::vector<uint8_t> b;
    Bytes& Id(const char* id) {
        b.insert(b.end(), id, id + 4);
        return *this;
    }
    Bytes& U16(uint32_t v) {
        b.push_back(static_cast<uint8_t>(v & 0xFF));
        b.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
        return *this;
    }
    Bytes& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Bytes& F32(float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        return U32(v);
    }
    Bytes& Raw(const std::vector<uint8_t>& more) {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
    // A PCM-style fmt chunk.
    Bytes& Fmt(int tag, int channels, int rate, int bits) {
        const int frame = channels * bits / 8;
        return Id("fmt ").U32(16).U16(tag).U16(channels).U32(rate).U32(rate * frame).U16(frame).U16(bits);
    }
    Bytes& RiffHeader() { return Id("RIFF").U32(0).Id("WAVE"); }
};

// Caps the process's address space at what it uses now and some room, while it lives: an allocation
// of gigabytes then fails at once (std::bad_alloc) instead of taking the machine's memory.
class AddressSpaceCap {
public:
    explicit AddressSpaceCap(std::size_t roomBytes) {
        getrlimit(RLIMIT_AS, &old_);
        std::size_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        struct rlimit cap = old_;
        cap.rlim_cur = std::min<rlim_t>(old_.rlim_max,
                                        pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) + roomBytes);
        setrlimit(RLIMIT_AS, &cap);
    }
    ~AddressSpaceCap() { setrlimit(RLIMIT_AS, &old_); }
    AddressSpaceCap(const AddressSpaceCap&) = delete;
    AddressSpaceCap& operator=(const AddressSpaceCap&) = delete;

private:
    struct rlimit old_ {};
};

class WavFile : public TempFolderTest {
protected:
    std::string Save(const Bytes& bytes, const std::string& name = "hand.wav") {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.b.data()),
                   static_cast<std::streamsize>(bytes.b.size()));
        return path;
    }
    // Reads a file that must be readable.
    WavData Load(const std::string& path) {
        WavData data;
        std::string error;
        EXPECT_TRUE(ReadWavFile(path, data, error)) << error;
        return data;
    }
};

// ---------------------------------------------------------------- writing

TEST_F(WavFile, WriteReadRoundTrip) {
    for (int n : {0, 1, 3, 4801}) {
        SCOPED_TRACE(n);
        std::vector<int16_t> samples(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            samples[static_cast<std::size_t>(i)] = static_cast<int16_t>(i * 977 - 16000);
        if (n >= 3) samples[0] = -32768, samples[1] = 32767, samples[2] = -1;
        const std::string path = Path("round.wav");
        std::string error;
        ASSERT_TRUE(WriteWavFile(path, samples, 48000, &error)) << error;
        EXPECT_EQ(std::filesystem::file_size(path), 44u + 2u * static_cast<unsigned>(n));
        const WavData data = Load(path);
        EXPECT_EQ(data.sampleRate, 48000);
        EXPECT_EQ(data.channels, 1);
        EXPECT_EQ(data.samples, samples);
    }
}

TEST_F(WavFile, AFullDiskIsReportedNamingTheFileAndTheCause) {
    // /dev/full takes the open and fails every write that reaches it with ENOSPC.
    const std::vector<int16_t> block(3072, 5);
    WavWriter big;
    ASSERT_TRUE(big.Open("/dev/full")) << big.LastError();
    EXPECT_FALSE(big.Append(block.data(), 3072)) << "the write that fails reports it";
    const std::string first = big.LastError();
    EXPECT_EQ(first, "cannot write /dev/full: " + std::string(std::strerror(ENOSPC)));
    EXPECT_FALSE(big.Append(block.data(), 1)) << "a failed file takes nothing more";
    EXPECT_EQ(big.Samples(), 0);
    EXPECT_FALSE(big.Flush());
    EXPECT_FALSE(big.Close());
    EXPECT_EQ(big.LastError(), first) << "the first failure is kept";

    std::string error;
    EXPECT_FALSE(WriteWavFile("/dev/full", {1, 2, 3}, 48000, &error));
    EXPECT_NE(error.find("/dev/full"), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(ENOSPC)), std::string::npos) << error;

    EXPECT_FALSE(WriteWavFile(Path("no/such/folder.wav"), {1}, 48000, &error));
    EXPECT_EQ(error.rfind("cannot create " + Path("no/such/folder.wav") + ": ", 0), 0u) << error;
}

TEST_F(WavFile, ADiskFillingUpMidwayLeavesAValidFileOfWhatWasWritten) {
    // The process may write no file beyond 64 KiB: a disk that fills up in the middle of the data.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = old;
    limit.rlim_cur = 65536;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);

    const std::string path = Path("cut.wav");
    std::vector<int16_t> block(3000);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<int16_t>(i);
    WavWriter writer;
    bool opened = writer.Open(path);
    int appended = 0;
    while (opened && appended < 20 && writer.Append(block.data(), 3000))
        ++appended;
    const bool closed = writer.Close();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);

    ASSERT_TRUE(opened);
    EXPECT_GT(appended, 0);
    EXPECT_LT(appended, 20);
    EXPECT_FALSE(closed);
    EXPECT_NE(writer.LastError().find(std::strerror(EFBIG)), std::string::npos) << writer.LastError();
    EXPECT_EQ(writer.Samples(), 3000 * appended);
    // The file holds the blocks written whole and its header counts them: no part of the block that
    // failed.
    EXPECT_EQ(std::filesystem::file_size(path), 44u + 6000u * static_cast<unsigned>(appended));
    const WavData data = Load(path);
    ASSERT_EQ(data.samples.size(), 3000u * static_cast<unsigned>(appended));
    EXPECT_EQ(data.samples.back(), 2999);
}

// ---------------------------------------------------------------- reading

TEST_F(WavFile, OnlyRegularFilesAreReadAndNeverWaitedFor) {
    WavData data;
    std::string error;
    EXPECT_FALSE(ReadWavFile("/dev/zero", data, error));
    EXPECT_EQ(error, "/dev/zero: not a regular file (a character device)");
    EXPECT_FALSE(ReadWavFile(folder_.string(), data, error));
    EXPECT_EQ(error, folder_.string() + ": not a regular file (a folder)");
    EXPECT_FALSE(ReadWavFile(Path("missing.wav"), data, error));
    EXPECT_EQ(error, Path("missing.wav") + ": cannot open: " + std::strerror(ENOENT));

    // A FIFO with no writer would block an open or a read for ever. Should the reader wait, the test
    // opens the writing end and closes it, so that it ends.
    const std::string fifo = Path("pipe.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    auto read = std::async(std::launch::async, [&fifo] {
        WavData d;
        std::string e;
        const bool ok = ReadWavFile(fifo, d, e);
        return std::make_pair(ok, e);
    });
    if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) ::close(writer);
        ADD_FAILURE() << "the reader waited on a FIFO";
    }
    const auto [ok, why] = read.get();
    EXPECT_FALSE(ok);
    EXPECT_EQ(why, fifo + ": not a regular file (a FIFO)");

    // A link to a regular file is read.
    ASSERT_TRUE(WriteWavFile(Path("real.wav"), {4, 5}));
    std::filesystem::create_symlink(Path("real.wav"), Path("link.wav"));
    EXPECT_EQ(Load(Path("link.wav")).samples, (std::vector<int16_t>{4, 5}));
}

TEST_F(WavFile, SizesInTheFileAreHeldAgainstItsRealSize) {
    const AddressSpaceCap cap(512 << 20);
    // A data chunk claiming nearly 4 GB on a file of a few bytes: what is there, no more.
    Bytes hugeData;
    hugeData.RiffHeader().Fmt(1, 1, 48000, 16).Id("data").U32(0xFFFFFFF0).U16(1).U16(2).U16(3);
    EXPECT_EQ(Load(Save(hugeData, "huge_data.wav")).samples, (std::vector<int16_t>{1, 2, 3}));

    // A fmt chunk, or a chunk before it, claiming more than the file holds.
    Bytes hugeFmt, hugeList;
    hugeFmt.RiffHeader().Id("fmt ").U32(0xFFFFFFFF).U16(1).U16(1).U32(48000);
    hugeList.RiffHeader().Id("LIST").U32(0xFFFFFFFF).Fmt(1, 1, 48000, 16).Id("data").U32(2).U16(9);
    WavData data;
    std::string error;
    EXPECT_FALSE(ReadWavFile(Save(hugeFmt, "huge_fmt.wav"), data, error));
    EXPECT_NE(error.find("fmt chunk cut short"), std::string::npos) << error;
    EXPECT_FALSE(ReadWavFile(Save(hugeList, "huge_list.wav"), data, error));
    EXPECT_NE(error.find("no fmt chunk"), std::string::npos) << error;

    // A file past the limit is refused by its size before anything is read (sparse: no disk used).
    Bytes head;
    head.RiffHeader().Fmt(1, 1, 48000, 16).Id("data").U32(0xFFFFFFF0);
    const std::string big = Save(head, "big.wav");
    std::filesystem::resize_file(big, static_cast<std::uintmax_t>(kMaxWavFileBytes) + 1);
    EXPECT_FALSE(ReadWavFile(big, data, error));
    EXPECT_EQ(error, big + ": file too large (2147483649 bytes); the most that is read is 2147483648 bytes");
    // At the limit it would be read; cut back to a few samples, it is.
    std::filesystem::resize_file(big, head.b.size() + 4);
    EXPECT_EQ(Load(big).samples, (std::vector<int16_t>{0, 0}));
}

// Thousands of files made from good ones by random damage, and plain noise: every one is either read
// or refused with a reason, no sample is made from nothing, memory stays small (a size taken from a
// header unchecked would take gigabytes), and nothing crashes or waits.
TEST_F(WavFile, DamagedAndRandomFilesAreReadOrRefusedWithAReason) {
    const AddressSpaceCap cap(512 << 20);
    std::vector<Bytes> seeds(6);
    seeds[0].RiffHeader().Fmt(1, 1, 48000, 16).Id("data").U32(8).U16(1).U16(2).U16(3).U16(4);
    seeds[1]
        .RiffHeader()
        .Fmt(1, 2, 22050, 8)
        .Id("LIST")
        .U32(3)
        .Raw({1, 2, 3, 0})
        .Id("data")
        .U32(4)
        .U32(0x80FF0080);
    seeds[2].RiffHeader().Fmt(3, 1, 48000, 32).Id("data").U32(8).F32(0.5f).F32(-2.0f);
    seeds[3].RiffHeader().Id("fmt ").U32(40).U16(0xFFFE).U16(1).U32(48000).U32(96000).U16(2).U16(16);
    seeds[3].U16(22).U16(16).U32(4).U16(1).Raw(
        {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    seeds[3].Id("data").U32(4).U16(0x8000).U16(0x7FFF);
    seeds[4].RiffHeader().Id("data").U32(2).U16(7).Fmt(1, 1, 48000, 16);  // data before fmt
    seeds[5].RiffHeader().Fmt(1, 1, 48000, 16).Id("data").U32(6000);
    for (int i = 0; i < 3000; ++i)
        seeds[5].U16(static_cast<uint32_t>(i));

    const uint32_t extremes[] = {0,  1,  2,          3,          15,         16,        39,
                                 40, 41, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
    std::mt19937 rng(20240611);
    auto pick = [&rng](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    int read = 0, refused = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<uint8_t> b;
        if (round % 10 == 9) {
            // Noise, half of it behind a RIFF/WAVE header.
            b.resize(pick(200));
            for (uint8_t& v : b)
                v = static_cast<uint8_t>(rng());
            if (round % 20 == 9) {
                const char* head = "RIFF\0\0\0\0WAVE";
                b.insert(b.begin(), head, head + 12);
            }
        } else {
            b = seeds[pick(seeds.size())].b;
            for (int m = 1 + static_cast<int>(pick(4)); m > 0 && !b.empty(); --m) {
                switch (pick(6)) {
                    case 0:  // a byte changed
                        b[pick(b.size())] = static_cast<uint8_t>(rng());
                        break;
                    case 1:  // a 32-bit field set to an extreme
                        if (b.size() >= 4) {
                            const std::size_t at = pick(b.size() - 3);
                            const uint32_t v = extremes[pick(std::size(extremes))];
                            for (int k = 0; k < 4; ++k)
                                b[at + static_cast<std::size_t>(k)] = static_cast<uint8_t>(v >> (8 * k));
                        }
                        break;
                    case 2:  // cut short
                        b.resize(pick(b.size() + 1));
                        break;
                    case 3: {  // a stretch repeated (chunks doubled)
                        const std::size_t from = pick(b.size());
                        const std::size_t len = std::min<std::size_t>(pick(64) + 1, b.size() - from);
                        const std::vector<uint8_t> part(b.begin() + static_cast<std::ptrdiff_t>(from),
                                                        b.begin() + static_cast<std::ptrdiff_t>(from + len));
                        b.insert(b.begin() + static_cast<std::ptrdiff_t>(pick(b.size() + 1)), part.begin(),
                                 part.end());
                        break;
                    }
                    case 4: {  // a stretch removed
                        const std::size_t from = pick(b.size());
                        const std::size_t len = std::min<std::size_t>(pick(64) + 1, b.size() - from);
                        b.erase(b.begin() + static_cast<std::ptrdiff_t>(from),
                                b.begin() + static_cast<std::ptrdiff_t>(from + len));
                        break;
                    }
                    default:  // garbage after the end
                        for (std::size_t n = pick(16); n > 0; --n)
                            b.push_back(static_cast<uint8_t>(rng()));
                        break;
                }
            }
        }
        // A new file each round: rewriting one file costs more than creating one.
        Bytes file;
        file.b = b;
        const std::string path = Save(file, "fuzz" + std::to_string(round) + ".wav");
        WavData data;
        std::string error;
        if (ReadWavFile(path, data, error)) {
            ++read;
            ASSERT_TRUE(data.channels == 1 || data.channels == 2) << round;
            ASSERT_GT(data.sampleRate, 0) << round;
            ASSERT_LE(data.samples.size(), b.size()) << round;
        } else {
            ++refused;
            ASSERT_GT(error.size(), path.size() + 2) << round;
            ASSERT_EQ(error.rfind(path + ": ", 0), 0u) << round << ": " << error;
        }
        std::filesystem::remove(path);
    }
    // Both outcomes are exercised, not just one.
    EXPECT_GT(read, 400);
    EXPECT_GT(refused, 400);
}

TEST_F(WavFile, SkipsUnknownChunksWithOddSizePadding) {
    Bytes f;
    f.RiffHeader().Id("LIST").U32(5).Raw({'a', 'b', 'c', 'd', 'e', 0});  // padded to 6
    f.Fmt(1, 1, 48000, 16).Id("junk").U32(1).Raw({9, 0});
    f.Id("data").U32(4).U16(0x1234).U16(0xFFFE);
    EXPECT_EQ(Load(Save(f)).samples, (std::vector<int16_t>{0x1234, -2}));
}

TEST_F(WavFile, ConvertsStereo8BitAndFloatToMono16Bit) {
    Bytes stereo;
    stereo.RiffHeader().Fmt(1, 2, 48000, 16).Id("data").U32(8).U16(100).U16(7).U16(0xFF00).U16(7);
    const WavData s = Load(Save(stereo, "stereo.wav"));
    EXPECT_EQ(s.channels, 2);
    EXPECT_EQ(s.samples, (std::vector<int16_t>{100, -256}));

    Bytes eight;
    eight.RiffHeader().Fmt(1, 1, 22050, 8).Id("data").U32(3).Raw({0, 128, 255, 0});
    const WavData e = Load(Save(eight, "eight.wav"));
    EXPECT_EQ(e.sampleRate, 22050);
    EXPECT_EQ(e.samples, (std::vector<int16_t>{-32768, 0, 32512}));

    Bytes flt;
    flt.RiffHeader().Fmt(3, 2, 48000, 32).Id("data").U32(48);
    for (float v : {0.5f, -0.25f, 1.0f, -1.0f, 2.5f, -3.0f})
        flt.F32(v).F32(0.9f);  // right channel ignored
    EXPECT_EQ(Load(Save(flt, "float.wav")).samples,
              (std::vector<int16_t>{16384, -8192, 32767, -32768, 32767, -32768}));
}

TEST_F(WavFile, ReadsExtensiblePcm) {
    Bytes f;
    f.RiffHeader().Id("fmt ").U32(40).U16(0xFFFE).U16(1).U32(48000).U32(96000).U16(2).U16(16);
    f.U16(22).U16(16).U32(4).U16(1).Raw(
        {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    f.Id("data").U32(2).U16(0xC000);
    EXPECT_EQ(Load(Save(f)).samples, (std::vector<int16_t>{-16384}));
}

TEST_F(WavFile, TruncatedDataChunkIsReadAsFarAsItGoes) {
    Bytes f;
    f.RiffHeader().Fmt(1, 1, 48000, 16).Id("data").U32(200).U16(5).U16(6).U16(7).Raw({8});
    EXPECT_EQ(Load(Save(f)).samples, (std::vector<int16_t>{5, 6, 7}));
}

TEST_F(WavFile, ReportsWhyAFileCannotBeRead) {
    struct Case {
        const char* name;
        Bytes bytes;
        const char* expected;
    };
    Bytes avi, shortHeader, cutFmt, noFmt, noData, adpcm, sixChannels;
    avi.Id("RIFF").U32(4).Id("AVI ").Fmt(1, 1, 48000, 16);
    shortHeader.Id("RIFF").U16(0);
    cutFmt.RiffHeader().Id("fmt ").U32(16).U16(1).U16(1);
    noFmt.RiffHeader().Id("data").U32(2).U16(0);
    noData.RiffHeader().Fmt(1, 1, 48000, 16).Id("LIST").U32(0);
    adpcm.RiffHeader().Fmt(2, 1, 48000, 4).Id("data").U32(0);
    sixChannels.RiffHeader().Fmt(1, 6, 48000, 16).Id("data").U32(0);
    const std::vector<Case> cases = {
        {"avi", avi, "not a RIFF/WAVE"},
        {"short_header", shortHeader, "header"},
        {"cut_fmt", cutFmt, "header"},
        {"no_fmt", noFmt, "no fmt chunk"},
        {"no_data", noData, "no data chunk"},
        {"adpcm", adpcm, "unsupported WAV format (format tag 2"},
        {"six_channels", sixChannels, "6 channels"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Save(c.bytes, std::string(c.name) + ".wav");
        WavData data;
        std::string error;
        EXPECT_FALSE(ReadWavFile(path, data, error));
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_EQ(error.rfind(path, 0), 0u) << "the message begins with the path: " << error;
    }
}

TEST_F(WavFile, ReadWav48kRejectsOtherRatesNamingThem) {
    ASSERT_TRUE(WriteWavFile(Path("cd.wav"), {1, 2, 3}, 44100));
    std::vector<int16_t> samples;
    std::string error;
    EXPECT_FALSE(ReadWav48k(Path("cd.wav"), samples, error));
    EXPECT_NE(error.find("44100"), std::string::npos) << error;
}

}  // namespace
}  // namespace muv
