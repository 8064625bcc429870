#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/memory_sound.h"
#include "platform/wav_file.h"
#include "platform/wav_sound.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

using test::TempFolderTest;

std::vector<int16_t> Ramp(int n, int first = 1) {
    std::vector<int16_t> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<std::size_t>(i)] = static_cast<int16_t>(first + i);
    return v;
}

void Write(SoundOutputDevice& out, int buffer, const std::vector<int16_t>& samples) {
    out.Write(buffer, samples.data(), static_cast<int>(samples.size()));
}

// ---------------------------------------------------------------- memory output

TEST(MemorySoundOutput, BuffersFinishInQueueOrderNotByIndex) {
    MemorySoundOutput out;
    ASSERT_TRUE(out.Open(2));
    EXPECT_EQ(out.openedDevice, 2);
    Write(out, 7, {1, 2});
    Write(out, 3, {3});
    Write(out, 5, {4, 5, 6});
    EXPECT_EQ(out.PendingSamples(), 6);
    EXPECT_TRUE(out.IsDone(4)) << "a buffer never queued is done";

    out.FinishBuffers(1);
    EXPECT_TRUE(out.IsDone(7));
    EXPECT_FALSE(out.IsDone(3)) << "a later buffer being done does not finish an earlier one";
    EXPECT_FALSE(out.IsDone(5));

    Write(out, 3, {9, 9});  // rewritten while queued: replaced where it stands
    Write(out, 7, {10});
    out.FinishAll();
    EXPECT_EQ(out.played, (std::vector<int16_t>{1, 2, 9, 9, 4, 5, 6, 10}));
}

TEST(MemorySoundOutput, ResetDropsTheQueueAndFailingDevicesDoNotOpen) {
    MemorySoundOutput out;
    out.failingDevices = {0};
    EXPECT_FALSE(out.Open(0));
    ASSERT_TRUE(out.Open(-1));
    Write(out, 0, {1, 2, 3});
    Write(out, 1, {4});
    out.Reset();
    EXPECT_TRUE(out.IsDone(0));
    EXPECT_TRUE(out.IsDone(1));
    EXPECT_EQ(out.PendingSamples(), 0);
    out.FinishAll();
    EXPECT_TRUE(out.played.empty());
    out.Close();
    Write(out, 0, {1});
    EXPECT_TRUE(out.IsDone(0)) << "a closed device takes no buffers";
}

// ---------------------------------------------------------------- memory input

TEST(MemorySoundInput, AutoFillDeliversInAddOrderThenZeros) {
    MemorySoundInput in(Ramp(10));
    ASSERT_TRUE(in.Open(1));
    in.AddBuffer(1, 3);
    in.AddBuffer(0, 4);
    EXPECT_FALSE(in.IsDone(1)) << "not started";
    in.Start();
    // Polling buffer 0 fills the queue in order up to it: buffer 1 first, then buffer 0.
    EXPECT_TRUE(in.IsDone(0));
    EXPECT_TRUE(in.IsDone(1));
    EXPECT_EQ(in.Read(1), (std::vector<int16_t>{1, 2, 3}));
    EXPECT_EQ(in.Read(0), (std::vector<int16_t>{4, 5, 6, 7}));

    in.AddBuffer(1, 5);
    EXPECT_TRUE(in.IsDone(1));
    EXPECT_EQ(in.Read(1), (std::vector<int16_t>{8, 9, 10, 0, 0}));
    EXPECT_TRUE(in.Exhausted());
}

