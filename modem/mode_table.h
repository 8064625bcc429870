// The ten operating modes of the modem and the tone tables that transmitter and receiver share.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/colour.h"

namespace muv {

// One operating mode. Arrays that the modem counts from 1 keep an unused element 0.
struct ModeRecord {
    uint8_t NominalBaud = 0;
    int16_t ModeBandwidthHz = 0;
    float SymbolRate = 0;
    uint8_t ToneSpacingFactor = 0;  // tone spacing in FFT bins of SymbolRate / 2 Hz
    int16_t WideWindowLow = 0;
    int16_t WideWindowHigh = 0;
    int16_t NarrowWindowLow = 0;
    int16_t NarrowWindowHigh = 0;
    int16_t BandwidthBins = 0;
    float NarrowAfcHz = 0;
    float WideAfcHz = 0;
    float BaseToneBin = 0;
    int16_t SymbolColumns = 0;
    uint8_t InterleaveDepth = 0;
    std::array<uint8_t, 289> SubBandSequence{};  // positions 1 to 288
    uint8_t ToneCount = 0;
    uint8_t ViterbiFullScale = 0;
    float SnCorrectionDb = 0;
    float SnThresholdDb = 0;
    float SnRedLimitDb = 0;
    float SnYellowLimitDb = 0;
    uint8_t SnAverageLength = 0;
    uint8_t SyncSymbolCount = 0;
    uint8_t EndPatternLength = 0;
    uint8_t FrameAcquisitionRedLimit = 0;
    uint8_t FrameAcquisitionYellowLimit = 0;
    uint8_t FinalAcquisitionRedLimit = 0;
    uint8_t FinalAcquisitionYellowLimit = 0;
    float BaseToneHz = 0;
    uint8_t SubBandCount = 0;
    ColorRef TextColour = 0;
    int32_t SamplesPerBuffer = 0;
    int32_t SamplesPerSymbol = 0;
    uint8_t PilotTone = 0;
    uint8_t PilotSubBand = 0;
    uint8_t TxWaitClass = 0;
    uint8_t TxTickKind = 0;
    uint8_t CharsetKind = 0;
    int16_t FftLength = 0;
    uint8_t ToneBinSet = 0;
    int16_t WaterfallMarker1 = 0;
    int16_t WaterfallMarker2 = 0;
    int16_t WaterfallMarker3 = 0;
    int16_t WaterfallMarker4 = 0;
    int16_t CentreHz = 0;
    uint8_t EncoderTableLength = 0;
    std::string DisplayName;
    std::string KeyName;
    uint8_t SyncPatternStart = 0;
    uint8_t SyncLockThreshold = 0;
    uint8_t EndPatternThreshold = 0;
    int16_t RankWindowLength = 0;
    uint8_t RankCutoff = 0;
    int32_t CancelFrameDelayMs = 0;
};

constexpr int kModeCount = 10;
constexpr int kSubBandSequenceLength = 288;

struct ModeTables {
    std::array<ModeRecord, kModeCount + 1> ModeTable{};       // index 1 to 10
    std::array<uint8_t, 25> SyncToneSequence{};               // index 1 to 24
    std::array<uint8_t, 25> EndPatternTable{};                // index 1 to 24
    std::array<std::array<uint8_t, 29>, 7> SyncIndexTable{};  // row 1 to 6, entry 1 to 28

    const ModeRecord& operator[](int index) const { return ModeTable.at(index); }
};

extern const std::array<uint8_t, 96> SubBandPattern8;
extern const std::array<uint8_t, 32> SubBandPattern4;
extern const std::array<uint8_t, 96> SubBandPattern16;

// Fills every table with the modes' constant values.
void BuildModeTable(ModeTables& tables);

// The tables, built once on first use and never changed afterwards.
const ModeTables& StandardModeTables();

// The audio frequency of tone 0..15 in sub-band 1..SubBandCount, by the mode's tone plan.
float ToneFrequencyHz(const ModeRecord& mode, int subBand, int tone);

// The sub-band sequence position that follows the given one: 1 after 288.
inline int NextSubBandPosition(int position) {
    return position >= kSubBandSequenceLength ? 1 : position + 1;
}

}  // namespace muv
