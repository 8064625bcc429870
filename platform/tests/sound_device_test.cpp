#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "memory_sound.h"
#include "temp_folder.h"
#include "wav_file.h"
#include "wav_sound.h"

namespace muv {
namespace {

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

}  // namespace
}  // namespace muv