TEST(MemorySoundInput, ManualFillAndReset) {
    MemorySoundInput in(Ramp(100));
    in.autoFill = false;
    in.failingDevices = {4};
    EXPECT_FALSE(in.Open(4));
    ASSERT_TRUE(in.Open(-1));
    for (int k = 0; k < 3; ++k)
        in.AddBuffer(k, 2);
    in.Start();
    EXPECT_FALSE(in.IsDone(0)) << "polling does not fill without autoFill";
    EXPECT_EQ(in.FillBuffers(2), 2);
    EXPECT_TRUE(in.IsDone(1));
    EXPECT_FALSE(in.IsDone(2));
    EXPECT_EQ(in.Read(1), (std::vector<int16_t>{3, 4}));

    in.AddBuffer(0, 2);
    EXPECT_FALSE(in.IsDone(0)) << "added again: no longer done";
    in.Reset();
    EXPECT_EQ(in.FillBuffers(5), 0) << "stopped, nothing queued";
    EXPECT_FALSE(in.IsDone(2));

    in.AddBuffer(2, 1);
    in.Start();
    in.FillBuffers(1);
    EXPECT_EQ(in.Read(2), (std::vector<int16_t>{5})) << "capture resumes where it stopped";
}

// ---------------------------------------------------------------- WAV-file devices

class WavSound : public TempFolderTest {};

TEST_F(WavSound, OutputAppendsAcrossOpensAndIsValidAfterEachClose) {
    const std::string path = Path("tx.wav");
    WavFileSoundOutput out(path);
    ASSERT_TRUE(out.Open(-1));
    Write(out, 0, {1, 2});
    EXPECT_TRUE(out.IsDone(0));
    Write(out, 1, {3});
    out.Close();
    std::vector<int16_t> samples;
    std::string error;
    ASSERT_TRUE(ReadWav48k(path, samples, error)) << error;
    EXPECT_EQ(samples, (std::vector<int16_t>{1, 2, 3}));

    ASSERT_TRUE(out.Open(-1));
    Write(out, 0, {4, 5});
    out.Close();
    ASSERT_TRUE(ReadWav48k(path, samples, error)) << error;
    EXPECT_EQ(samples, (std::vector<int16_t>{1, 2, 3, 4, 5}));

    WavFileSoundOutput fresh(path, false);
    for (int16_t s : {6, 7}) {
        ASSERT_TRUE(fresh.Open(0));
        Write(fresh, 0, {s});
        fresh.Close();
    }
    ASSERT_TRUE(ReadWav48k(path, samples, error)) << error;
    EXPECT_EQ(samples, (std::vector<int16_t>{7})) << "without append every open starts the file anew";
}

TEST_F(WavSound, OutputKeepsTheFirstWriteErrorAndRefusesToContinueTheFile) {
    const std::string full = "cannot write /dev/full: " + std::string(std::strerror(ENOSPC));
    for (bool append : {true, false}) {
        SCOPED_TRACE(append);
        WavFileSoundOutput out("/dev/full", append);
        ASSERT_TRUE(out.Open(-1)) << "the header waits in the stream until the first buffer";
        EXPECT_TRUE(out.LastError().empty());
        Write(out, 0, Ramp(3072));
        EXPECT_EQ(out.LastError(), full);
        Write(out, 1, Ramp(10));
        EXPECT_TRUE(out.IsDone(1));
        out.Close();
        EXPECT_EQ(out.LastError(), full) << "the first error is kept";
        // Continuing the failed file is refused; starting it anew is tried again.
        EXPECT_EQ(out.Open(-1), !append);
        EXPECT_EQ(out.LastError(), append ? full : "");
    }

    // A file that cannot be created: the reason names it.
    const std::string missing = Path("no/folder/tx.wav");
    WavFileSoundOutput nowhere(missing);
    EXPECT_FALSE(nowhere.Open(0));
    EXPECT_EQ(nowhere.LastError(), "cannot create " + missing + ": " + std::strerror(ENOENT));
    // A device that fails no longer: a fresh file clears the error.
    std::filesystem::create_directories(Path("no/folder"));
    EXPECT_TRUE(nowhere.Open(0));
    EXPECT_TRUE(nowhere.LastError().empty());
}

// A clock that moves only when told.
struct TestClock {
    WavFileSoundOutput::Clock::time_point now{};
    void Advance(int microseconds) { now += std::chrono::microseconds(microseconds); }
    std::function<WavFileSoundOutput::Clock::time_point()> Source() {
        return [this] { return now; };
    }
};

