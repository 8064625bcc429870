// The alarm player on the system's real devices: a silent sound file plays through to its end. Skipped
// where no playback device takes it (a machine without a sound card or server).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/sound_factory.h"
#include "platform/wav_file.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

class PortAudioAlarm : public test::TempFolderTest {};

TEST_F(PortAudioAlarm, ASilentFilePlaysToItsEndOnARealDevice) {
    const std::shared_ptr<SoundSystem> system = SoundSystem::Make();
    if (system->PlaybackDevices().devices.empty()) GTEST_SKIP() << "no playback device";
    EXPECT_LT(system->DefaultPlaybackIndex(), system->PlaybackCount());

    ManualTimer timer;
    SoundAlarmPlayer player(system->CreateAlarmOutput([] { return -1; }, [] { return false; }), timer);
    timer.OnTimer = [&] { player.Poll(); };
    int ended = 0;
    player.FileEnded = [&] { ++ended; };
    ASSERT_TRUE(WriteWavFile(Path("quiet.wav"), std::vector<int16_t>(kSampleRate / 5, 0)));
    const AlarmFileResult result = player.PlayFile(Path("quiet.wav"));
    if (result == AlarmFileResult::NoDevice) GTEST_SKIP() << "the first playback device does not open";
    ASSERT_EQ(result, AlarmFileResult::Playing);
    // The device's own pace: polled until it has played the file, for ten seconds at most.
    for (int i = 0; i < 500 && player.Sounding(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        timer.Advance(SoundAlarmPlayer::kPollMilliseconds);
    }
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(player.Playing());
    EXPECT_FALSE(player.Sounding());
}

}  // namespace
}  // namespace muv
