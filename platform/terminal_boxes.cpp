#include "platform/terminal_boxes.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace muv {

namespace {

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

bool TerminalMessageBoxes::DisplayAvailable() {
    return Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM");
}

BoxAnswer TerminalMessageBoxes::Show(const std::string& text, const std::string& title, BoxIcon icon,
                                     BoxButtons buttons) {
    std::FILE* to = icon == BoxIcon::Critical || icon == BoxIcon::Exclamation ? err_ : out_;
    std::fprintf(to, "%s: %s\n", title.c_str(), text.c_str());
    BoxAnswer fallback = BoxAnswer::Ok;
    const char* choices = nullptr;
    switch (buttons) {
        case BoxButtons::Ok:
            std::fflush(to);
            return BoxAnswer::Ok;
        case BoxButtons::OkCancel:
            choices = "[o]k/[c]ancel";
            break;
        case BoxButtons::YesNo:
        case BoxButtons::YesNoCancel:
            fallback = BoxAnswer::Yes;
            choices = buttons == BoxButtons::YesNo ? "[y]es/[n]o" : "[y]es/[n]o/[c]ancel";
            break;
        case BoxButtons::YesNoCancelDefaultNo:
            fallback = BoxAnswer::No;
            choices = "[y]es/[n]o/[c]ancel";
            break;
    }
    if (in_ == nullptr || !isatty(fileno(in_))) {
        std::fflush(to);
        return fallback;
    }
    for (;;) {
        std::fprintf(out_, "%s? ", choices);
        std::fflush(out_);
        char line[64];
        if (std::fgets(line, sizeof line, in_) == nullptr) return fallback;
        switch (line[0]) {
            case '\n':
                return fallback;
            case 'y':
            case 'Y':
                if (buttons != BoxButtons::OkCancel) return BoxAnswer::Yes;
                break;
            case 'n':
            case 'N':
                if (buttons != BoxButtons::OkCancel) return BoxAnswer::No;
                break;
            case 'o':
            case 'O':
                if (buttons == BoxButtons::OkCancel) return BoxAnswer::Ok;
                break;
            case 'c':
            case 'C':
                if (buttons != BoxButtons::YesNo) return BoxAnswer::Cancel;
                break;
            default:
                break;
        }
    }
}

}  // namespace muv
