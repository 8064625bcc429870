// The card that a playback device's name leads to, and the ALSA mixer on whatever this machine has.
#include <gtest/gtest.h>

#include "platform/alsa_mixer.h"

namespace muv {
namespace {

TEST(AlsaMixer, FindsTheCardInPortAudioDeviceNames) {
    EXPECT_EQ(AlsaCardFromDeviceName("HDA Intel PCH: ALC892 Analog (hw:0,0)"), 0);
    EXPECT_EQ(AlsaCardFromDeviceName("USB Audio CODEC: - (hw:12,0)"), 12);
    EXPECT_EQ(AlsaCardFromDeviceName("Xonar U7 (rev 2): USB Audio (hw:3,1)"), 3);
    for (const char* name : {"default", "pulse", "sysdefault", "", "odd (hw:)", "odd (hw:x,0)", "odd (hw:1"})
        EXPECT_EQ(AlsaCardFromDeviceName(name), -1) << name;

    AlsaMixer mixer({"pulse", "USB Audio CODEC: - (hw:2,0)"});
    EXPECT_EQ(mixer.MixerDevice(1), "hw:2");
    EXPECT_EQ(mixer.MixerDevice(0), "default");
    EXPECT_EQ(mixer.MixerDevice(-1), "default");
    EXPECT_EQ(mixer.MixerDevice(5), "default") << "no such device";
}

TEST(AlsaMixer, OpensThisMachinesMixerOrSaysThereIsNone) {
    AlsaMixer mixer;
    auto m = mixer.Open(0);
    if (!m) {
        EXPECT_EQ(mixer.LastError(), "no mixer");
        EXPECT_EQ(AlsaMixer({"Card (hw:31,0)"}).Open(0), nullptr);
        return;
    }
    EXPECT_EQ(mixer.LastError(), "");
    // Reading only: the machine's own settings stay as they are.
    if (m->FindMixerControl(MixerLine::WaveOut, MixerControlType::Volume)) {
        const auto volume = m->GetMixerControlValue(MixerLine::WaveOut, MixerControlType::Volume);
        ASSERT_TRUE(volume.has_value());
        EXPECT_GE(*volume, 0);
        EXPECT_LE(*volume, 65535);
    }
}

}  // namespace
}  // namespace muv
