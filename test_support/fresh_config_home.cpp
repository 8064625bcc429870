// Every test process starts with configuration and data folders of its own, empty, and removed at its
// end: no test reads or writes the settings of the user who runs it, nor another test's.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct FreshConfigHome {
    FreshConfigHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "muv_home_XXXXXX").string();
        if (!::mkdtemp(pattern.data())) return;
        folder = pattern;
        std::filesystem::create_directories(folder / "config");
        std::filesystem::create_directories(folder / "data");
        ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
        // No test reaches a service on the internet: every server is a loopback port where nothing
        // listens, unless a test names its own.
        ::setenv("MUV_SERVERS", MUV_OFFLINE_SERVERS, 1);
    }
    ~FreshConfigHome() {
        std::error_code ec;
        if (!folder.empty()) std::filesystem::remove_all(folder, ec);
    }
    std::filesystem::path folder;
};

const FreshConfigHome home;

}  // namespace
