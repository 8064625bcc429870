// The settings file as the module opens it (folder, seed, privacy, failures), the groups kept as plain
// values, and the start-up check of the installed files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <QGuiApplication>
#include <QScreen>

#include "platform/private_profile.h"
#include "settings/settings_file.h"
#include "settings/settings_window.h"
#include "settings/startup_check.h"
#include "settings/window_state_settings.h"
#include "test_support/qt_app.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class SettingsFileTest : public test::TempFolderTest {};

TEST_F(SettingsFileTest, TheSeedIsCopiedOnceAndTheCopyIsPrivate) {
    const std::string seed = Path("seed.ini");
    std::ofstream(seed, std::ios::binary) << "[User Profiles]\r\nNumeroUsuario=3\r\n";
    ::chmod(seed.c_str(), 0444);  // as installed: read-only
    const std::string folder = Path("config/deeper/MUV");
    SettingsFile file;
    file.Write("Before", "Open", "in memory");
    EXPECT_EQ(file.Read("Before", "Open", 50), "in memory");
    file.Open(folder, seed);
    EXPECT_EQ(file.SettingsPath(), folder + "/MUV.ini");
    EXPECT_EQ(file.Read("User Profiles", "NumeroUsuario", 20), "3");
    struct stat st {};
    ASSERT_EQ(::stat(file.SettingsPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "passwords are kept in it";
    file.Write("User Profiles", "NumeroUsuario", "5");

    // An existing file is never overwritten by the seed.
    SettingsFile again;
    again.Open(folder, seed);
    EXPECT_EQ(again.Read("User Profiles", "NumeroUsuario", 20), "5");

    // No seed: the file appears at the first write.
    SettingsFile fresh;
    fresh.Open(Path("other"), Path("no-seed.ini"));
    EXPECT_FALSE(std::filesystem::exists(fresh.SettingsPath()));
    EXPECT_EQ(fresh.Read("User Profiles", "NumeroUsuario", 20), std::nullopt);
    fresh.Write("User Profiles", "NumeroUsuario", "1");
    EXPECT_EQ(FileText(fresh.SettingsPath()), "[User Profiles]\r\nNumeroUsuario=1\r\n");
}

TEST_F(SettingsFileTest, AFailedWriteIsToldOnceAndTheValuesLastTheRun) {
    SettingsFile file;
    file.Open(Path("MUV"), "");
    std::vector<std::string> told;
    file.WriteFailed = [&told](const std::string& m) { told.push_back(m); };
    file.Write("RIG", "PTT", "1");
    ::chmod(file.SettingsPath().c_str(), 0400);
    file.Write("RIG", "PTT", "3");
    file.Write("RIG", "Pin", "2");
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("cannot be saved"), std::string::npos);
    EXPECT_NE(told[0].find("read-only"), std::string::npos);
    EXPECT_EQ(file.Read("RIG", "PTT", 50), "3");
    EXPECT_EQ(FileText(file.SettingsPath()), "[RIG]\r\nPTT=1\r\n");
    ::chmod(file.SettingsPath().c_str(), 0600);
    {
        SettingsFile::Batch batch(file);
        file.Write("RIG", "Modo", "1");
    }
    EXPECT_EQ(FileText(file.SettingsPath()), "[RIG]\r\nPTT=3\r\nPin=2\r\nModo=1\r\n");
    ::chmod(file.SettingsPath().c_str(), 0400);
    file.Write("RIG", "Modo", "0");
    EXPECT_EQ(told.size(), 2u) << "told again after a write had succeeded";
}

// A file too large to be a settings file is never replaced: the operator hears of it once, however many
// events write after that (a message's statistics every few seconds), and what is chosen stays.
TEST_F(SettingsFileTest, AFileTooLargeToTakeIsToldOnceAndTheChoicesLastTheRun) {
    test::EnsureApplication();
    std::filesystem::create_directories(Path("MUV"));
    const std::string huge = "[RIG]\r\nPTT=2\r\n;" + std::string(ProfileFile::kMaxFileBytes, 'x') + "\r\n";
    std::ofstream(Path("MUV/MUV.ini"), std::ios::binary) << huge;
    SettingsFile file;
    file.Open(Path("MUV"), "");
    std::vector<std::string> told;
    file.WriteFailed = [&told](const std::string& m) { told.push_back(m); };
    for (int message = 1; message <= 5; ++message)
        test::AsAnEvent([&] {
            file.Write("Estadisticas", "Contador Shift", std::to_string(message));
            file.Write("Estadisticas", "Shift", "+3");
        });
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("larger than a settings file can be"), std::string::npos) << told[0];
    EXPECT_EQ(file.Read("Estadisticas", "Contador Shift", 20), "5");
    EXPECT_TRUE(FileText(file.SettingsPath()) == huge) << "the file is left as it was";
}

