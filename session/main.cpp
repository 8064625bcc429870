// The program's start: the application and the main window.
//   MUV                                  runs the program
//   MUV --help, MUV --version            answers and exits
//   MUV --has-sound-card                 prints yes and exits 0 when a capture device is present, else
//                                        prints no and exits 1
//   MUV --screenshot FILE [--after S]    runs, saves the window as a PNG after S seconds (8) and quits
#include <QApplication>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/emergency_release.h"
#include "platform/qt/command_line.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/shutdown_signals.h"
#include "platform/sound_factory.h"
#include "session/frmMain.h"
#include "session/program_start.h"
#include "session/station.h"

int main(int argc, char* argv[]) {
    if (const std::optional<int> answered = muv::AnswerHelpOrVersion(
            argc, argv,
            "Sound-card modem for keyboard-to-keyboard text on MF, HF and EME, with the tools of an "
            "operating position.",
            {{"has-sound-card", "",
              "Prints yes and exits with status 0 when a capture device is present, "
              "else prints no and exits with status 1."},
             {"screenshot", "file", "Runs, saves the main window as a PNG picture and quits."},
             {"after", "seconds", "The time before the screenshot (8)."}}))
        return *answered;
    QString screenshot;
    double after = 8;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--has-sound-card") == 0) {
            const bool present = muv::QuietSoundCardPresent();
            std::puts(present ? "yes" : "no");
            return present ? 0 : 1;
        }
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc)
            screenshot = QString::fromLocal8Bit(argv[++i]);
        if (std::strcmp(argv[i], "--after") == 0 && i + 1 < argc)
            after = QString::fromLocal8Bit(argv[++i]).toDouble();
    }

    QApplication app(argc, argv);
    // A screenshot is taken unattended: no box may wait for an operator who is not there.
    if (!screenshot.isEmpty()) muv::QtMessageBoxes::SetUnattended(true);
    // One look on every desktop: the window's controls are drawn with their own colours.
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    muv::Station station;
    muv::frmMain& main = station.form;
    // A crash still drops the keying lines and releases CAT; a request to end goes through the window's
    // own shut-down, which releases first and, with nobody there to answer a box, ends by itself.
    muv::emergency::InstallCrashHandlers();
    muv::ShutdownSignals endRequests([&main] { main.CloseUnattended(); });
    if (!muv::Main(main) || main.ProgramEnded()) return main.ExitCode();
    if (!screenshot.isEmpty()) {
        QTimer::singleShot(static_cast<int>(after * 1000), &main, [&main, &app, screenshot] {
            const bool saved = main.grab().save(screenshot, "PNG");
            main.close();
            if (!saved) app.exit(1);
        });
    }
    return app.exec();
}
