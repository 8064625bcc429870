#include "logbook/session_log_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "common/cp1252.h"
#include "common/vb.h"

namespace muv {

std::string ErrorCause(int error) {
    return std::generic_category().message(error);
}

int WriteAll(int fd, std::string_view data, const FileWriter& write) {
    while (!data.empty()) {
        const ssize_t n = write ? write(fd, data.data(), data.size()) : ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

namespace {

namespace fs = std::filesystem;

constexpr const char* kNoteName = "SessionLog.note";
// The note's room on disk: one block.
constexpr size_t kNoteBytes = 4096;

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "YYYY-MM-DD.Log", the name of a day's file.
bool IsDayFileName(std::string_view name) {
    return name.size() == 14 && AllDigits(name.substr(0, 4)) && name[4] == '-' &&
           AllDigits(name.substr(5, 2)) && name[7] == '-' && AllDigits(name.substr(8, 2)) &&
           name.substr(10) == ".Log";
}

// The file whose hidden copy a name is: "." the file's name "." the saving program's process number "."
// the attempt; "" for a name of any other kind.
std::string_view CopiedFileName(std::string_view name) {
    if (!name.starts_with('.')) return {};
    const size_t attempt = name.rfind('.');
    if (attempt == 0 || !AllDigits(name.substr(attempt + 1))) return {};
    const size_t process = name.rfind('.', attempt - 1);
    if (process == 0 || process == std::string_view::npos ||
        !AllDigits(name.substr(process + 1, attempt - process - 1)))
        return {};
    return name.substr(1, process - 1);
}

// Removes a hidden copy of a save that was cut short (the program killed): a regular file of this user
// that no save holds. A save holds its copy locked until the copy has taken the file's place.
void RemoveUnheldCopy(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat held {};
    struct stat named {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
        held.st_uid == ::geteuid() && ::lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
        named.st_ino == held.st_ino)
        ::unlink(path.c_str());
    ::close(fd);
}

// The copies that saves into a folder were cut short with: those of any day's file, and of the file
// being saved (through a link it may have a name of its own).
void RemoveLeftoverCopies(const fs::path& folder, std::string_view fileName) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view copied = CopiedFileName(entry->d_name);
        if (!copied.empty() && (IsDayFileName(copied) || copied == fileName))
            RemoveUnheldCopy((folder / entry->d_name).string());
    }
    ::closedir(dir);
}

// The note to the next start in the folder, opened (made when missing) for reading and writing; -1 when
// it cannot be, or what stands there is no regular file (a pipe would hold the program up).
int OpenNote(const std::string& folder) {
    const int fd = ::open((folder + "/" + kNoteName).c_str(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int ReadAll(int fd, std::string& out) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return 0;
        out.append(buffer, static_cast<size_t>(n));
    }
}

// Puts `block` at the end of the file at `path` without ever changing the file in place: its content
// and the block go to a temporary file beside it, which reaches the disk and is then renamed over it.
// Returns 0, or the errno of the failure, after which the file is as it was and the temporary file gone.
int AppendByReplacing(const std::string& path, std::string_view block, const FileWriter& write) {
    // Through a link, the file the link leads to is the one replaced.
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);
    const fs::path target = ec ? fs::path(path) : real;
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    // What earlier saves left when they were cut short goes first: it may be the room this one needs.
    RemoveLeftoverCopies(folder, target.filename().string());

    std::string content;
    mode_t mode = 0666;  // a new file gets what the umask allows, as any new file
    bool existed = false;
    // Opened for writing as well: a file that an append could not write is not replaced either.
    const int existing = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
    if (existing >= 0) {
        struct stat st {};
        int error = ::fstat(existing, &st) == 0 ? ReadAll(existing, content) : errno;
        ::close(existing);
        if (error) return error;
        mode = st.st_mode & 07777;
        existed = true;
    } else if (errno != ENOENT) {
        return errno;
    }
    content += block;

    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        if (attempt == 100) return EEXIST;
        temp = (folder / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                          std::to_string(attempt)))
                   .string();
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno != EEXIST) return errno;
            continue;
        }
        // Held until it has taken the file's place, so that another program's clean-up leaves it alone.
        if (::flock(fd, LOCK_EX) != 0) {
            const int error = errno;
            ::unlink(temp.c_str());
            ::close(fd);
            return error;
        }
        struct stat made {};
        if (::fstat(fd, &made) != 0 || made.st_nlink == 0) {
            // Cleared away in the moment before it was held: another.
            ::close(fd);
            fd = -1;
        }
    }
    int error = WriteAll(fd, content, write);
    if (!error && existed && ::fchmod(fd, mode) != 0) error = errno;
    if (!error && ::fsync(fd) != 0) error = errno;
    // Still held as it takes the file's place; what close could report, fsync has reported already.
    if (!error && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (error) ::unlink(temp.c_str());
    ::close(fd);
    if (error) return error;
    // The rename reaches the disk with the folder; the file is whole whether or not this succeeds.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
}

}  // namespace

