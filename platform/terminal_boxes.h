// Message boxes for a program run without a display (from a terminal, over SSH): each box is written
// to the terminal, errors and warnings to standard error and the rest to standard output. A question
// is asked on the terminal when standard input is one, and otherwise answered with its default button.
#pragma once

#include <cstdio>

#include "common/message_box.h"

namespace muv {

class TerminalMessageBoxes : public MessageBoxes {
public:
    explicit TerminalMessageBoxes(std::FILE* out = stdout, std::FILE* err = stderr, std::FILE* in = stdin)
        : out_(out), err_(err), in_(in) {}
    BoxAnswer Show(const std::string& text, const std::string& title, BoxIcon icon,
                   BoxButtons buttons = BoxButtons::Ok) override;

    // Whether a display can be reached at all: without one, the program talks on the terminal.
    static bool DisplayAvailable();

private:
    std::FILE* out_;
    std::FILE* err_;
    std::FILE* in_;
};

}  // namespace muv
