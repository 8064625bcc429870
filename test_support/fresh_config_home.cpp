// Every test process starts with configuration and data folders of its own, empty, and removed at its
// end: no test reads or writes the settings of the user who runs it, nor another test's.
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
        const std::filesystem::path servers = folder / "servers.ini";
        std::ofstream(servers, std::ios::binary)
            << "[Servers]\r\nCluster=127.0.0.1\r\nClusterPort=1\r\nSpotWeb=http://127.0.0.1:1\r\n"
               "CallsignServer=127.0.0.1\r\nCallsignServerPort=1\r\nCallsignServerAddress=127.0.0.1\r\n"
               "CallsignServerAddressPort=1\r\nPskReporter=127.0.0.1\r\nPskReporterPort=9\r\n"
               "Eqsl=http://127.0.0.1:1\r\nSmtpPort=1\r\nWebmailSmtp=127.0.0.1\r\nWebmailSmtpPort=1\r\n"
               "MailTimeout=5\r\n";
        ::setenv("MUV_SERVERS", servers.c_str(), 1);
    }
    ~FreshConfigHome() {
        std::error_code ec;
        if (!folder.empty()) std::filesystem::remove_all(folder, ec);
    }
    std::filesystem::path folder;
};

const FreshConfigHome home;

}  // namespace
