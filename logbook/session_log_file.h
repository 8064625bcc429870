// The session log file: one plain text file per UTC day to which the program appends, when it closes,
// what was received and sent during the run.
#pragma once

#include <string>

#include "session_log.h"
#include "utc_time.h"

namespace muv {

inline constexpr const char* kSessionLogErrorTitle = "Log Error";

// The day's file name: "YYYY-MM-DD.Log".
std::string SessionLogFileName(const UtcTime& now);

// Appends SessionLogText, SessionLogLine and a line end, as one line, to the file of the UTC day `now`
// in `folder`. When `folder` is not an existing folder the file goes to `programFolder` instead, and
// the warning to show the operator (titled kSessionLogErrorTitle) is returned; otherwise "". A file
// that cannot be written throws std::runtime_error, for the caller's trap.
std::string SaveSessionLog(const SessionLog& log, const std::string& folder, const std::string& programFolder,
                           const UtcTime& now);

}  // namespace muv