// What stands in the file's place and is no file (a named pipe, a socket, a folder) gives the defaults at
// once, without waiting on it; the operator hears why at the first save, once, and it stays as it was.
TEST_F(SettingsFileTest, WhatIsNoFileIsNeitherReadNorReplaced) {
    test::EnsureApplication();
    const auto socketAt = [](const std::string& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        return fd;
    };
    for (const std::string kind : {"named pipe", "socket", "folder"}) {
        SCOPED_TRACE(kind);
        const std::string folder = Path(kind.substr(0, 4));
        const std::string path = folder + "/MUV.ini";
        std::filesystem::create_directories(folder);
        int socket = -1;
        if (kind == "named pipe") ::mkfifo(path.c_str(), 0600);
        if (kind == "socket") socket = socketAt(path);
        if (kind == "folder") std::filesystem::create_directories(path);
        struct stat before {};
        ASSERT_EQ(::lstat(path.c_str(), &before), 0);
        // Whoever waits on the pipe is handed a profile: a settings file that waits for it takes it.
        std::atomic<bool> done{false};
        std::thread writer([&] {
            while (!done && kind == "named pipe") {
                if (const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC); fd >= 0) {
                    const std::string profile = "[User Profiles]\r\nNumeroUsuario=3\r\n";
                    (void)!::write(fd, profile.data(), profile.size());
                    ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        SettingsFile file;
        std::vector<std::string> told;
        file.WriteFailed = [&told](const std::string& m) { told.push_back(m); };
        file.Open(folder, "");
        EXPECT_EQ(file.Read("User Profiles", "NumeroUsuario", 20), std::nullopt);
        test::AsAnEvent([&] { file.Write("User Profiles", "NumeroUsuario", "1"); });
        test::AsAnEvent([&] { file.Write("Pantalla", "Color", " 4"); });
        done = true;
        writer.join();
        ASSERT_EQ(told.size(), 1u);
        EXPECT_NE(told[0].find("it is a " + kind + ", not a file"), std::string::npos) << told[0];
        EXPECT_EQ(file.Read("Pantalla", "Color", 50), "4") << "kept for the run";
        struct stat after {};
        ASSERT_EQ(::lstat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << "never replaced";
        EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
        if (socket >= 0) ::close(socket);
    }
}

// An editor that saves in UTF-8 may put its mark before the first section: the section is read, and a
// save changes it in place, the mark kept.
TEST_F(SettingsFileTest, TheFirstSectionAfterAUtf8MarkIsReadAndKept) {
    std::filesystem::create_directories(Path("MUV"));
    const std::string marked = "\xEF\xBB\xBF[User Profiles]\r\nNumeroUsuario=3\r\n3=Portable\r\n";
    std::ofstream(Path("MUV/MUV.ini"), std::ios::binary) << marked;
    SettingsFile file;
    file.Open(Path("MUV"), "");
    EXPECT_EQ(file.Read("User Profiles", "NumeroUsuario", 20), "3");
    EXPECT_EQ(file.Read("User Profiles", "3", 40), "Portable");
    file.Write("User Profiles", "NumeroUsuario", "3");
    file.Write("User Profiles", "4", "Contest");
    EXPECT_EQ(FileText(file.SettingsPath()),
              "\xEF\xBB\xBF[User Profiles]\r\nNumeroUsuario=3\r\n3=Portable\r\n4=Contest\r\n");
}

// The settings folder cleared away while the program runs: the next save makes it again, as the first
// start made it, and writes every value of the run into it, those of earlier saves too.
TEST_F(SettingsFileTest, ARemovedFolderIsMadeAgainAtTheNextSave) {
    const std::string folder = Path("config/MUV");
    SettingsFile file;
    std::vector<std::string> told;
    file.WriteFailed = [&told](const std::string& m) { told.push_back(m); };
    file.Open(folder, "");
    file.Write("Operador", "Callsign", "EA1ABC");
    struct stat made {};
    ASSERT_EQ(::stat(folder.c_str(), &made), 0);
    std::filesystem::remove_all(Path("config"));

    file.Write("Pantalla", "Resolucion", " 2");
    EXPECT_TRUE(told.empty()) << told.front();
    EXPECT_EQ(FileText(file.SettingsPath()),
              "[Operador]\r\nCallsign=EA1ABC\r\n[Pantalla]\r\nResolucion= 2\r\n");
    struct stat again {};
    ASSERT_EQ(::stat(folder.c_str(), &again), 0);
    EXPECT_EQ(again.st_mode & 07777, made.st_mode & 07777);
    ASSERT_EQ(::stat(file.SettingsPath().c_str(), &again), 0);
    EXPECT_EQ(again.st_mode & 0777, 0600u);
}

// Names in any script come back as typed; a value Windows-1252 holds is still written in it, so that the
// file stays readable where it came from, and what Windows wrote loads as it did.
TEST_F(SettingsFileTest, NamesInEveryScriptRoundTripAndWindowsValuesStayWindows1252) {
    std::filesystem::create_directories(Path("MUV"));
    const std::string windows =
        "[Operador]\r\nCallsign=EA1ABC\r\nName=Jos\xE9 Mar\xED"
        "a\r\n";
    std::ofstream(Path("MUV/MUV.ini"), std::ios::binary) << windows;
    {
        SettingsFile file;
        file.Open(Path("MUV"), "");
        EXPECT_EQ(file.Read("Operador", "Name", 50), "José María");
        file.Write("Operador", "QTH", "Győr");
        file.Write("Operador2", "Name", "Иван");
        file.Write("Operador2", "QTH", "Plzeň");
        file.Write("Operador3", "QTH", "León");
    }
    EXPECT_EQ(FileText(Path("MUV/MUV.ini")), windows +
                                                 "QTH=Győr\r\n[Operador2]\r\nName=Иван\r\nQTH=Plzeň\r\n"
                                                 "[Operador3]\r\nQTH=Le\xF3n\r\n");
    SettingsFile again;
    again.Open(Path("MUV"), "");
    EXPECT_EQ(again.Read("Operador", "Name", 50), "José María");
    EXPECT_EQ(again.Read("Operador", "QTH", 50), "Győr");
    EXPECT_EQ(again.Read("Operador2", "Name", 50), "Иван");
    EXPECT_EQ(again.Read("Operador2", "QTH", 50), "Plzeň");
    EXPECT_EQ(again.Read("Operador3", "QTH", 50), "León");
}

// A save cut short (the program killed while it wrote) leaves its temporary file beside the settings;
// the next start clears such files away, and only those.
TEST_F(SettingsFileTest, TheStartClearsAwayWhatSavesCutShortLeftBehind) {
    std::filesystem::create_directories(Path("MUV"));
    std::filesystem::create_directories(Path("dotfiles"));
    std::filesystem::create_directories(Path("linked"));
    const auto make = [this](const std::string& name, mode_t mode) {
        std::ofstream(Path(name), std::ios::binary) << "[RIG]\r\nPTT=";
        ::chmod(Path(name).c_str(), mode);
    };
    make("MUV/MUV.ini", 0600);
    make("MUV/MUV.ini.Xq3vZ8", 0600);  // cut short
    make("MUV/MUV.ini.a1b2c3", 0600);  // cut short
    make("MUV/MUV.ini.backup", 0600);  // the user's own copy
    make("MUV/MUV.ini.old", 0600);
    make("MUV/MUV.ini.Xq3vZ8a", 0600);
    make("MUV/other.ini.Xq3vZ8", 0600);
    make("MUV/MUV.ini.Rw7Rw7", 0644);  // not made by MUV
    std::filesystem::create_directories(Path("MUV/MUV.ini.D1rD1r"));
    make("elsewhere.ini", 0600);
    std::filesystem::create_symlink(Path("elsewhere.ini"), Path("MUV/MUV.ini.L1nkL1"));
    // Another MUV's save running now holds its temporary file locked.
    make("MUV/MUV.ini.Run9Ng", 0600);
    const int running = ::open(Path("MUV/MUV.ini.Run9Ng").c_str(), O_RDWR);
    ASSERT_GE(running, 0);
    ASSERT_EQ(::flock(running, LOCK_EX), 0);
    // Beside a linked settings file's target too.
    make("dotfiles/muv.ini", 0600);
    make("dotfiles/muv.ini.K1lL3d", 0600);
    std::filesystem::create_symlink(Path("dotfiles/muv.ini"), Path("linked/MUV.ini"));

    SettingsFile file;
    file.Open(Path("MUV"), "");
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(Path("MUV")))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"MUV.ini", "MUV.ini.D1rD1r", "MUV.ini.L1nkL1", "MUV.ini.Run9Ng",
                                              "MUV.ini.Rw7Rw7", "MUV.ini.Xq3vZ8a", "MUV.ini.backup",
                                              "MUV.ini.old", "other.ini.Xq3vZ8"}));
    EXPECT_TRUE(std::filesystem::exists(Path("elsewhere.ini")));
    ::close(running);

    SettingsFile linked;
    linked.Open(Path("linked"), "");
    EXPECT_FALSE(std::filesystem::exists(Path("dotfiles/muv.ini.K1lL3d")));
    EXPECT_TRUE(std::filesystem::exists(Path("dotfiles/muv.ini")));
}

