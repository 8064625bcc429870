#include "platform/program_folders.h"

#include <cstdlib>
#include <filesystem>

namespace muv {

std::string SettingsFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // A relative path is not a configuration home: it is ignored, as the XDG rules say.
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/MUV";
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.config/MUV";
    return {};
}

std::string UserDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/MUV";
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.local/share/MUV";
    return {};
}

bool MakeUserFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

namespace {

// <prefix>/share/muv beside an installed program; "" when the program is not installed.
std::string InstalledDataFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const std::filesystem::path installed = exe.parent_path().parent_path() / "share" / "muv";
        if (std::filesystem::is_directory(installed, ec)) return installed.string();
    }
    return {};
}

}  // namespace

std::string ProgramDataFolder() {
    const std::string installed = InstalledDataFolder();
    return installed.empty() ? MUV_SOURCE_DATA_DIR : installed;
}

std::string ProgramFlagsFolder() {
    const std::string installed = InstalledDataFolder();
    return (installed.empty() ? std::string(MUV_BUILD_DATA_DIR) : installed) + "/Flags";
}

std::vector<std::string> CountryFileCandidates(const std::string& settingsFolder,
                                               const std::string& dataFolder) {
    std::vector<std::string> places;
    if (!settingsFolder.empty()) places.push_back(settingsFolder + "/cty.dat");
    if (!dataFolder.empty()) places.push_back(dataFolder + "/cty.dat");
    places.push_back(kSystemCountryFile);
    return places;
}

}  // namespace muv
