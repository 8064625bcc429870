// The start-up check of what MUV loads from disk at run time: before anything else is set up, the files
// that an installation puts in place are looked for. A missing component or country file ends the
// program with a message that says what is missing; a missing or outdated flags folder is only reported.
// On this system the program's parts are linked into it (a missing library stops the system's loader
// before MUV starts), so the components tested here are only the files the program opens itself.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/message_box.h"

namespace muv {

struct InstalledFiles {
    // Files an installation puts into componentFolder, tested in this order.
    std::string componentFolder;
    std::vector<std::string> components;
    // The country file's places (the first present one is used); the message names the program's folder.
    std::vector<std::string> countryFiles;
    std::string programFolder;
    // The flags folder and the marker file that a current flags folder holds; not tested when unset.
    std::optional<std::string> flagsFolder;
    std::string flagsMarker = "Glorioso.ico";
};

struct StartupProblem {
    std::string prompt, title;
    BoxIcon icon;
    bool fatal;  // the program ends after the message
};

// The problems in the order they are told; a fatal problem is always the last.
std::vector<StartupProblem> CheckInstalledFiles(const InstalledFiles& files);

// Tells each problem in a message box; false when the program must end.
bool ReportStartupProblems(const std::vector<StartupProblem>& problems, MessageBoxes& boxes);

}  // namespace muv
