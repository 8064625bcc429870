// The PortAudio devices' rings driven from both sides without a sound card, the devices' failure to
// open a device that does not exist, and the choice of WAV files by the environment.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include "platform/portaudio_sound.h"
#include "platform/sound_factory.h"
#include "platform/wav_file.h"
#include "platform/wav_sound.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

using test::TempFolderTest;

using Samples = std::vector<int16_t>;

Samples Ramp(int n, int first = 1) {
    Samples v;
    for (int i = 0; i < n; ++i)
        v.push_back(static_cast<int16_t>(first + i));
    return v;
}

void Push(CaptureRing& ring, const Samples& s) {
    ring.Push(s.data(), static_cast<int>(s.size()));
}

// A thread that records `total` samples of a ramp into the ring in chunks of 512, as PortAudio's would,
// waiting for room whenever the ring is full.
std::thread Record(CaptureRing& capture, int total) {
    return std::thread([&capture, total] {
        for (int sent = 0; sent < total;) {
            const Samples chunk = Ramp(512, sent);
            for (int done = 0; done < 512; std::this_thread::yield())
                done += capture.Push(chunk.data() + done, 512 - done);
            sent += 512;
        }
    });
}

void Write(PlaybackRing& ring, int buffer, const Samples& s) {
    ring.Write(buffer, s.data(), static_cast<int>(s.size()));
}

Samples Pull(PlaybackRing& ring, int frames, int channels = 1) {
    Samples out(static_cast<size_t>(frames * channels), 99);
    ring.Pull(out.data(), frames, channels);
    return out;
}

TEST(CaptureRing, FillsQueuedBuffersInOrderAsSamplesArrive) {
    CaptureRing ring(3);  // 8 samples
    ring.AddBuffer(7, 4);
    ring.AddBuffer(2, 3);
    Push(ring, Ramp(5));
    EXPECT_FALSE(ring.IsDone(2)) << "one of its three samples has arrived";
    EXPECT_TRUE(ring.IsDone(7));
    EXPECT_EQ(ring.Read(7), Ramp(4));
    Push(ring, Ramp(2, 6));
    EXPECT_TRUE(ring.IsDone(2));
    EXPECT_EQ(ring.Read(2), Ramp(3, 5));
    EXPECT_FALSE(ring.IsDone(9)) << "never added";

    // A two-channel device gives its left channel.
    ring.AddBuffer(7, 2);
    const Samples stereo = {10, -1, 11, -1};
    ring.Push(stereo.data(), 2, 2);
    ASSERT_TRUE(ring.IsDone(7));
    EXPECT_EQ(ring.Read(7), Ramp(2, 10));
}

TEST(CaptureRing, ResetDropsAudioAndUnfillsAndAFullRingLosesTheNewest) {
    CaptureRing ring(3);
    ring.AddBuffer(1, 2);
    ring.AddBuffer(2, 2);
    Push(ring, Ramp(3));
    ASSERT_TRUE(ring.IsDone(1));
    ring.Reset();
    EXPECT_FALSE(ring.IsDone(1));
    ring.AddBuffer(2, 2);
    EXPECT_FALSE(ring.IsDone(2)) << "the sample recorded before the reset is gone";

    EXPECT_EQ(ring.Push(Ramp(10, 20).data(), 10), 8);
    EXPECT_EQ(ring.OverrunSamples(), 2u);
    ring.AddBuffer(3, 7);
    EXPECT_FALSE(ring.IsDone(3));
    Push(ring, {50});
    ASSERT_TRUE(ring.IsDone(3));
    EXPECT_EQ(ring.Read(2), Ramp(2, 20));
    EXPECT_EQ(ring.Read(3), (Samples{22, 23, 24, 25, 26, 27, 50}));
}

