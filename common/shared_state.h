// Variables of the operating position that the main window owns and the modem reads or writes.
#pragma once

#include <cstdint>

#include "common/utc_time.h"

namespace muv {

// The operator's switches that the modem follows. The main window shows them as its ON/OFF pictures and
// keeps these values in step with them; a receiver or transmitter without a window is given them
// directly.
struct ModemSwitches {
    bool wideAfc = false;            // imgAFC200: the wide AFC range (in EME the wide search, mode 8)
    uint8_t hfReceiveOption = 3;     // 1 to 3: imgRXON1, imgRXON2 or imgRXON3 (the HF receive option)
    uint8_t mfReceiveOption = 3;     // 1 to 3: imgRXON1MF, imgRXON2MF or imgRXON3MF
    uint8_t hfSymbolRate = 3;        // 1 to 3: imgBaudON1, imgBaudON2 or imgBaudON3 (fastest first)
    uint8_t mfSymbolRate = 3;        // 2 or 3: imgBaudON2MF or imgBaudON3MF
    bool hfSymbolRateFrame = false;  // fraSymbolRateHF shown: the HF band's options are in use
    bool beaconOn = false;           // imgONBeacon
    bool waterfallOn = false;        // imgONWaterFall
    bool alarmOn = false;            // imgONAlarm
    bool scanOn = false;             // imgScanON
};

struct SharedState {
    uint8_t BandClass = 2;       // 1 MF, 2 HF, 3 EME
    int16_t BandwidthHz = 2000;  // HF bandwidth choice: 2000 or 500
    uint8_t TxRxState = 0;       // 0 receiving, 1 transmitting, 2 ending a transmission
    int RxFontSize = 10;         // font size of received text: 10, 12 or 14
    UtcTime UtcNow;              // the UTC time of the last clock tick
    UtcTime QsoStartUtc;         // when the current contact began (a copy of UtcNow)
    ModemSwitches switches;
};

}  // namespace muv
