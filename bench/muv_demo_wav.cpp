// Writes the demonstration recording that MUV listens to on a machine without a sound card: a few
// calls in the 500 Hz HF modes that MUV decodes at start (10.145 MHz), made by MUV's own transmitter and
// heard through white noise, with a frequency offset and pauses between them.
#include <iostream>
#include <random>

#include "bench/channel_sim.h"
#include "platform/wav_file.h"
#include "transmitter/offline_transmitter.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: muv_demo_wav OUTPUT.wav\n";
        return 2;
    }
    struct Call {
        int mode;
        const char* text;
        double snrDb;
        double offsetHz;
    };
    const Call calls[] = {
        {4, "CQ CQ CQ de EA1MUV EA1MUV pse k", 0, 12.5},
        {5, "EA1MUV de G4XYZ: good morning, your signal is fine here. Name Pat, QTH London. 73", -6, -20},
        {4, "G4XYZ de EA1MUV: tnx Pat, 73 and good DX!", -3, 12.5},
    };
    std::mt19937_64 rng(2026);
    std::vector<int16_t> audio = muv::MakeNoise(48000 * 3, 2000, rng);
    for (const Call& call : calls) {
        muv::ChannelSpec channel;
        channel.snrDb2500 = call.snrDb;
        channel.frequencyOffsetHz = call.offsetHz;
        channel.tailSamples = 48000 * 4;
        const std::vector<int16_t> part =
            muv::MakeChannel(muv::TransmitToSamples(call.mode, call.text), channel, rng);
        audio.insert(audio.end(), part.begin(), part.end());
    }
    std::string error;
    if (!muv::WriteWavFile(argv[1], audio, 48000, &error)) {
        std::cerr << "muv_demo_wav: " << error << '\n';
        return 1;
    }
    std::cout << "wrote " << argv[1] << " (" << audio.size() / 48000 << " s)\n";
    return 0;
}