// The recording side says when the buffer the program waits for is full: once, however much more comes
// before the program looks again, and after a look only once the next buffer is full.
TEST(CaptureRing, TellsOnceWhenTheAwaitedBufferIsFull) {
    CaptureRing ring(12);
    int told = 0;
    ring.SetFilledNotifier([&] { ++told; });
    ring.AddBuffer(1, 1000);
    ring.AddBuffer(2, 1000);
    Push(ring, Ramp(999));
    EXPECT_EQ(told, 0);
    Push(ring, Ramp(1));
    EXPECT_EQ(told, 1);
    Push(ring, Ramp(1500));
    EXPECT_EQ(told, 1) << "the program has not looked since";
    ASSERT_TRUE(ring.IsDone(1));
    ring.AddBuffer(1, 1000);
    Push(ring, Ramp(400));
    EXPECT_EQ(told, 1) << "buffer 2 was full when looked at; buffer 1 waits for 1000";
    ASSERT_TRUE(ring.IsDone(2));
    ring.AddBuffer(2, 1000);
    Push(ring, Ramp(100));
    EXPECT_EQ(told, 2);
    ring.Reset();
    Push(ring, Ramp(2000));
    EXPECT_EQ(told, 2) << "nothing queued after a reset";
}

TEST(PlaybackRing, PlaysInQueueOrderThenSilenceAndResetDropsTheQueue) {
    PlaybackRing ring(3);
    Write(ring, 7, {1, 2, 3});
    Write(ring, 3, {4, 5});
    EXPECT_EQ(ring.PendingSamples(), 5);
    EXPECT_TRUE(ring.IsDone(4)) << "never queued";
    EXPECT_EQ(Pull(ring, 2), (Samples{1, 2}));
    EXPECT_FALSE(ring.IsDone(7));
    EXPECT_EQ(Pull(ring, 1, 2), (Samples{3, 3})) << "each channel the same sample";
    EXPECT_TRUE(ring.IsDone(7));
    EXPECT_FALSE(ring.IsDone(3));
    EXPECT_EQ(Pull(ring, 4), (Samples{4, 5, 0, 0}));
    EXPECT_TRUE(ring.IsDone(3));

    Write(ring, 1, {1, 2, 3});
    Write(ring, 2, {4});
    Pull(ring, 1);
    ring.Reset();
    EXPECT_EQ(ring.PendingSamples(), 0);
    EXPECT_TRUE(ring.IsDone(1) && ring.IsDone(2));
    Write(ring, 1, {7, 8});
    EXPECT_FALSE(ring.IsDone(1));
    EXPECT_EQ(Pull(ring, 3), (Samples{7, 8, 0})) << "the dropped samples are skipped";
    EXPECT_TRUE(ring.IsDone(1));
}

// One thread records or plays in chunks of 512 as PortAudio's would, the other polls as the program
// does: every sample must come through once, in order, the storage wrapping hundreds of times.
TEST(SoundRings, TwoThreadsPassEverySampleInOrder) {
    constexpr int kTotal = 1 << 21;
    CaptureRing capture(12);
    std::thread recorder = Record(capture, kTotal);
    for (int k = 0; k < 50; ++k)
        capture.AddBuffer(k, 3000);
    // A sample out of place is counted, and the flow goes on so that both threads finish.
    int received = 0, misplaced = 0;
    for (int k = 0; received + 3000 <= kTotal; std::this_thread::yield()) {
        if (!capture.IsDone(k)) continue;
        for (int16_t v : capture.Read(k))
            misplaced += v != static_cast<int16_t>(received++);
        capture.AddBuffer(k, 3000);
        k = (k + 1) % 50;
    }
    recorder.join();
    EXPECT_EQ(misplaced, 0);

    PlaybackRing playback(13);
    std::thread player([&] {
        Samples out(512);
        for (int played = 0; played < kTotal;) {
            const int n = playback.Pull(out.data(), 512);
            for (int i = 0; i < n; ++i)
                misplaced += out[static_cast<size_t>(i)] != static_cast<int16_t>(played++);
            if (n == 0) std::this_thread::yield();
        }
    });
    std::mt19937 rng(5);
    for (int sent = 0, k = 0; sent < kTotal; k = (k + 1) % 20) {
        while (!playback.IsDone(k) || playback.PendingSamples() > 6000)
            std::this_thread::yield();
        const int n = std::min(1 + static_cast<int>(rng() % 1500), kTotal - sent);
        Write(playback, k, Ramp(n, sent));
        sent += n;
    }
    player.join();
    EXPECT_EQ(misplaced, 0);
    EXPECT_TRUE(playback.IsDone(0) && playback.PendingSamples() == 0);
}

