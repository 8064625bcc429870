// The receiver's 64-state Viterbi decoder for the K=7 rate-1/2 code, one tone symbol (two input bits)
// per step, with the sixteen tone magnitudes of the symbol as soft branch metrics.
#pragma once

#include <array>
#include <cstdint>

#include "receiver/tone_energy_matrix.h"

namespace muv {

struct TrellisRecord {
    std::array<uint8_t, 4> OutputSymbol{};  // code symbol on the branch from predecessor j
    std::array<uint8_t, 4> Predecessor{};   // 4 * (t mod 16) + j
    std::array<uint8_t, 2> DecodedBit{};    // the two input bits that lead into the state, earlier first
};

struct ViterbiPathRecord {
    float BranchMetric = 0;
    uint8_t Predecessor = 0;
    uint8_t Symbol = 0;
};

constexpr int kViterbiStates = 64;
constexpr int kViterbiRows = 25;

class ViterbiDecoder {
public:
    // Fills the trellis and clears the paths.
    void BuildTrellis();
    // Zeroes every path record and path metric of all rows.
    void ClearViterbiPaths();

    // One step: branch metrics from the magnitudes of the sixteen tones of the symbol at
    // (rxModeIndex, GrayEncode(i) * toneSpacingFactor + baseBin, column); releases the two input bits
    // (decodedBits[1], decodedBits[2], the earlier first) and the code symbol decided TracebackDepth
    // steps earlier.
    void ViterbiStep(const ToneEnergyMatrix& magnitudes, int rxModeIndex, int toneSpacingFactor,
                     std::array<uint8_t, 3>& decodedBits, uint8_t& decodedSymbol, int16_t baseBin,
                     int16_t column);

    std::array<TrellisRecord, kViterbiStates> TrellisTable{};
    std::array<std::array<ViterbiPathRecord, kViterbiStates>, kViterbiRows> ViterbiPathMemory{};
    std::array<std::array<float, kViterbiStates>, kViterbiRows> ViterbiPathMetrics{};
    uint8_t ViterbiWriteRow = 0;
    // The decoding delay in steps (at most 24): the ring of rows in use is 0..TracebackDepth.
    int16_t TracebackDepth = 24;

private:
    // Follows the survivor path TracebackDepth steps back from (row, state).
    void TraceBack(int row, int state, int& rowOut, int& stateOut) const;
};

// The decoder's error figure: over the last fullScale symbols (at most 200), how many hard decisions
// the Viterbi decoder overruled.
struct SymbolErrorWindow {
    std::array<uint8_t, 201> Entries{};  // positions 1..200
    uint8_t SymbolErrorIndex = 1;
    uint8_t SymbolErrorCount = 0;

    // Empties positions 1..fullScale; the next Record writes position 1.
    void Clear(int fullScale);
    // Records whether the hard decision agreed with the Viterbi decision and returns the count.
    uint8_t Record(uint8_t hardSymbol, uint8_t viterbiSymbol, int fullScale);
};

}  // namespace muv
