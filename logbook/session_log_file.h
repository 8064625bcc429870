// The session log file: one plain text file per UTC day to which the program adds, when it closes,
// what was received and sent during the run.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "common/utc_time.h"
#include "logbook/session_log.h"

namespace muv {

inline constexpr const char* kSessionLogErrorTitle = "Log Error";

// The day's file name: "YYYY-MM-DD.Log".
std::string SessionLogFileName(const UtcTime& now);

// How the file's bytes reach the disk, with the contract of POSIX write(). Tests put in one that fails
// as a full disk does.
using FileWriter = std::function<ssize_t(int fd, const void* data, size_t size)>;

// Writes all of data to fd, through `write` when one is given; 0, or the errno of the failure.
int WriteAll(int fd, std::string_view data, const FileWriter& write = nullptr);
// What an errno means, in a few words ("No space left on device").
std::string ErrorCause(int error);

// What a save came to.
struct SessionLogSave {
    bool saved = false;   // the block is in a file, whole
    std::string path;     // that file
    std::string message;  // for the operator, titled kSessionLogErrorTitle; "" when saved where asked
};

// Adds SessionLogText, SessionLogLine and a line end, as one block, to the file of the UTC day `now`
// in `folder`. The file is replaced whole by a copy that has the block added, never changed in place:
// a failed write leaves it as it was. When `folder` is missing or cannot take the file, the block goes
// to the file of the day in `fallbackFolder` (created when missing; "" for none) and the message says
// so; when no file can take it, nothing is saved and the message names the file and the cause. The
// session log itself is never changed, so a later save still has all of it.
SessionLogSave SaveSessionLog(const SessionLog& log, const std::string& folder,
                              const std::string& fallbackFolder, const UtcTime& now,
                              const FileWriter& write = nullptr);

}  // namespace muv