TEST_F(WavSound, RealTimeOutputPlaysItsBuffersAtTheSampleRate) {
    TestClock clock;
    const std::string path = Path("paced.wav");
    WavFileSoundOutput out(path, true, true, clock.Source());
    ASSERT_TRUE(out.Open(-1));
    clock.Advance(5000);       // the clock runs from the open, whenever the first buffer comes
    Write(out, 0, Ramp(480));  // 10 ms
    Write(out, 1, Ramp(480));  // 10 ms
    Write(out, 2, Ramp(960));  // 20 ms
    EXPECT_EQ(out.SamplesWritten(), 1920) << "the file takes everything at once";
    EXPECT_TRUE(out.IsDone(7)) << "a buffer never queued is done";
    EXPECT_FALSE(out.IsDone(0));
    EXPECT_EQ(out.PendingSamples(), 1920 - 240);

    clock.Advance(4999);  // 9.999 ms since the open
    EXPECT_FALSE(out.IsDone(0));
    clock.Advance(1);
    EXPECT_TRUE(out.IsDone(0));
    EXPECT_FALSE(out.IsDone(1));
    EXPECT_FALSE(out.IsDone(2)) << "a later buffer waits for those before it";
    EXPECT_EQ(out.PendingSamples(), 1440);
    clock.Advance(10000);
    EXPECT_TRUE(out.IsDone(1));
    EXPECT_FALSE(out.IsDone(2));
    // Buffer 0 written again goes to the back of the queue.
    Write(out, 0, Ramp(480));
    EXPECT_FALSE(out.IsDone(0));
    clock.Advance(20000);
    EXPECT_TRUE(out.IsDone(2));
    EXPECT_FALSE(out.IsDone(0));
    EXPECT_EQ(out.PendingSamples(), 480);
    clock.Advance(10000);
    EXPECT_TRUE(out.IsDone(0));
    EXPECT_EQ(out.PendingSamples(), 0);

    // Reset: what is queued counts as played, and the clock starts again.
    Write(out, 3, Ramp(4800));
    out.Reset();
    EXPECT_TRUE(out.IsDone(3));
    EXPECT_EQ(out.PendingSamples(), 0);
    Write(out, 4, Ramp(480));
    clock.Advance(9999);
    EXPECT_FALSE(out.IsDone(4));
    clock.Advance(1);
    EXPECT_TRUE(out.IsDone(4));

    // A buffer that comes late (the clock ran past everything queued) is done as soon as it is written,
    // as a sound card that ran dry; a new open starts the clock again.
    clock.Advance(1000000);
    Write(out, 5, Ramp(480));
    EXPECT_TRUE(out.IsDone(5));
    out.Close();
    EXPECT_EQ(out.PendingSamples(), 0);
    ASSERT_TRUE(out.Open(-1));
    Write(out, 6, Ramp(480));
    clock.Advance(9999);
    EXPECT_FALSE(out.IsDone(6));
    EXPECT_EQ(out.PendingSamples(), 1);
    out.Close();

    std::vector<int16_t> samples;
    std::string error;
    ASSERT_TRUE(ReadWav48k(path, samples, error)) << error;
    EXPECT_EQ(samples.size(), 1920u + 480u + 4800u + 480u + 480u + 480u) << "a reset takes nothing back";
}