std::string SessionLogFileName(const UtcTime& now) {
    return Format(now.year, "0000") + "-" + Format(now.month, "00") + "-" + Format(now.day, "00") + ".Log";
}

SessionLogSave SaveSessionLog(const SessionLog& log, const std::string& folder,
                              const std::string& fallbackFolder, const UtcTime& now,
                              const FileWriter& write) {
    // The block is one line of its own: the text, the current line, a line end, and the line's end.
    const std::string block = log.SessionLogText + log.SessionLogLine + "\r\n" + "\r\n";
    const std::string name = SessionLogFileName(now);
    const auto failure = [](const std::string& path, int error) {
        return "'" + path + "': " + ErrorCause(error);
    };

    std::error_code ec;
    const bool folderExists = !folder.empty() && fs::is_directory(folder, ec);
    const std::string path = folder + "/" + name;
    int folderError = 0;
    if (folderExists) {
        folderError = AppendByReplacing(path, block, write);
        if (folderError == 0) return {true, path, ""};
    }

    const std::string notFound = "Path '" + folder + "' not found.";
    const bool haveFallback =
        !fallbackFolder.empty() && !(folderExists && fs::equivalent(folder, fallbackFolder, ec));
    if (!haveFallback) {
        if (!folderExists) return {false, "", notFound + " The session log could not be saved."};
        return {false, "", "The session log could not be saved in " + failure(path, folderError) + "."};
    }
    const std::string fallbackPath = fallbackFolder + "/" + name;
    fs::create_directories(fallbackFolder, ec);
    const int fallbackError = ec ? ec.value() : AppendByReplacing(fallbackPath, block, write);
    if (fallbackError == 0) {
        if (!folderExists)
            return {true, fallbackPath, notFound + " Data have been saved in '" + fallbackPath};
        return {true, fallbackPath,
                "Path '" + folder + "' cannot be written: " + ErrorCause(folderError) +
                    ". Data have been saved in '" + fallbackPath + "'."};
    }
    const std::string saved = "The session log could not be saved in ";
    if (!folderExists)
        return {false, "", notFound + " " + saved + failure(fallbackPath, fallbackError) + "."};
    return {false, "",
            saved + failure(path, folderError) + ", nor in " + failure(fallbackPath, fallbackError) + "."};
}

bool LeaveSessionLogNote(const std::string& folder, const SessionLogSave& save, const UtcTime& when) {
    if (folder.empty() || save.message.empty()) return false;
    std::string note = "MUV was closed on " + Format(when.year, "0000") + "-" + Format(when.month, "00") +
                       "-" + Format(when.day, "00") + " at " + Format(when.hour, "00") + ":" +
                       Format(when.minute, "00") + " UTC with nobody at the window. " + save.message;
    if (!save.saved) note += " What was received and sent in that session is lost.";
    // Written over the room the start took, to its full size: nothing new is asked of the disk.
    note = Utf8Head(note, kNoteBytes - 1);
    note.resize(kNoteBytes, '\0');
    const int fd = OpenNote(folder);
    if (fd < 0) return false;
    bool written = WriteAll(fd, note) == 0;
    written = ::fdatasync(fd) == 0 && written;
    ::close(fd);
    return written;
}

std::string TakeSessionLogNote(const std::string& folder) {
    if (folder.empty()) return {};
    const int fd = OpenNote(folder);
    if (fd < 0) return {};
    std::string content(kNoteBytes, '\0');
    const ssize_t n = ::pread(fd, content.data(), content.size(), 0);
    content.resize(n > 0 ? static_cast<size_t>(n) : 0);
    const std::string note = content.substr(0, content.find('\0'));
    struct stat st {};
    // Emptied in place, and as large as a note may be: the room is taken now, while the disk has it.
    if (n >= 0 && ::fstat(fd, &st) == 0 && (!note.empty() || st.st_size != static_cast<off_t>(kNoteBytes))) {
        bool emptied = WriteAll(fd, std::string(kNoteBytes, '\0')) == 0;
        if (emptied && st.st_size > static_cast<off_t>(kNoteBytes))
            emptied = ::ftruncate(fd, static_cast<off_t>(kNoteBytes)) == 0;
        if (emptied) ::fdatasync(fd);
    }
    ::close(fd);
    return note;
}

}  // namespace muv