TEST(SpotWindowPlace, SharedByBothSpotWindowsPerProfileWithItsDefault) {
    MemoryProfileStore store("[Cluster6]\r\nPosicionVentanaX=1e12\r\nPosicionVentanaY= 300.6\r\n");
    WindowPlace spot{1, 1};
    LoadSpotFormPosition(store, spot);
    EXPECT_EQ(spot.x, 298);
    EXPECT_EQ(spot.y, 51);
    store.SetProfileSuffix("6");
    LoadSpotFormPosition(store, spot);
    EXPECT_EQ(spot.x, 298) << "beyond any screen's reach: the default";
    EXPECT_EQ(spot.y, 301);
    SaveSpotFormPosition(store, {400, 20});
    store.SetProfileSuffix("");
    LoadSpotFormPosition(store, spot);
    EXPECT_EQ(spot.x, 298) << "profile 1 keeps its own";
    store.SetProfileSuffix("6");
    LoadSpotFormPosition(store, spot);
    EXPECT_EQ(spot.x, 400);
    EXPECT_EQ(spot.y, 20);
}

class StartupCheck : public test::TempFolderTest {};

TEST_F(StartupCheck, TellsTheFirstMissingFileAndWhetherTheProgramGoesOn) {
    InstalledFiles files;
    files.componentFolder = folder_.string();
    files.components = {"first.so", "second.so"};
    files.countryFiles = {Path("user/cty.dat"), Path("cty.dat")};
    files.programFolder = Path("Программа");  // named whole in the message
    files.flagsFolder = Path("Flags");

    auto problems = CheckInstalledFiles(files);
    ASSERT_EQ(problems.size(), 1u) << "only the first of two missing components";
    EXPECT_EQ(problems[0].prompt, "File " + Path("first.so") + " not found. Run 'muv-install'");
    EXPECT_EQ(problems[0].title, "Setup Error");
    EXPECT_EQ(problems[0].icon, BoxIcon::Critical);
    EXPECT_TRUE(problems[0].fatal);

    std::ofstream(Path("first.so")) << "x";
    std::ofstream(Path("second.so")) << "x";
    problems = CheckInstalledFiles(files);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].prompt, "File " + Path("Программа") + "/cty.dat not found.");
    EXPECT_EQ(problems[0].title, "File not found");
    EXPECT_EQ(problems[0].icon, BoxIcon::Exclamation);
    EXPECT_TRUE(problems[0].fatal);

    std::ofstream(Path("cty.dat")) << "x";
    problems = CheckInstalledFiles(files);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].prompt, "'Flags' Directory not found");
    EXPECT_EQ(problems[0].title, "Folder not found");
    EXPECT_FALSE(problems[0].fatal);

    std::filesystem::create_directories(Path("Flags"));
    problems = CheckInstalledFiles(files);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].prompt,
              "Some Flags have been included in this version. Please, copy the Flag Folder again");
    EXPECT_EQ(problems[0].title, "Flag not found");
    EXPECT_FALSE(problems[0].fatal);

    std::ofstream(Path("Flags/Glorioso.ico")) << "x";
    EXPECT_TRUE(CheckInstalledFiles(files).empty());
    files.flagsFolder.reset();
    std::filesystem::remove(Path("cty.dat"));
    std::filesystem::create_directories(Path("user"));
    std::ofstream(Path("user/cty.dat")) << "x";
    EXPECT_TRUE(CheckInstalledFiles(files).empty()) << "a country file in the user's folder will do";
}

}  // namespace
}  // namespace muv

namespace muv {
namespace {

class WindowPlaces : public test::QtAppTest {};

TEST_F(WindowPlaces, APlaceOffEveryScreenComesBackOntoTheNearest) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize size(300, 200);
    EXPECT_EQ(PlaceOnScreen(screen.left() + 10, screen.top() + 20, size),
              QPoint(screen.left() + 10, screen.top() + 20))
        << "a place on the screen is kept";
    EXPECT_EQ(PlaceOnScreen(-5000, screen.top() + 20, size), QPoint(screen.left(), screen.top() + 20));
    const QPoint far = PlaceOnScreen(99999, 99999, size);
    EXPECT_EQ(far, QPoint(screen.right() + 1 - size.width(), screen.bottom() + 1 - size.height()));
}

}  // namespace
}  // namespace muv
