#include "common/window_controls.h"

namespace muv {

namespace {

// Sets an option row's value from one of its pictures.
void FollowRow(uint8_t& value, uint8_t option, uint8_t last, bool shown) {
    if (shown) {
        value = option;
    } else if (value == option) {
        value = last;
    }
}

}  // namespace

void FollowSwitchPicture(ModemSwitches& s, Control picture, bool shown) {
    switch (picture) {
        case Control::imgAFC200:
            s.wideAfc = shown;
            break;
        case Control::imgRXON1:
            FollowRow(s.hfReceiveOption, 1, 3, shown);
            break;
        case Control::imgRXON2:
            FollowRow(s.hfReceiveOption, 2, 3, shown);
            break;
        case Control::imgRXON3:
            FollowRow(s.hfReceiveOption, 3, 3, shown);
            break;
        case Control::imgRXON1MF:
            FollowRow(s.mfReceiveOption, 1, 3, shown);
            break;
        case Control::imgRXON2MF:
            FollowRow(s.mfReceiveOption, 2, 3, shown);
            break;
        case Control::imgRXON3MF:
            FollowRow(s.mfReceiveOption, 3, 3, shown);
            break;
        case Control::imgBaudON1:
            FollowRow(s.hfSymbolRate, 1, 3, shown);
            break;
        case Control::imgBaudON2:
            FollowRow(s.hfSymbolRate, 2, 3, shown);
            break;
        case Control::imgBaudON3:
            FollowRow(s.hfSymbolRate, 3, 3, shown);
            break;
        case Control::imgBaudON2MF:
            FollowRow(s.mfSymbolRate, 2, 3, shown);
            break;
        case Control::imgBaudON3MF:
            FollowRow(s.mfSymbolRate, 3, 3, shown);
            break;
        case Control::fraSymbolRateHF:
            s.hfSymbolRateFrame = shown;
            break;
        case Control::imgONBeacon:
            s.beaconOn = shown;
            break;
        case Control::imgONWaterFall:
            s.waterfallOn = shown;
            break;
        case Control::imgONAlarm:
            s.alarmOn = shown;
            break;
        case Control::imgScanON:
            s.scanOn = shown;
            break;
        default:
            break;
    }
}

ModemSwitches ReadSwitchPictures(const WindowControls& c) {
    ModemSwitches s;
    // Each row from its last picture to its first, so that the first lit one counts.
    for (Control picture :
         {Control::imgAFC200, Control::imgRXON3, Control::imgRXON2, Control::imgRXON1, Control::imgRXON3MF,
          Control::imgRXON2MF, Control::imgRXON1MF, Control::imgBaudON3, Control::imgBaudON2,
          Control::imgBaudON1, Control::imgBaudON3MF, Control::imgBaudON2MF, Control::fraSymbolRateHF,
          Control::imgONBeacon, Control::imgONWaterFall, Control::imgONAlarm, Control::imgScanON})
        FollowSwitchPicture(s, picture, c.Visible(picture));
    return s;
}

}  // namespace muv
