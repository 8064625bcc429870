// The sound mixer's mutes around a transmission and the volume slider kept in step with it, on mixers
// held in memory: mixer 0 (the alarm sound's) and mixer 3 (the chosen playback device's).
#include <gtest/gtest.h>

#include "transmitter/sound_mixer.h"
#include "transmitter/volume_control.h"

namespace muv {
namespace {

using L = MixerLine;
constexpr auto kMute = MixerControlType::Mute;
constexpr auto kVolume = MixerControlType::Volume;

class FakeSlider : public Slider {
public:
    int Value() const override { return value; }
    void SetValue(int v) override {
        if (v == value) return;
        value = v;
        if (Change) Change();
    }
    int value = 0;
    std::function<void()> Change;
};

class FakeAlarms : public AlarmsVolumeControls {
public:
    bool optArchivoSonido() const override { return soundFile; }
    void SetMuteVisible(bool visible) override { muteVisible = visible; }
    Slider& sldVolumen() override { return slider; }
    bool soundFile = true;
    bool muteVisible = false;
    FakeSlider slider;
};

class MixerTest : public ::testing::Test {
protected:
    MixerTest() {
        for (int n : {0, 3})
            mixers.cards[n].values = {{{L::WaveOut, kMute}, 1},     {{L::WaveOut, kVolume}, 1000},
                                      {{L::Speakers, kMute}, 1},    {{L::Microphone, kMute}, 0},
                                      {{L::CompactDisc, kMute}, 1}, {{L::Synthesizer, kMute}, 0}};
    }
    int32_t Value(int n, L line, MixerControlType type) { return mixers.Value(n, line, type); }
    auto& Values(int n) { return mixers.cards[n].values; }

