// Writes the transmission of a text in one of the operating modes to a 48 kHz, 16-bit, mono WAV file,
// made by the transmitter exactly as the program makes it on air.
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "common/cp1252.h"
#include "modem/mode_table.h"
#include "platform/wav_sound.h"
#include "transmitter/offline_transmitter.h"

namespace {

int Usage() {
    std::cerr << "usage: muv_txwav [--idle SECONDS] MODE TEXT OUTPUT.wav\n"
                 "  MODE   1 to 10:";
    const muv::ModeTables& modes = muv::StandardModeTables();
    for (int m = 1; m <= muv::kModeCount; ++m)
        std::cerr << ' ' << m << '=' << modes[m].KeyName;
    std::cerr << "\n  TEXT   the message (UTF-8; characters outside Windows-1252 become ?)\n"
                 "  --idle the operator's second press of TX/RX comes after SECONDS of data symbols (the\n"
                 "         transmitter idles once the text is sent); without it, at the start\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    double idleSeconds = 0;
    if (args.size() == 5 && args[0] == "--idle") {
        char* end = nullptr;
        idleSeconds = std::strtod(args[1].c_str(), &end);
        if (args[1].empty() || *end != '\0' || !std::isfinite(idleSeconds) || idleSeconds < 0 ||
            idleSeconds > 24 * 3600) {
            std::cerr << "muv_txwav: --idle must be a number of seconds from 0 to 86400, not '" << args[1]
                      << "'\n";
            return 2;
        }
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() != 3) return Usage();
    char* end = nullptr;
    const long mode = std::strtol(args[0].c_str(), &end, 10);
    if (args[0].empty() || *end != '\0' || mode < 1 || mode > muv::kModeCount) {
        std::cerr << "muv_txwav: mode must be a number from 1 to 10, not '" << args[0] << "'\n";
        return 2;
    }
    muv::WavFileSoundOutput file(args[2], false);
    std::string error;
    if (!muv::TransmitOffline(static_cast<int>(mode), muv::Utf8ToCp1252(args[1]), file, idleSeconds,
                              &error)) {
        // The file's own reason names it and the cause.
        std::cerr << "muv_txwav: " << (file.LastError().empty() ? error : file.LastError()) << '\n';
        return 1;
    }
    std::cout << "wrote " << args[2] << " (" << muv::StandardModeTables()[static_cast<int>(mode)].DisplayName
              << ")\n";
    return 0;
}
