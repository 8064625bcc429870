// muv_bench --decode against a few hundred files that are not what it expects: a real recording cut short,
// with chunks whose sizes lie, in other formats, with bytes flipped, and plain random bytes. The tool must
// neither crash nor hang: it decodes what it can read, and for the rest says what is wrong and fails.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/wav_file.h"
#include "test_support/scratch_folder.h"
#include "transmitter/offline_transmitter.h"

namespace muv {
namespace {

struct ToolRun {
    int exitCode = -1;  // -1: ended by a signal
    std::string err;
    double seconds = 0;
};

// Runs the tool on the file, with its output to files in the scratch folder.
ToolRun Decode(const test::ScratchFolder& scratch, const std::string& file) {
    const std::string out = scratch.Path("out.txt"), err = scratch.Path("err.txt");
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen(err.c_str(), "w", stderr)) ::_exit(126);
        ::alarm(60);  // a hang ends as a signal, which the test reports
        ::execl(MUV_BENCH, "muv_bench", "--decode", file.c_str(), "--mode", "1", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ToolRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(err);
    run.err.assign(std::istreambuf_iterator<char>(in), {});
    return run;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

TEST(DecodeFuzz, MalformedFilesFailWithAReasonAndNothingCrashesOrHangs) {
    const test::ScratchFolder scratch("muv_decode_fuzz");
    const std::string real = scratch.Path("real.wav");
    ASSERT_TRUE(WriteWavFile(real, TransmitToSamples(1, "CQ DE EA1ABC")));
    const std::vector<uint8_t> original = ReadBytes(real);
    ASSERT_GT(original.size(), 1000u);

    std::mt19937 rng(2024);
    std::vector<std::vector<uint8_t>> cases;
    // Cut short anywhere, the header included.
    for (size_t n : {size_t{0}, size_t{4}, size_t{11}, size_t{12}, size_t{20}, size_t{35}, size_t{36},
                     size_t{43}, size_t{44}, size_t{45}, original.size() / 2})
        cases.emplace_back(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(n));
    // Sizes that lie: the RIFF size, the fmt chunk's and the data chunk's.
    for (size_t at : {size_t{4}, size_t{16}, size_t{40}}) {
        for (uint32_t v : {0u, 1u, 15u, 17u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFF0u}) {
            std::vector<uint8_t> b = original;
            PutU32(b, at, v);
            cases.push_back(b);
        }
    }
    // Other formats: each field of the format chunk set to values the modem does not take.
    const struct { size_t at, size; } fields[] = {{20, 2}, {22, 2}, {24, 4}, {28, 4}, {32, 2}, {34, 2}};
    for (const auto& f : fields) {
        for (uint32_t v : {0u, 2u, 3u, 8u, 44100u, 0xFFFEu, 0xFFFFFFFFu}) {
            std::vector<uint8_t> b = original;
            for (size_t i = 0; i < f.size; ++i)
                b[f.at + i] = static_cast<uint8_t>(v >> (8 * i));
            cases.push_back(b);
        }
    }
    // Bytes flipped, in the header and anywhere.
    for (int i = 0; i < 100; ++i) {
        std::vector<uint8_t> b = original;
        const int flips = 1 + static_cast<int>(rng() % 8);
        for (int f = 0; f < flips; ++f) {
            const size_t at = i < 50 ? rng() % 64 : rng() % b.size();
            b[at] ^= static_cast<uint8_t>(1u << (rng() % 8));
        }
        cases.push_back(b);
    }
    // Random bytes, with and without a RIFF header in front.
    for (int i = 0; i < 40; ++i) {
        std::vector<uint8_t> b(rng() % 4096);
        for (uint8_t& x : b)
            x = static_cast<uint8_t>(rng());
        if (i % 2 == 0 && b.size() >= 12) std::memcpy(b.data(), "RIFF\0\0\0\0WAVE", 12);
        cases.push_back(b);
    }

    const std::string file = scratch.Path("case.wav");
    int decoded = 0, refused = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
        WriteBytes(file, cases[i]);
        const ToolRun run = Decode(scratch, file);
        ASSERT_GE(run.exitCode, 0) << "case " << i << " ended by a signal: " << run.err;
        ASSERT_LE(run.exitCode, 1) << "case " << i;
        EXPECT_LT(run.seconds, 30) << "case " << i;
        if (run.exitCode == 1) {
            ++refused;
            // The reason names the file.
            EXPECT_NE(run.err.find(file), std::string::npos) << "case " << i << ": " << run.err;
        } else {
            ++decoded;
        }
    }
    // Both kinds occur: damage in the samples still decodes, damage in the header is refused.
    EXPECT_GT(decoded, 10);
    EXPECT_GT(refused, 10);
}

}  // namespace
}  // namespace muv
