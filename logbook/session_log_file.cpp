#include "logbook/session_log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string_view>
#include <system_error>

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

    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temp = (folder / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                          std::to_string(attempt)))
                   .string();
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && (errno != EEXIST || attempt == 99)) return errno;
    }
    int error = WriteAll(fd, content, write);
    if (!error && existed && ::fchmod(fd, mode) != 0) error = errno;
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (!error && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(temp.c_str());
        return error;
    }
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

}  // namespace muv