TEST_F(WavSound, RealTimeOutputFollowsTheSteadyClock) {
    WavFileSoundOutput instant(Path("fast.wav"), false);
    WavFileSoundOutput paced(Path("paced.wav"), false, true);
    const auto start = std::chrono::steady_clock::now();
    for (WavFileSoundOutput* out : {&instant, &paced}) {
        ASSERT_TRUE(out->Open(0));
        Write(*out, 0, Ramp(2400));  // 50 ms
        Write(*out, 1, Ramp(2400));
    }
    EXPECT_TRUE(instant.IsDone(1) && instant.PendingSamples() == 0);
    EXPECT_FALSE(paced.IsDone(1));
    EXPECT_GT(paced.PendingSamples(), 0);
    while (!paced.IsDone(1) && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(paced.IsDone(1));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(paced.PendingSamples(), 0);
}

TEST_F(WavSound, InputRefusesOtherRatesAndLoopsWithSilenceBetweenRepeats) {
    const std::string path = Path("rx.wav");
    ASSERT_TRUE(WriteWavFile(path, Ramp(5)));
    ASSERT_TRUE(WriteWavFile(Path("cd.wav"), Ramp(10), 44100));
    WavFileSoundInput cd(Path("cd.wav"));
    EXPECT_FALSE(cd.Open(-1));
    EXPECT_NE(cd.LastError().find("44100"), std::string::npos) << cd.LastError();
    const int gap = 3 * 48000;
    for (bool loop : {false, true}) {
        SCOPED_TRACE(loop);
        WavFileSoundInput in(path, false, loop);
        ASSERT_TRUE(in.Open(-1)) << in.LastError();
        in.AddBuffer(0, 5 + gap + 7);
        in.Start();
        ASSERT_TRUE(in.IsDone(0));
        const std::vector<int16_t>& got = in.Read(0);
        EXPECT_EQ(std::vector<int16_t>(got.begin(), got.begin() + 5), Ramp(5));
        EXPECT_EQ(got[5 + gap - 1], 0);
        const std::vector<int16_t> expectedTail =
            loop ? std::vector<int16_t>{1, 2, 3, 4, 5, 0, 0} : std::vector<int16_t>(7, 0);
        EXPECT_EQ(std::vector<int16_t>(got.end() - 7, got.end()), expectedTail);
        EXPECT_EQ(in.Exhausted(), !loop);
    }
}

TEST_F(WavSound, RealTimeInputWaitsForTheWallClock) {
    const std::string path = Path("rx.wav");
    ASSERT_TRUE(WriteWavFile(path, Ramp(8000)));
    WavFileSoundInput paced(path, true);
    ASSERT_TRUE(paced.Open(-1));
    paced.AddBuffer(0, 3072);  // 64 ms
    paced.Start();
    EXPECT_FALSE(paced.IsDone(0));

    WavFileSoundInput shortBuffer(path, true);
    ASSERT_TRUE(shortBuffer.Open(-1));
    shortBuffer.AddBuffer(0, 96);  // 2 ms
    shortBuffer.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    EXPECT_TRUE(shortBuffer.IsDone(0));
    EXPECT_EQ(shortBuffer.Read(0).front(), 1);
}

// Paced by the clock, the input's own thread says when each buffer is due, and a buffer told of is
// there to take; the same input restarted tells again from its new start. A file read at once says
// nothing.
TEST_F(WavSound, RealTimeInputTellsWhenEachBufferIsDue) {
    const std::string path = Path("rx.wav");
    ASSERT_TRUE(WriteWavFile(path, Ramp(8000)));
    WavFileSoundInput instant(path);
    EXPECT_FALSE(instant.SetFilledNotifier([] {}));

    WavFileSoundInput paced(path, true);
    std::atomic<int> told{0};
    ASSERT_TRUE(paced.SetFilledNotifier([&] { ++told; }));
    const auto toldAgain = [&](int times) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (told.load() < times && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        return told.load() >= times;
    };
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start);
        ASSERT_TRUE(paced.Open(-1));
        for (int k = 0; k < 3; ++k)
            paced.AddBuffer(k, 480);  // 10 ms
        told = 0;
        paced.Start();
        for (int k = 0; k < 3; ++k) {
            ASSERT_TRUE(toldAgain(k + 1));
            EXPECT_TRUE(paced.IsDone(k)) << k;
        }
        EXPECT_EQ(paced.Read(2).back(), 1440) << "each open plays the file from its start";
        paced.Reset();
        paced.Close();
    }
}

}  // namespace
}  // namespace muv
