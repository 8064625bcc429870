#include "platform/qt/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>

#include "common/version.h"

namespace muv {

std::optional<int> AnswerHelpOrVersion(int argc, char* argv[], const QString& description,
                                       const std::vector<CommandLineOption>& options) {
    bool asked = false;
    for (int i = 1; i < argc; ++i) {
        for (const char* flag : {"-h", "--help", "-v", "--version"})
            asked = asked || std::strcmp(argv[i], flag) == 0;
    }
    if (!asked) return std::nullopt;
    // The application object only for the parser's names; no window system is opened.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QString::fromUtf8(kVersionNumber));
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    for (const CommandLineOption& o : options)
        parser.addOption(QCommandLineOption(o.names.split(','), o.description, o.valueName));
    // Qt's own options (-platform, -style …) are no error here: only the answer is wanted.
    parser.parse(QCoreApplication::arguments());
    const QString text = parser.isSet(help) ? parser.helpText()
                                            : QCoreApplication::applicationName() + " " +
                                                  QCoreApplication::applicationVersion() + "\n";
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
}

}  // namespace muv
