// The command line of MUV's programs: --help and --version answer on the terminal and end the program
// before any window or sound device is opened. Other options are the program's own, or Qt's.
#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace muv {

struct CommandLineOption {
    QString names;      // "screenshot", or "h,help"
    QString valueName;  // empty for a switch
    QString description;
};

// With --help (-h) or --version (-v) among the arguments: prints the answer to standard output and
// gives the exit status; otherwise nothing.
std::optional<int> AnswerHelpOrVersion(int argc, char* argv[], const QString& description,
                                       const std::vector<CommandLineOption>& options);

}  // namespace muv
