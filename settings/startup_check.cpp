#include "settings/startup_check.h"

#include <filesystem>

namespace muv {

namespace {

bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

}  // namespace

std::vector<StartupProblem> CheckInstalledFiles(const InstalledFiles& files) {
    std::vector<StartupProblem> problems;
    for (const std::string& name : files.components) {
        const std::string path = files.componentFolder + "/" + name;
        if (!Exists(path)) {
            problems.push_back(
                {"File " + path + " not found. Run 'muv-install'", "Setup Error", BoxIcon::Critical, true});
            return problems;
        }
    }
    bool country = false;
    for (const std::string& place : files.countryFiles)
        if (Exists(place)) {
            country = true;
            break;
        }
    if (!country) {
        problems.push_back({"File " + files.programFolder + "/cty.dat not found.", "File not found",
                            BoxIcon::Exclamation, true});
        return problems;
    }
    if (files.flagsFolder) {
        std::error_code ec;
        if (!std::filesystem::is_directory(*files.flagsFolder, ec)) {
            problems.push_back(
                {"'Flags' Directory not found", "Folder not found", BoxIcon::Exclamation, false});
        } else if (!Exists(*files.flagsFolder + "/" + files.flagsMarker)) {
            problems.push_back(
                {"Some Flags have been included in this version. Please, copy the Flag Folder again",
                 "Flag not found", BoxIcon::Exclamation, false});
        }
    }
    return problems;
}

bool ReportStartupProblems(const std::vector<StartupProblem>& problems, MessageBoxes& boxes) {
    for (const StartupProblem& p : problems) {
        boxes.Show(p.prompt, p.title, p.icon);
        if (p.fatal) return false;
    }
    return true;
}

}  // namespace muv
