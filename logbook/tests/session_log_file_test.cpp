#include "logbook/session_log_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace muv {
namespace {

namespace fs = std::filesystem;

class SessionLogFile : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("muv_session_log_" + std::to_string(::getpid()));
        fs::create_directories(root / "logs");
        logs = (root / "logs").string();
        data = (root / "data" / "MUV").string();  // created by the first save that falls back
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(root / "logs", fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(root);
    }
    static std::string Read(const fs::path& p) {
        std::ifstream f(p, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    static void Write(const fs::path& p, const std::string& text) {
        std::ofstream(p, std::ios::binary) << text;
    }
    // The names in a folder: a temporary file left behind shows here.
    static std::vector<std::string> Names(const fs::path& folder) {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder, ec))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static fs::perms Mode(const fs::path& p) { return fs::status(p).permissions(); }

    fs::path root;
    std::string logs, data;
    const UtcTime day{2026, 3, 4, 23, 59, 0, 0};
    const std::string file = "2026-03-04.Log";
};

// A writer for a disk with `room` bytes left: past them it writes to /dev/full, which fails as a full
// disk does, `failures` times over (each failing file starts with the same room), then writes normally.
struct FullDisk {
    FullDisk(size_t room, int failures) : room(room), left(room), failures(failures) {
        full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    }
    ~FullDisk() {
        if (full >= 0) ::close(full);
    }
    FileWriter Writer() {
        return [this](int fd, const void* bytes, size_t size) -> ssize_t {
            if (failures == 0) return ::write(fd, bytes, size);
            if (left > 0) {
                const ssize_t n = ::write(fd, bytes, std::min(size, left));
                left -= static_cast<size_t>(n);
                return n;
            }
            --failures;
            left = room;
            return ::write(full, bytes, size);
        };
    }
    size_t room, left;
    int failures;
    int full;
};

TEST_F(SessionLogFile, AddsExactlyOneBlockPerSaveToTheFileOfTheDay) {
    EXPECT_EQ(SessionLogFileName({2027, 1, 2, 0, 0, 0, 0}), "2027-01-02.Log");
    SessionLog log{"Session start\r\n", "RX16: 12:00 CQ", 1, 0};
    const SessionLogSave first = SaveSessionLog(log, logs, data, day);
    EXPECT_TRUE(first.saved);
    EXPECT_EQ(first.path, logs + "/" + file);
    EXPECT_EQ(first.message, "");
    log.SessionLogLine = "second";
    EXPECT_TRUE(SaveSessionLog(log, logs, data, day).saved);
    EXPECT_EQ(Read(first.path), "Session start\r\nRX16: 12:00 CQ\r\n\r\nSession start\r\nsecond\r\n\r\n");
    EXPECT_EQ(Names(logs), std::vector<std::string>{file});
    EXPECT_FALSE(fs::exists(data));

    // A file that was there keeps its bytes and its permissions; a new one gets those of any new file.
    const fs::path other = root / "logs" / "2026-03-05.Log";
    Write(other, "earlier, from another run\r\n");
    const fs::perms shared = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                             fs::perms::group_write;  // beyond the usual umask
    fs::permissions(other, shared);
    EXPECT_TRUE(SaveSessionLog(log, logs, data, {2026, 3, 5, 0, 0, 0, 0}).saved);
    EXPECT_EQ(Read(other), "earlier, from another run\r\nSession start\r\nsecond\r\n\r\n");
    EXPECT_EQ(Mode(other), shared);
    Write(root / "plain", "");
    EXPECT_EQ(Mode(first.path), Mode(root / "plain"));

    // Through a link to the day's file, the file linked to gets the block and the link stays.
    const fs::path elsewhere = root / "elsewhere.Log";
    Write(elsewhere, "linked\r\n");
    fs::create_symlink(elsewhere, root / "logs" / "2026-03-06.Log");
    EXPECT_TRUE(SaveSessionLog(log, logs, data, {2026, 3, 6, 0, 0, 0, 0}).saved);
    EXPECT_TRUE(fs::is_symlink(root / "logs" / "2026-03-06.Log"));
    EXPECT_EQ(Read(elsewhere), "linked\r\nSession start\r\nsecond\r\n\r\n");
}

TEST_F(SessionLogFile, AFailedWriteLeavesTheFileWholeAndNamesTheCause) {
    const std::string path = logs + "/" + file;
    const std::string before = "***** New MUV Session: 08:00 *****\r\nRX16: 08:01 CQ\r\n\r\n";
    Write(path, before);
    const SessionLog log{"***** New MUV Session: 20:00 *****\r\n", "TX16: 20:01 CQ CQ de EA1ABC", 1, 0};

    // Full in the middle of the copy, with nowhere else to go.
    FullDisk disk(10, 100);
    ASSERT_GE(disk.full, 0) << "no /dev/full";
    SessionLogSave result = SaveSessionLog(log, logs, "", day, disk.Writer());
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(result.message,
              "The session log could not be saved in '" + path + "': No space left on device.");
    EXPECT_EQ(Read(path), before);
    EXPECT_EQ(Names(logs), std::vector<std::string>{file});

    // The user's data folder is full as well: both files and causes are named, neither file is touched.
    result = SaveSessionLog(log, logs, data, day, disk.Writer());
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(result.message, "The session log could not be saved in '" + path +
                                  "': No space left on device, nor in '" + data + "/" + file +
                                  "': No space left on device.");
    EXPECT_EQ(Read(path), before);
    EXPECT_EQ(Names(logs), std::vector<std::string>{file});
    EXPECT_TRUE(Names(data).empty());

    // Only the chosen folder's disk is full: the block goes to the data folder, and the operator is told.
    FullDisk one(0, 1);
    result = SaveSessionLog(log, logs, data, day, one.Writer());
    EXPECT_TRUE(result.saved);
    EXPECT_EQ(result.path, data + "/" + file);
    EXPECT_EQ(result.message, "Path '" + logs +
                                  "' cannot be written: No space left on device. Data have been saved in '" +
                                  data + "/" + file + "'.");
    EXPECT_EQ(Read(path), before);
    EXPECT_EQ(Read(result.path), log.SessionLogText + log.SessionLogLine + "\r\n\r\n");

    // The session text was kept: the next save, with room, adds the block that failed.
    EXPECT_TRUE(SaveSessionLog(log, logs, data, day).saved);
    EXPECT_EQ(Read(path), before + log.SessionLogText + log.SessionLogLine + "\r\n\r\n");
    EXPECT_EQ(Names(logs), std::vector<std::string>{file});
}

TEST_F(SessionLogFile, AFolderThatCannotTakeTheFileFallsBackAndSaysSo) {
    const SessionLog log{"text", "", 1, 0};
    const std::string saved = data + "/" + file;

    // No folder by that name: missing, empty, or under a regular file (so not even root can make it).
    Write(root / "regular", "");
    const std::string underFile = (root / "regular" / "logs").string();
    for (const std::string& folder : {std::string("/no/such/folder"), std::string(), underFile}) {
        const SessionLogSave result = SaveSessionLog(log, folder, data, day);
        EXPECT_TRUE(result.saved);
        EXPECT_EQ(result.path, saved);
        EXPECT_EQ(result.message, "Path '" + folder + "' not found. Data have been saved in '" + saved);
    }
    EXPECT_EQ(Read(saved), "text\r\n\r\ntext\r\n\r\ntext\r\n\r\n");

    // The folder is there but the day's file cannot be written (here a folder stands in its place).
    fs::create_directory(root / "logs" / file);
    SessionLogSave result = SaveSessionLog(log, logs, data, day);
    EXPECT_TRUE(result.saved);
    EXPECT_EQ(
        result.message,
        "Path '" + logs + "' cannot be written: Is a directory. Data have been saved in '" + saved + "'.");
    EXPECT_EQ(Names(logs), std::vector<std::string>{file});

    // Nowhere to go: the data folder cannot be made either.
    result = SaveSessionLog(log, underFile, (root / "regular" / "MUV").string(), day);
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(result.message, "Path '" + underFile + "' not found. The session log could not be saved in '" +
                                  (root / "regular" / "MUV").string() + "/" + file + "': Not a directory.");
    EXPECT_EQ(SaveSessionLog(log, "", "", day).message,
              "Path '' not found. The session log could not be saved.");
}

TEST_F(SessionLogFile, WithoutWritePermissionNothingIsReplacedAndTheBlockFallsBack) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into any folder and file";
    const SessionLog log{"text", "", 1, 0};
    const std::string permissionDenied = "Path '" + logs +
                                         "' cannot be written: Permission denied. Data have been saved in '" +
                                         data + "/" + file + "'.";
    // A day's file the operator made read-only is not replaced, though its folder could take a new one.
    const fs::path path = root / "logs" / file;
    Write(path, "kept\r\n");
    fs::permissions(path, fs::perms::owner_read);
    SessionLogSave result = SaveSessionLog(log, logs, data, day);
    EXPECT_TRUE(result.saved);
    EXPECT_EQ(result.message, permissionDenied);
    EXPECT_EQ(Read(path), "kept\r\n");

    fs::remove(path);
    fs::permissions(root / "logs", fs::perms::owner_read | fs::perms::owner_exec);
    result = SaveSessionLog(log, logs, data, day);
    EXPECT_TRUE(result.saved);
    EXPECT_EQ(result.message, permissionDenied);
    EXPECT_TRUE(Names(logs).empty());
    EXPECT_EQ(Read(data + "/" + file), "text\r\n\r\ntext\r\n\r\n");
}

}  // namespace
}  // namespace muv
