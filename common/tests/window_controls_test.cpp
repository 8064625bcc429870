// The switch pictures of the main window and the values the modem follows.
#include "common/window_controls.h"

#include <gtest/gtest.h>

namespace muv {
namespace {

TEST(SwitchPictures, EachRowTakesItsFirstLitPictureAndItsLastOptionWhenNoneIsLit) {
    MemoryWindowControls c;  // every picture hidden
    ModemSwitches none = ReadSwitchPictures(c);
    EXPECT_EQ(none.hfReceiveOption, 3);
    EXPECT_EQ(none.mfReceiveOption, 3);
    EXPECT_EQ(none.hfSymbolRate, 3);
    EXPECT_EQ(none.mfSymbolRate, 3);
    EXPECT_FALSE(none.wideAfc || none.beaconOn || none.waterfallOn || none.alarmOn || none.scanOn ||
                 none.hfSymbolRateFrame);

    c.SetVisible(Control::imgRXON2, true);
    c.SetVisible(Control::imgRXON3, true);  // two lit: the first counts
    c.SetVisible(Control::imgRXON1MF, true);
    c.SetVisible(Control::imgBaudON2, true);
    c.SetVisible(Control::imgBaudON2MF, true);
    for (Control on : {Control::imgAFC200, Control::fraSymbolRateHF, Control::imgONBeacon,
                       Control::imgONWaterFall, Control::imgONAlarm, Control::imgScanON})
        c.SetVisible(on, true);
    const ModemSwitches lit = ReadSwitchPictures(c);
    EXPECT_EQ(lit.hfReceiveOption, 2);
    EXPECT_EQ(lit.mfReceiveOption, 1);
    EXPECT_EQ(lit.hfSymbolRate, 2);
    EXPECT_EQ(lit.mfSymbolRate, 2);
    EXPECT_TRUE(lit.wideAfc && lit.beaconOn && lit.waterfallOn && lit.alarmOn && lit.scanOn &&
                lit.hfSymbolRateFrame);

    // One picture at a time: hiding the chosen option's picture leaves the last option; hiding another
    // leaves the choice; a control that is no switch changes nothing.
    ModemSwitches s;
    FollowSwitchPicture(s, Control::imgRXON1, true);
    FollowSwitchPicture(s, Control::imgRXON2, false);
    EXPECT_EQ(s.hfReceiveOption, 1);
    FollowSwitchPicture(s, Control::imgRXON1, false);
    EXPECT_EQ(s.hfReceiveOption, 3);
    FollowSwitchPicture(s, Control::imgBaudON3MF, true);
    FollowSwitchPicture(s, Control::imgBaudON2MF, false);
    EXPECT_EQ(s.mfSymbolRate, 3);
    FollowSwitchPicture(s, Control::txtModo, true);
    FollowSwitchPicture(s, Control::imgAFC50, true);  // the other half of the pair: the range is imgAFC200's
    EXPECT_FALSE(s.wideAfc);
}

}  // namespace
}  // namespace muv