    MemoryMixer mixers;
    int outputIndex = 3;
    SoundMixer mixer{mixers, [this] { return outputIndex; }};
};

TEST_F(MixerTest, OutputMutesTheSourcesAndTheEndGivesTheirStatesBack) {
    mixer.MixerSavedMutes = {9, 9, 9, 9};
    mixer.PrepareMixerForOutput(0);
    for (L src : {L::Microphone, L::CompactDisc, L::Synthesizer})
        EXPECT_EQ(Value(3, src, kMute), 1);
    EXPECT_EQ(Value(3, L::WaveOut, kMute), 0);
    EXPECT_EQ(Value(3, L::Speakers, kMute), 0);
    EXPECT_EQ(mixer.MixerSavedMutes, (std::array<uint8_t, 4>{0, 9, 1, 0})) << "the line has no mute control";

    Values(3)[{L::WaveOut, kMute}] = 1;
    mixer.RestoreMixerSources();
    for (L src : {L::Microphone, L::CompactDisc, L::Synthesizer})
        EXPECT_EQ(Value(3, src, kMute), src == L::CompactDisc);
    EXPECT_EQ(Value(3, L::WaveOut, kMute), 1) << "wave-out is left as it is";

    // The second transmission saves what it finds, which the operator changed meanwhile.
    Values(3)[{L::Microphone, kMute}] = 1;
    mixer.PrepareMixerForOutput(0);
    mixer.RestoreMixerSources();
    EXPECT_EQ(Value(3, L::Microphone, kMute), 1);
    EXPECT_EQ(mixers.openNow, 0) << "every mixer closed again";
}

TEST_F(MixerTest, TheAlarmPlayerOnlyUnmutesMixerZero) {
    mixer.PrepareMixerForOutput(1);
    EXPECT_EQ(Value(0, L::WaveOut, kMute), 0);
    EXPECT_EQ(Value(0, L::Speakers, kMute), 0);
    EXPECT_EQ(Value(0, L::Microphone, kMute), 0);
    EXPECT_EQ(Value(0, L::CompactDisc, kMute), 1);
    EXPECT_EQ(mixer.MixerSavedMutes, (std::array<uint8_t, 4>{}));
    EXPECT_EQ(mixers.cards[3].writes, 0);
}

TEST_F(MixerTest, FailedReadsGiveNothingAndMissingControlsZero) {
    EXPECT_EQ(mixer.GetWaveOutVolume(0), 1000);
    mixers.cards[3].unreadable = {{L::WaveOut, kVolume}, {L::WaveOut, kMute}, {L::Microphone, kMute}};
    EXPECT_EQ(mixer.GetWaveOutVolume(0), std::nullopt);
    EXPECT_EQ(mixer.GetWaveOutMute(0), std::nullopt);

    // An unreadable source keeps the state saved before and is muted all the same.
    mixer.MixerSavedMutes[0] = 1;
    mixer.PrepareMixerForOutput(0);
    EXPECT_EQ(mixer.MixerSavedMutes[0], 1);
    EXPECT_EQ(Value(3, L::Microphone, kMute), 1);

    Values(3).erase({L::WaveOut, kVolume});
    Values(3).erase({L::WaveOut, kMute});
    EXPECT_EQ(mixer.GetWaveOutVolume(0), 0);
    EXPECT_EQ(mixer.GetWaveOutMute(0), 0);

    outputIndex = 7;  // a device without a mixer
    EXPECT_EQ(mixer.GetWaveOutVolume(0), std::nullopt);
    EXPECT_EQ(mixer.GetWaveOutMute(0), std::nullopt);
    mixer.PrepareMixerForOutput(0);
}

class VolumeTest : public MixerTest {
protected:
    VolumeTest() {
        slider.Change = [this] { volume.sldVolumen_Change(); };
        alarms.slider.Change = [this] { volume.frmAlarms_sldVolumen_Change(); };
    }
    SharedState shared;
    MemoryWindowControls controls;
    FakeSlider slider;
    FakeAlarms alarms;
    VolumeControl volume{mixer, shared, controls, slider, &alarms};
};

TEST_F(VolumeTest, TransmittingFollowsTheMixerAndWritesTheRoundedLevelBack) {
    Values(3)[{L::WaveOut, kVolume}] = 32768;
    volume.tmrVolumenSlider_Timer();
    EXPECT_FALSE(controls.Visible(Control::sldVolumen));
    EXPECT_TRUE(controls.Visible(Control::txtVU));
    EXPECT_EQ(slider.value, 0) << "read back only while transmitting";
    slider.SetValue(80);
    EXPECT_EQ(Value(3, L::WaveOut, kVolume), 32768) << "a change while receiving is ignored";

    shared.TxRxState = 1;
    volume.tmrVolumenSlider_Timer();
    EXPECT_TRUE(controls.Visible(Control::sldVolumen));
    EXPECT_TRUE(controls.Visible(Control::lblTXVU));
    EXPECT_FALSE(controls.Visible(Control::txtVU));
    EXPECT_EQ(slider.value, 50);
    EXPECT_EQ(Value(3, L::WaveOut, kVolume), 32768) << "50 x 655.35 = 32767.5, to the even 32768";
    slider.SetValue(1);
    EXPECT_EQ(Value(3, L::WaveOut, kVolume), 655);

    EXPECT_TRUE(controls.Visible(Control::txtMute));
    volume.txtMute_Click();
    EXPECT_EQ(Value(3, L::WaveOut, kMute), 0);
    volume.tmrVolumenSlider_Timer();
    EXPECT_FALSE(controls.Visible(Control::txtMute));
}

TEST_F(VolumeTest, AFailedReadKeepsTheSliderAndNeverSilencesTheCard) {
    shared.TxRxState = 1;
    volume.tmrVolumenSlider_Timer();
    ASSERT_EQ(slider.value, 2);
    mixers.cards[3].unreadable = {{L::WaveOut, kVolume}, {L::WaveOut, kMute}};
    mixers.cards[0].unreadable = mixers.cards[3].unreadable;
    Values(3)[{L::WaveOut, kVolume}] = 20000;
    volume.tmrVolumenSlider_Timer();
    EXPECT_EQ(slider.value, 2);
    EXPECT_EQ(alarms.slider.value, 2);
    EXPECT_EQ(Value(3, L::WaveOut, kVolume), 20000);
    EXPECT_TRUE(controls.Visible(Control::txtMute));
    EXPECT_TRUE(alarms.muteVisible);
}

TEST_F(VolumeTest, TheAlarmsWindowFollowsMixerZero) {
    Values(0)[{L::WaveOut, kVolume}] = 65535;
    volume.tmrVolumenSlider_Timer();
    EXPECT_EQ(alarms.slider.value, 100);
    EXPECT_TRUE(alarms.muteVisible);
    EXPECT_EQ(mixers.cards[3].writes, 0);

    volume.frmAlarms_txtMute_Click();
    volume.tmrVolumenSlider_Timer();
    EXPECT_FALSE(alarms.muteVisible);
    alarms.soundFile = false;  // PC-speaker alarms: the warning is left alone
    Values(0)[{L::WaveOut, kMute}] = 1;
    volume.tmrVolumenSlider_Timer();
    EXPECT_FALSE(alarms.muteVisible);

    alarms.slider.SetValue(10);
    EXPECT_EQ(Value(0, L::WaveOut, kVolume), 6554) << "6553.5 to the even 6554";
}

}  // namespace
}  // namespace muv
