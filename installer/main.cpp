// muv-install: run once before the first start of MUV. It checks for Hamlib's rigctld (starting its
// setup when it is missing), puts MUV's components in place and copies the rig files into the user's
// MUV data folder, telling the operator how it went. Exit status 0 when everything is in place.
#include <QApplication>
#include <optional>

#include "installer/install_sequence.h"
#include "installer/linux_installer_platform.h"
#include "platform/program_folders.h"
#include "platform/qt/command_line.h"
#include "platform/qt/qt_dialogs.h"

int main(int argc, char* argv[]) {
    if (const std::optional<int> answered = muv::AnswerHelpOrVersion(
            argc, argv,
            "Sets up MUV for its first start: checks for Hamlib's rigctld, puts MUV's components in place "
            "and copies the rig files into the user's MUV data folder.",
            {}))
        return *answered;
    QApplication app(argc, argv);
    muv::QtMessageBoxes boxes;
    // The installer's own files (the rig files, the CAT server's setup) are in the program's data
    // folder, where the components go as well.
    const std::string folder = muv::ProgramDataFolder();
    muv::LinuxInstallerPlatform platform(boxes, folder, muv::UserDataFolder() + "/Rigs");
    return muv::Install(platform, muv::LinuxInstallSetup(), folder) ? 0 : 1;
}
