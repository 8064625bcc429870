// The install sequence's platform on this system: the CAT server is Hamlib's rigctld, found on the
// PATH and asked for its version, and its setup a program run on the installer's own terminal (so
// that it can ask for the administrator's password) and waited for; the component files would go into
// the program's data folder and need no registration (the system's loader finds linked libraries
// itself); the rig files go into the user's MUV data folder, with a record of what was copied
// (kInstalledRecord) by which a file the operator has changed since is told from one still as
// copied; messages are the desktop's message boxes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "installer/install_sequence.h"

namespace muv {

// The version that "rigctld --version" prints ("rigctl Hamlib 4.5.4 Jan 10 ...") as a whole number,
// major * 10000 + minor * 100 + patch (4.5.4 is 40504; a missing patch counts as 0); nullopt for a text
// that names no Hamlib version.
std::optional<int> ParseHamlibVersion(std::string_view text);

class LinuxInstallerPlatform : public InstallerPlatform {
public:
    // In the destination folder of a copy: "<SHA-256 in hex> <name>" for each file as it was copied.
    // A dot file, which MUV's list of rig files passes over.
    static constexpr const char* kInstalledRecord = ".installed";

    // rigctld: the CAT server program, looked for on the PATH unless a path is given; systemFolder and
    // rigFolder: where the components and the rig files go.
    LinuxInstallerPlatform(MessageBoxes& boxes, std::string systemFolder, std::string rigFolder,
                           std::string rigctld = "rigctld");

    std::optional<int> CatServerVersion() override;
    bool FileExists(const std::string& path) override;
    bool IsDirectory(const std::string& path) override;
    std::string SystemFolder() override { return systemFolder_; }
    std::string RigFolder() override { return rigFolder_; }
    bool CopyFile(const std::string& from, const std::string& to) override;
    bool RegisterComponent(const std::string& path) override;
    RigFilesCopy CopyFolderFiles(const std::string& from, const std::string& to) override;
    int RunProgram(const std::string& path) override;
    MessageBoxes& Boxes() override { return boxes_; }

private:
    MessageBoxes& boxes_;
    std::string systemFolder_;
    std::string rigFolder_;
    std::string rigctld_;
};

}  // namespace muv
