#include "session_log_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace muv {
namespace {

namespace fs = std::filesystem;

class SessionLogFile : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("muv_session_log_" + std::to_string(::getpid()));
        fs::create_directories(root / "logs");
        fs::create_directories(root / "program");
    }
    void TearDown() override { fs::remove_all(root); }
    static std::string Read(const fs::path& p) {
        std::ifstream f(p, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    fs::path root;
};

TEST_F(SessionLogFile, AppendsOneBlockPerSaveToTheFileOfTheDay) {
    SessionLog log{"Session start\r\n", "RX16: 12:00 CQ", 1, 0};
    const UtcTime day{2026, 12, 8, 23, 59, 0, 0};
    EXPECT_EQ(SaveSessionLog(log, (root / "logs").string(), (root / "program").string(), day), "");
    log.SessionLogLine = "second";
    SaveSessionLog(log, (root / "logs").string(), (root / "program").string(), day);
    EXPECT_EQ(Read(root / "logs" / "2026-12-08.Log"),
              "Session start\r\nRX16: 12:00 CQ\r\n\r\nSession start\r\nsecond\r\n\r\n");
    EXPECT_EQ(SessionLogFileName({2027, 1, 2, 0, 0, 0, 0}), "2027-01-02.Log");
}

TEST_F(SessionLogFile, MissingFolderFallsBackAndSaysWhere) {
    SessionLog log{"text", "", 1, 0};
    const UtcTime day{2026, 3, 4, 0, 0, 0, 0};
    const std::string program = (root / "program").string();
    const std::string file = program + "/2026-03-04.Log";
    EXPECT_EQ(SaveSessionLog(log, "/no/such/folder", program, day),
              "Path '/no/such/folder' not found. Data have been saved in '" + file);
    EXPECT_EQ(SaveSessionLog(log, "", program, day), "Path '' not found. Data have been saved in '" + file);
    EXPECT_EQ(Read(file), "text\r\n\r\ntext\r\n\r\n");
    EXPECT_THROW(SaveSessionLog(log, "", (root / "gone").string(), day), std::runtime_error);
}

}  // namespace
}  // namespace muv
