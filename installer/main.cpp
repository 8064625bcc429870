// muv-install: run once before the first start of MUV. It checks for Hamlib's rigctld (starting its
// setup when it is missing), puts MUV's components in place and copies the rig files into the user's
// MUV data folder, telling the operator how it went: in message boxes, or on the terminal when there
// is no display. Exit status 0 when everything is in place.
#include <QApplication>
#include <optional>

#include "installer/install_sequence.h"
#include "installer/linux_installer_platform.h"
#include "platform/program_folders.h"
#include "platform/qt/command_line.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/terminal_boxes.h"

int main(int argc, char* argv[]) {
    if (const std::optional<int> answered = muv::AnswerHelpOrVersion(
            argc, argv,
            "Sets up MUV for its first start: checks for Hamlib's rigctld, puts MUV's components in place "
            "and copies the rig files into the user's MUV data folder.",
            {}))
        return *answered;
    // The installer's own files (the rig files, the CAT server's setup) are in the program's data
    // folder, where the components go as well.
    const std::string folder = muv::ProgramDataFolder();
    const std::string rigs = muv::UserDataFolder() + "/Rigs";
    // Without a display (a terminal, SSH) it tells how it went on the terminal; the exit status says it
    // as well.
    if (!muv::TerminalMessageBoxes::DisplayAvailable()) {
        QCoreApplication app(argc, argv);
        muv::TerminalMessageBoxes boxes;
        muv::LinuxInstallerPlatform platform(boxes, folder, rigs);
        return muv::Install(platform, muv::LinuxInstallSetup(), folder) ? 0 : 1;
    }
    QApplication app(argc, argv);
    muv::QtMessageBoxes boxes;
    muv::LinuxInstallerPlatform platform(boxes, folder, rigs);
    return muv::Install(platform, muv::LinuxInstallSetup(), folder) ? 0 : 1;
}
