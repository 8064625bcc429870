#include "installer/install_sequence.h"

#include <limits>

namespace muv {

namespace {

// One run of the sequence: the installer's folder, and whether anything failed on the way.
class InstallRun {
public:
    InstallRun(InstallerPlatform& platform, const InstallSetup& setup, std::string folder)
        : platform_(platform), setup_(setup), folder_(std::move(folder)) {}

    bool Run() {
        InstallFailed = 0;
        const std::optional<int> version = platform_.CatServerVersion();
        if (version && *version >= setup_.lowestCatServerVersion &&
            *version <= setup_.highestCatServerVersion) {
            if (!RegisterComponents()) return false;
            if (InstallFailed != 0) return false;
            CopyRigFiles();
            Show("MUV installed successfully", "MUV Installation", BoxIcon::Information);
            return true;
        }
        // The CAT server is missing or of a version MUV cannot drive: its setup, when it is here.
        const std::string setupProgram = folder_ + "/" + setup_.catServerSetup;
        if (!platform_.FileExists(setupProgram)) {
            Show("File: " + setupProgram + " not found" + setup_.catServerSetupHint, "Installation Error",
                 BoxIcon::Critical);
            return false;
        }
        const bool started = platform_.StartProgram(setupProgram);
        if (!started)
            Show("File: " + setupProgram + " could not be started" + setup_.catServerSetupHint,
                 "Installation Error", BoxIcon::Critical);
        // The setup runs on its own; the components and the rig files do not wait for it.
        if (!RegisterComponents()) return false;
        CopyRigFiles();
        // What was done, and what is left to the operator.
        if (started)
            Show(setup_.catServerName + " was not found, or not in a version MUV can work with: its setup " +
                     setupProgram + " has been started. Run muv-install again when it has finished.",
                 "MUV Installation", BoxIcon::Information);
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

    // Nothing of a failure here is told: the rig files can be copied again by the next run.
    void CopyRigFiles() { platform_.CopyFolderFiles(folder_ + "/Rigs", platform_.RigFolder()); }

    void Show(const std::string& text, const std::string& title, BoxIcon icon) {
        platform_.Boxes().Show(text, title, icon);
    }

    InstallerPlatform& platform_;
    const InstallSetup& setup_;
    const std::string folder_;
    uint8_t InstallFailed = 0;
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
    setup.catServerSetupHint = ". Install Hamlib's rigctld (Debian's package libhamlib-utils)";
    return setup;
}

bool Install(InstallerPlatform& platform, const InstallSetup& setup, const std::string& folder) {
    return InstallRun(platform, setup, folder).Run();
}

}  // namespace muv
