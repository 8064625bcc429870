// The install sequence, run once before the first start of MUV and again whenever the operator likes:
// the CAT server is looked for and its setup run (and waited for) where it is missing or of a version
// MUV cannot drive; the component files, where a system has any, are put in place and registered; the
// rig files are copied to where MUV keeps them, without overwriting one the operator has changed; and
// the operator is told how it went. Everything it touches on the machine goes through
// InstallerPlatform, which the program gives over the real system and the tests over a fake.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/message_box.h"

namespace muv {

// What a copy of the rig files did: false in ok when a file could not be copied, and the names of the
// files kept because the operator has changed them.
struct RigFilesCopy {
    bool ok = true;
    std::vector<std::string> kept;
};

class InstallerPlatform {
public:
    virtual ~InstallerPlatform() = default;
    // The CAT server's version as a whole number; nullopt when it is not installed or does not answer.
    virtual std::optional<int> CatServerVersion() = 0;
    virtual bool FileExists(const std::string& path) = 0;
    virtual bool IsDirectory(const std::string& path) = 0;
    // Where the component files go.
    virtual std::string SystemFolder() = 0;
    // Where MUV keeps the rig files.
    virtual std::string RigFolder() = 0;
    // Copies one file, replacing one there; false when it could not be copied.
    virtual bool CopyFile(const std::string& from, const std::string& to) = 0;
    // Makes a component just put in place known to the system; false when that fails.
    virtual bool RegisterComponent(const std::string& path) = 0;
    // Copies every file of a folder into another. A file not there yet is added; one there is replaced
    // only while it is as this copy left it last time, so that a file the operator has changed is kept.
    virtual RigFilesCopy CopyFolderFiles(const std::string& from, const std::string& to) = 0;
    static constexpr int kNotStarted = -1;
    // Runs a program, with the terminal when there is one, and waits for it to end. Its exit status
    // (128 + the signal's number when a signal ended it), or kNotStarted.
    virtual int RunProgram(const std::string& path) = 0;
    virtual MessageBoxes& Boxes() = 0;
};

// One component file: its name in the installer's folder (tested there and copied from there), its
// name in the system folder, the name the error message gives it, and whether one already in the
// system folder is kept (otherwise it is always copied and registered).
struct ComponentFile {
    std::string source;
    std::string installed;
    std::string displayName;
    bool keptWhenPresent = true;
};

struct InstallSetup {
    // The components in copy order, and the order in which their presence is checked (indices).
    std::vector<ComponentFile> RequiredComponents;
    std::vector<size_t> checkOrder;
    // The CAT server versions MUV can drive, both ends included.
    int lowestCatServerVersion = 0;
    int highestCatServerVersion = 0;
    std::string catServerName = "The CAT server";  // as the operator is told of it
    // The CAT server's setup program in the installer's folder, and what to tell when the CAT server is
    // still missing (after "File: <path> not found", or the setup's exit status): how to set it up.
    std::string catServerSetup;
    std::string catServerSetupHint;
};

// The components of MUV on this system, and the CAT server it drives (Hamlib's rigctld).
InstallSetup LinuxInstallSetup();

// The whole sequence, with the installer's folder; true when everything was put in place.
bool Install(InstallerPlatform& platform, const InstallSetup& setup, const std::string& folder);

}  // namespace muv
