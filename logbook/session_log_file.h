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
// a failed write leaves it as it was. The copy is a hidden file beside it (".2026-12-10.Log.<process>.<n>"),
// held locked until it has taken the file's place; the copies that saves cut short (a killed program)
// left in a folder, those of this user that no save holds, are removed by the next save into that
// folder, before it writes. When `folder` is missing or cannot take the file, the block goes
// to the file of the day in `fallbackFolder` (created when missing; "" for none) and the message says
// so; when no file can take it, nothing is saved and the message names the file and the cause. The
// session log itself is never changed, so a later save still has all of it.
SessionLogSave SaveSessionLog(const SessionLog& log, const std::string& folder,
                              const std::string& fallbackFolder, const UtcTime& now,
                              const FileWriter& write = nullptr);

// A save's message that nobody could read (the program closed with nobody at the window) waits for the
// next start in a note in `folder` (the settings folder). The note's room on disk, one block, is taken
// by the start before (TakeSessionLogNote) and written over in place, so that a disk too full for the
// session log still takes the note; a file system that copies on write may refuse even that. False when
// the note could not be written.
bool LeaveSessionLogNote(const std::string& folder, const SessionLogSave& save, const UtcTime& when);
// The note that the last run left in `folder` ("" when none), which is then emptied; the note's room is
// kept, and made when missing, for this run.
std::string TakeSessionLogNote(const std::string& folder);

}  // namespace muv
