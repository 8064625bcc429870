#include "installer/install_sequence.h"

#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace muv {

namespace {

// One run of the sequence: the installer's folder, and whether anything failed on the way.
class InstallRun {
public:
    InstallRun(InstallerPlatform& platform, const InstallSetup& setup, std::string folder)
        : platform_(platform), setup_(setup), folder_(std::move(folder)) {}

    bool Run() {
        InstallFailed = 0;
        if (Accepted(platform_.CatServerVersion())) return InstallWith("");
        // The CAT server is missing or of a version MUV cannot drive: its setup, when it is here, run to
        // its end, so that what it did can be told.
        const std::string setupProgram = folder_ + "/" + setup_.catServerSetup;
        if (!platform_.FileExists(setupProgram)) {
            Show("File: " + setupProgram + " not found" + setup_.catServerSetupHint, "Installation Error",
                 BoxIcon::Critical);
            return false;
        }
        const int status = platform_.RunProgram(setupProgram);
        if (status == 0 && Accepted(platform_.CatServerVersion()))
            return InstallWith(setup_.catServerName + " has been set up by " + setupProgram + ". ");
        std::string told;
        if (status == InstallerPlatform::kNotStarted)
            told = "File: " + setupProgram + " could not be started";
        else if (status == 0)
            told = setupProgram + " ended with status 0, but " + setup_.catServerName +
                   " is still not there in a version MUV can work with";
        else
            told = setupProgram + " ended with status " + std::to_string(status) + ": " + setup_.catServerName +
                   " has not been set up";
        // The components and the rig files are put in place all the same.
        if (!RegisterComponents()) return false;
        CopyRigFiles();
        Show(told + setup_.catServerSetupHint + KeptRigFiles(), "Installation Error", BoxIcon::Critical);
        return false;
    }

private:
    // False when an error ended the installation.
    bool RegisterComponents() {
        bool missing = false;
        for (size_t index : setup_.checkOrder) {
            const std::string path = folder_ + setup_.RequiredComponents.at(index).source;
            if (!platform_.FileExists(path)) {
                // Told, and the copy below goes on: a file that the system already has is not needed.
                Show(path + " not found", "MUV Installation", BoxIcon::Critical);
                missing = true;
                break;
            }
        }
        if (!missing && !platform_.IsDirectory(folder_ + "/Rigs")) {
            Show("'Rigs' Directory not found", "Folder not found", BoxIcon::Critical);
            InstallFailed = 1;
        }
        const std::string system = platform_.SystemFolder();
        for (const ComponentFile& component : setup_.RequiredComponents) {
            const std::string installed = system + component.installed;
            if (component.keptWhenPresent && platform_.FileExists(installed)) continue;
            // A failed copy is told by the name of the component it was for.
            if (!platform_.CopyFile(folder_ + component.source, installed) ||
                !platform_.RegisterComponent(installed)) {
                InstallFailed = 1;
                Show("Error registering " + component.displayName, "Installation error", BoxIcon::Critical);
                return false;
            }
        }
        return true;
    }

    bool Accepted(const std::optional<int>& version) const {
        return version && *version >= setup_.lowestCatServerVersion && *version <= setup_.highestCatServerVersion;
    }

    // The CAT server is there: everything else is put in place, and said so after what came first.
    bool InstallWith(const std::string& first) {
        if (!RegisterComponents()) return false;
        if (InstallFailed != 0) return false;
        CopyRigFiles();
        Show(first + "MUV installed successfully" + KeptRigFiles(), "MUV Installation", BoxIcon::Information);
        return true;
    }

    // A failure to copy is not told: the rig files can be copied again by the next run. The files the
    // operator has changed are kept, and told.
    void CopyRigFiles() { kept_ = platform_.CopyFolderFiles(folder_ + "/Rigs", platform_.RigFolder()).kept; }

    std::string KeptRigFiles() const {
        if (kept_.empty()) return {};
        std::string names;
        for (const std::string& name : kept_)
            names += (names.empty() ? "" : ", ") + name;
        return "\n\nRig files that you have changed are kept as they are: " + names + " (in " +
               platform_.RigFolder() + "; the ones that come with MUV are in " + folder_ + "/Rigs).";
    }

    void Show(const std::string& text, const std::string& title, BoxIcon icon) {
        platform_.Boxes().Show(text, title, icon);
    }

    InstallerPlatform& platform_;
    const InstallSetup& setup_;
    const std::string folder_;
    uint8_t InstallFailed = 0;
    std::vector<std::string> kept_;
};

}  // namespace

InstallSetup LinuxInstallSetup() {
    InstallSetup setup;
    // The parts that the program loads are linked into it and come with the system's packages: there
    // is no component file for the installer to put in place.
    // Hamlib 3.0.0 and every later one: rigctld's protocol has kept its form through Hamlib 4 and 5.
    setup.lowestCatServerVersion = 30000;
    setup.highestCatServerVersion = std::numeric_limits<int>::max();
    setup.catServerName = "Hamlib's rigctld";
    setup.catServerSetup = "hamlib-setup";
    setup.catServerSetupHint = ". To set it up yourself, run as root: apt-get install libhamlib-utils";
    return setup;
}

bool Install(InstallerPlatform& platform, const InstallSetup& setup, const std::string& folder) {
    return InstallRun(platform, setup, folder).Run();
}

}  // namespace muv
