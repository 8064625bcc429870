// A received message as it ended: what the receiver hands over for the closing steps that the rest of
// the program runs (the end mark, the S/N, distance and bearing, the log, the reports, alarms and the
// beacon's answer).
#pragma once

#include <cstdint>
#include <string>

namespace muv {

struct FinishedMessage {
    std::string text;               // the message's text
    bool stopped = false;           // its end pattern was recognised (else the frame was cancelled)
    float snDb = 0;                 // S/N in dB referred to 2500 Hz
    uint8_t syncMatchesAtLock = 0;  // sync symbols matched at the lock
    uint8_t endMatches = 0;         // end-pattern symbols matched at the end (0 for a cancelled frame)
    float frequencyShiftHz = 0;     // frequency offset at the lock
    float meanViterbiErrors = 0;    // the decoder's overruled symbols, mean over the message
    float cpuLoadAtLock = 0;        // processor load at the lock, percent
    float meanLevelDb = 0;          // input level, mean over the message
    int32_t frequencyAtLock = 0;    // the rig's frequency at the lock, Hz
};

}  // namespace muv
