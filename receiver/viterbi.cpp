#include "receiver/viterbi.h"

#include "common/vb.h"
#include "modem/channel_code.h"

namespace muv {

void ViterbiDecoder::BuildTrellis() {
    for (int t = 0; t < kViterbiStates; ++t) {
        TrellisRecord& rec = TrellisTable[t];
        for (int j = 0; j < 4; ++j) {
            // w holds eight input bits, bit 0 the oldest: the predecessor's six and the two new ones.
            const unsigned w = 4u * static_cast<unsigned>(t) + static_cast<unsigned>(j);
            const unsigned a = w & 127u;  // register when the first new bit entered
            const unsigned b = w >> 1;    // register when the second new bit entered
            rec.OutputSymbol[j] = static_cast<uint8_t>(8 * CodeBit133(a) + 4 * CodeBit171(a) +
                                                       2 * CodeBit133(b) + CodeBit171(b));
            rec.Predecessor[j] = static_cast<uint8_t>(4 * (t % 16) + j);
        }
        rec.DecodedBit[0] = static_cast<uint8_t>((t >> 4) & 1);
        rec.DecodedBit[1] = static_cast<uint8_t>((t >> 5) & 1);
    }
    ClearViterbiPaths();
}

void ViterbiDecoder::ClearViterbiPaths() {
    for (auto& row : ViterbiPathMemory)
        row.fill(ViterbiPathRecord{});
    for (auto& row : ViterbiPathMetrics)
        row.fill(0.0f);
}

void ViterbiDecoder::TraceBack(int row, int state, int& rowOut, int& stateOut) const {
    for (int k = 0; k < TracebackDepth; ++k) {
        state = ViterbiPathMemory[row][state].Predecessor;
        row = (row == 0) ? TracebackDepth : row - 1;
    }
    rowOut = row;
    stateOut = state;
}

void ViterbiDecoder::ViterbiStep(const ToneEnergyMatrix& magnitudes, int rxModeIndex, int toneSpacingFactor,
                                 std::array<uint8_t, 3>& decodedBits, uint8_t& decodedSymbol, int16_t baseBin,
                                 int16_t column) {
    // The ring has TracebackDepth + 1 rows out of the 25 there are.
    if (TracebackDepth < 0 || TracebackDepth >= kViterbiRows) throw VbError(9, "Subscript out of range");

    std::array<float, 16> metric;
    for (int i = 0; i < 16; ++i) {
        metric[i] = magnitudes.At(rxModeIndex,
                                  GrayEncode(static_cast<unsigned>(i)) * toneSpacingFactor + baseBin, column);
    }

    const int oldRow = ViterbiWriteRow;
    int newRow = oldRow + 1;
    if (newRow > TracebackDepth) newRow = 0;

    const auto& oldMetrics = ViterbiPathMetrics[oldRow];
    for (int t = 0; t < kViterbiStates; ++t) {
        const TrellisRecord& rec = TrellisTable[t];
        int best = 0;
        float bestCandidate = 0;
        for (int j = 0; j < 4; ++j) {
            const float candidate =
                static_cast<float>(oldMetrics[rec.Predecessor[j]] + metric[rec.OutputSymbol[j]]);
            if (j == 0 || candidate > bestCandidate) {
                best = j;
                bestCandidate = candidate;
            }
        }

        ViterbiPathRecord& path = ViterbiPathMemory[newRow][t];
        path.Predecessor = rec.Predecessor[best];
        path.BranchMetric = metric[rec.OutputSymbol[best]];
        path.Symbol = rec.OutputSymbol[best];

        // Keep only the last TracebackDepth branches in the survivor's metric: drop the oldest one.
        int row = 0;
        int state = 0;
        TraceBack(newRow, t, row, state);
        ViterbiPathMetrics[newRow][t] = bestCandidate - ViterbiPathMemory[row][state].BranchMetric;
    }

    const auto& newMetrics = ViterbiPathMetrics[newRow];
    int bestState = 0;
    for (int t = 1; t < kViterbiStates; ++t) {
        if (newMetrics[t] > newMetrics[bestState]) bestState = t;
    }

    int row = 0;
    int state = 0;
    TraceBack(newRow, bestState, row, state);
    decodedBits[1] = TrellisTable[state].DecodedBit[0];
    decodedBits[2] = TrellisTable[state].DecodedBit[1];
    decodedSymbol = ViterbiPathMemory[row][state].Symbol;

    ViterbiWriteRow = static_cast<uint8_t>(newRow);
}

void SymbolErrorWindow::Clear(int fullScale) {
    if (fullScale < 0 || fullScale >= static_cast<int>(Entries.size())) {
        throw VbError(9, "Subscript out of range");
    }
    for (int i = 1; i <= fullScale; ++i)
        Entries[i] = 0;
    SymbolErrorIndex = static_cast<uint8_t>(fullScale + 1);
    SymbolErrorCount = 0;
}

uint8_t SymbolErrorWindow::Record(uint8_t hardSymbol, uint8_t viterbiSymbol, int fullScale) {
    if (fullScale < 1 || fullScale >= static_cast<int>(Entries.size())) {
        throw VbError(9, "Subscript out of range");
    }
    int index = SymbolErrorIndex + 1;
    if (index > fullScale) index = 1;
    SymbolErrorIndex = static_cast<uint8_t>(index);
    SymbolErrorCount = static_cast<uint8_t>(SymbolErrorCount - Entries[index]);
    Entries[index] = hardSymbol == viterbiSymbol ? 0 : 1;
    SymbolErrorCount = static_cast<uint8_t>(SymbolErrorCount + Entries[index]);
    return SymbolErrorCount;
}

}  // namespace muv