// The program looks only when told, as the receive pump does: no buffer may be left full and untold,
// whatever the order in which the two threads reach the mark.
TEST(SoundRings, AReaderThatLooksOnlyWhenToldGetsEveryBuffer) {
    constexpr int kTotal = 1 << 20;
    CaptureRing capture(12);
    std::atomic<int> told{0};
    capture.SetFilledNotifier([&] { ++told; });
    for (int k = 0; k < 50; ++k)
        capture.AddBuffer(k, 3000);
    std::thread recorder = Record(capture, kTotal);
    // Once a wait runs out the reader polls, so that the recorder still finishes.
    int received = 0, misplaced = 0, seen = 0;
    bool stalled = false;
    for (int k = 0; received + 3000 <= kTotal;) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (; !stalled && told.load() == seen; std::this_thread::yield())
            stalled = std::chrono::steady_clock::now() > deadline;
        seen = told.load();
        for (; received + 3000 <= kTotal && capture.IsDone(k); k = (k + 1) % 50) {
            for (int16_t v : capture.Read(k))
                misplaced += v != static_cast<int16_t>(received++);
            capture.AddBuffer(k, 3000);
        }
        if (stalled) std::this_thread::yield();
    }
    recorder.join();
    EXPECT_FALSE(stalled) << "a full buffer went untold after " << received << " samples";
    EXPECT_EQ(misplaced, 0);
}

TEST(PortAudioDevices, AMissingDeviceDoesNotOpen) {
    PortAudioSoundInput in;
    EXPECT_FALSE(in.Open(12345));
    EXPECT_FALSE(in.IsOpen());
    EXPECT_FALSE(in.LastError().empty());
    PortAudioSoundOutput out;
    EXPECT_FALSE(out.Open(12345));
    out.Write(1, Ramp(2).data(), 2);
    EXPECT_TRUE(out.IsDone(1)) << "nothing is queued on a device that is not open";
    EXPECT_EQ(out.PendingSamples(), 0);
}

class SoundFactory : public TempFolderTest {
protected:
    void TearDown() override {
        unsetenv("MUV_SOUND_INPUT");
        unsetenv("MUV_SOUND_OUTPUT");
        TempFolderTest::TearDown();
    }
};

TEST_F(SoundFactory, TheEnvironmentPutsWavFilesInPlaceOfTheSoundCard) {
    EXPECT_EQ(dynamic_cast<WavFileSoundInput*>(SoundSystem::Make()->CreateInput().get()), nullptr);
    EXPECT_EQ(dynamic_cast<WavFileSoundOutput*>(SoundSystem::Make()->CreateOutput().get()), nullptr);

    const std::string inPath = Path("in.wav"), outPath = Path("out.wav");
    ASSERT_TRUE(WriteWavFile(inPath, Ramp(96)));
    setenv("MUV_SOUND_INPUT", inPath.c_str(), 1);
    setenv("MUV_SOUND_OUTPUT", outPath.c_str(), 1);
    const std::shared_ptr<SoundSystem> system = SoundSystem::Make();
    const SoundDeviceList inputs = system->CaptureDevices();
    ASSERT_EQ(inputs.devices.size(), 1u);
    EXPECT_EQ(inputs.devices[0].shown, inPath);

    auto in = system->CreateInput();
    auto* wav = dynamic_cast<WavFileSoundInput*>(in.get());
    ASSERT_NE(wav, nullptr);
    EXPECT_TRUE(wav->Open(0)) << wav->LastError();
    auto out = system->CreateOutput();
    ASSERT_NE(dynamic_cast<WavFileSoundOutput*>(out.get()), nullptr);
    ASSERT_TRUE(out->Open(0));
    // The program's file takes its buffers at the pace of the air: a second is not played at once.
    const std::vector<int16_t> second(kSampleRate, 0);
    out->Write(0, second.data(), kSampleRate);
    EXPECT_FALSE(out->IsDone(0));
    EXPECT_GT(out->PendingSamples(), kSampleRate / 2);
    out->Close();
    EXPECT_TRUE(std::filesystem::exists(outPath));
}

}  // namespace
}  // namespace muv
