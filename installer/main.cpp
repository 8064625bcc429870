// muv-install: run once before the first start of MUV. It checks for Hamlib's rigctld (running its
// setup, which installs Debian's package with the administrator's consent, when it is missing) and
// copies the rig files into the user's MUV data folder, keeping those the operator has changed,
// telling the operator how it went: in message boxes, or on the terminal when there is no display.
// Exit status 0 when everything is in place.
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
            "Sets up MUV for its first start: checks that Hamlib's rigctld is installed (when it is not, "
            "runs its setup, which installs Debian's package libhamlib-utils with the administrator's "
            "consent) and copies the rig files into ~/.local/share/MUV/Rigs, keeping those you have "
            "changed.",
            {}))
        return *answered;
    // The installer's own files (the rig files, the CAT server's setup) are in the program's data
    // folder. MUV has no component files on this system: its libraries come with Debian's packages.
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
