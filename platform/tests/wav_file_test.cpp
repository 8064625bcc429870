#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "wav_file.h"

namespace muv {
namespace {

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

// ---------------------------------------------------------------- reading

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
