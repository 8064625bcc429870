// Writes the transmission of a text in one of the operating modes to a 48 kHz, 16-bit, mono WAV file,
// made by the transmitter exactly as the program makes it on air.
#include <cstdlib>
#include <iostream>
#include <string>

#include "cp1252.h"
#include "mode_table.h"
#include "offline_transmitter.h"
#include "wav_sound.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: muv_txwav MODE TEXT OUTPUT.wav\n"
                     "  MODE   1 to 10:";
        const muv::ModeTables& modes = muv::StandardModeTables();
        for (int m = 1; m <= muv::kModeCount; ++m)
            std::cerr << ' ' << m << '=' << modes[m].KeyName;
        std::cerr << "\n  TEXT   the message (UTF-8; characters outside Windows-1252 become ?)\n";
        return 2;
    }
    char* end = nullptr;
    const long mode = std::strtol(argv[1], &end, 10);
    if (*end != '\0' || mode < 1 || mode > muv::kModeCount) {
        std::cerr << "muv_txwav: mode must be a number from 1 to 10, not '" << argv[1] << "'\n";
        return 2;
    }
    muv::WavFileSoundOutput file(argv[3], false);
    if (!muv::TransmitOffline(static_cast<int>(mode), muv::Utf8ToCp1252(argv[2]), file)) {
        std::cerr << "muv_txwav: cannot write " << argv[3] << '\n';
        return 1;
    }
    std::cout << "wrote " << argv[3] << " (" << muv::StandardModeTables()[static_cast<int>(mode)].DisplayName
              << ")\n";
    return 0;
}
