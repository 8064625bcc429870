// Variables of the operating position that the main window owns and the modem reads or writes.
#pragma once

#include <cstdint>

#include "common/utc_time.h"

namespace muv {

struct SharedState {
    uint8_t BandClass = 2;       // 1 MF, 2 HF, 3 EME
    int16_t BandwidthHz = 2000;  // HF bandwidth choice: 2000 or 500
    uint8_t TxRxState = 0;       // 0 receiving, 1 transmitting, 2 ending a transmission
    int RxFontSize = 10;         // font size of received text: 10, 12 or 14
    UtcTime UtcNow;              // the UTC time of the last clock tick
};

}  // namespace muv
