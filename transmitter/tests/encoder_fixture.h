// The channel encoder on its own, and a noiseless inverse of the channel code that turns the tones it
// sends back into the characters that were coded.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "modem/channel_code.h"
#include "transmitter/tests/tx_rig.h"

namespace muv::test {

// The channel encoder on its own, in a given transmit mode.
class EncoderFixture : public TxRig {
public:
    explicit EncoderFixture(int txMode = 1) { tx.TxModeIndex = static_cast<uint8_t>(txMode); }
    void Start(const std::string& text) { StartEncoder(text); }
};

// The input bits of the convolutional code, recovered exactly from noiseless tones: each symbol carries
// two input bits, and the first code bit of an input bit is that bit xor four older input bits.
inline std::vector<uint8_t> InputBitsOf(const std::vector<uint8_t>& tones) {
    std::vector<uint8_t> u;
    auto older = [&u](size_t back) -> uint8_t { return u.size() >= back ? u[u.size() - back] : 0; };
    for (uint8_t tone : tones) {
        uint8_t s = GrayDecode(tone);
        for (int half = 0; half < 2; ++half) {
            uint8_t c133 = (s >> (3 - 2 * half)) & 1;
            // The first code bit of u[k] is u[k] ^ u[k-2] ^ u[k-3] ^ u[k-5] ^ u[k-6].
            u.push_back(c133 ^ older(2) ^ older(3) ^ older(5) ^ older(6));
        }
    }
    return u;
}

// Splits full-set bits into character codes: a codeword ends where a 1 follows two or more 0 bits.
inline std::vector<int> VaricodeCharactersOf(const std::vector<uint8_t>& bits) {
    std::map<std::string, int> byEntry;
    const VaricodeTableType& table = StandardVaricodeTable();
    for (int c = 0; c < 256; ++c)
        byEntry[table[c]] = c;
    std::vector<int> codes;
    std::string run;
    for (size_t i = 0; i < bits.size(); ++i) {
        if (bits[i] == 1 && run.size() >= 2 && run.ends_with("00")) {
            auto it = byEntry.find(run);
            codes.push_back(it == byEntry.end() ? -1 : it->second);
            run.clear();
        }
        if (run.empty() && bits[i] == 0) continue;  // zeros between characters
        run.push_back(bits[i] ? '1' : '0');
    }
    return codes;
}

}  // namespace muv::test
