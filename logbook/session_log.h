// The session text: what was received and sent during this run, written to the day's session log file.
#pragma once

#include <cstdint>
#include <string>

namespace muv {

struct SessionLog {
    std::string SessionLogText;   // the closed part of the session text
    std::string SessionLogLine;   // the current, not yet closed part
    uint8_t SessionLogDirty = 0;  // 1 once anything was received or sent in this session
    int32_t RxMessageStart = 0;   // where the message being received begins in the receive window
};

}  // namespace muv
