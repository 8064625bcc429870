#include "modem/mode_table.h"

namespace muv {

const std::array<uint8_t, 96> SubBandPattern8 = {
    2, 8, 1, 7, 6, 3, 4, 2, 5, 3, 6, 1, 5, 8, 7, 3, 4, 7, 1, 4, 1, 5, 6, 3, 7, 4, 1, 4, 2, 6, 8, 1,
    6, 5, 1, 4, 7, 8, 5, 6, 2, 6, 5, 8, 5, 6, 4, 8, 5, 3, 5, 2, 5, 6, 3, 5, 6, 8, 6, 2, 7, 3, 4, 1,
    4, 2, 3, 7, 4, 1, 7, 3, 8, 7, 8, 3, 5, 1, 2, 3, 2, 4, 8, 6, 7, 1, 2, 2, 1, 2, 7, 8, 8, 7, 4, 3};

const std::array<uint8_t, 32> SubBandPattern4 = {2, 3, 4, 1, 4, 2, 3, 1, 4, 2, 4, 3, 1, 3, 2, 4,
                                                 1, 3, 2, 4, 1, 2, 4, 1, 3, 1, 4, 3, 2, 3, 2, 1};

const std::array<uint8_t, 96> SubBandPattern16 = {
    15, 8,  13, 3, 7,  4,  1,  13, 14, 5, 11, 3,  8,  4,  13, 15, 1,  11, 16, 5,  10, 3,  4,  6,
    11, 7,  2,  9, 10, 6,  15, 9,  7,  4, 7,  14, 16, 11, 5,  10, 9,  2,  9,  7,  1,  15, 10, 14,
    16, 12, 9,  2, 12, 10, 15, 12, 14, 8, 16, 7,  15, 2,  6,  5,  1,  13, 8,  6,  14, 2,  11, 12,
    14, 12, 16, 9, 8,  4,  3,  13, 5,  3, 10, 8,  2,  12, 13, 6,  16, 1,  4,  11, 3,  6,  1,  5};

namespace {

// Each row holds one field for the modes M1 to M10.
template <typename T>
using Row = std::array<T, kModeCount>;

const Row<uint8_t> kNominalBaud = {16, 8, 4, 16, 8, 4, 1, 1, 7, 1};
const Row<int16_t> kModeBandwidthHz = {2000, 2000, 2000, 500, 500, 500, 96, 96, 100, 100};
const Row<float> kSymbolRate = {15.625f,  7.8125f,    3.90625f,   15.625f,        7.8125f,
                                3.90625f, 0.9765625f, 0.9765625f, 13.392857f / 2, 13.392857f / 16};
const Row<uint8_t> kToneSpacingFactor = {2, 2, 4, 2, 2, 2, 6, 6, 2, 8};
const Row<int16_t> kWideWindowLow = {40, 80, 160, 166, 332, 664, 816, 400, 408, 3264};
const Row<int16_t> kWideWindowHigh = {92, 184, 368, 218, 436, 872, 3280, 5744, 456, 3648};
const Row<int16_t> kNarrowWindowLow = {56, 112, 224, 182, 364, 728, 0, 0, 420, 3360};
const Row<int16_t> kNarrowWindowHigh = {76, 152, 304, 202, 404, 808, 0, 0, 444, 3552};
const Row<int16_t> kBandwidthBins = {256, 512, 1024, 64, 128, 256, 320, 320, 32, 256};
const Row<float> kNarrowAfcHz = {78.125f, 78.125f,  78.125f,  78.125f, 78.125f,
                                 78.125f, 609.375f, 609.375f, 40,      40};
const Row<float> kWideAfcHz = {203.125f, 203.125f, 203.125f, 203.125f, 203.125f,
                               203.125f, 1300,     1300,     80,       80};
const Row<float> kBaseToneBin = {66, 132, 264, 192, 384, 768, 2048, 3072, 432, 3456};
const Row<int16_t> kSymbolColumns = {528, 528, 352, 528, 528, 352, 160, 160, 528, 160};
const Row<uint8_t> kInterleaveDepth = {8, 8, 6, 8, 8, 6, 3, 3, 8, 3};
const Row<uint8_t> kToneCount = {16, 16, 16, 16, 16, 16, 8, 8, 16, 8};
const Row<uint8_t> kViterbiFullScale = {200, 100, 100, 200, 100, 100, 26, 26, 100, 26};
const Row<float> kSnCorrectionDb = {-10.41f, -13.41f, -16.41f, -10.41f, -13.41f,
                                    -16.41f, -22.45f, -22.45f, -13.41f, -22.45f};
const Row<float> kSnThresholdDb = {-23, -26, -29, -23, -26, -29, -35, -35, -26.7f, -35.7f};
const Row<float> kSnRedLimitDb = {-20.125f, -22.75f,  -25.375f, -20.125f,  -22.75f,
                                  -25.375f, -30.625f, -30.625f, -23.3625f, -31.2375f};
const Row<float> kSnYellowLimitDb = {-17.25f, -19.5f,  -21.75f, -17.25f,  -19.5f,
                                     -21.75f, -26.25f, -26.25f, -20.025f, -26.775f};
const Row<uint8_t> kSnAverageLength = {64, 32, 32, 64, 32, 32, 16, 16, 32, 16};
const Row<uint8_t> kSyncSymbolCount = {24, 24, 24, 24, 24, 24, 18, 18, 24, 18};
const Row<uint8_t> kEndPatternLength = {24, 20, 16, 24, 20, 16, 16, 16, 20, 16};
const Row<uint8_t> kFrameAcquisitionRedLimit = {18, 18, 18, 18, 18, 18, 14, 14, 18, 14};
const Row<uint8_t> kFrameAcquisitionYellowLimit = {21, 21, 21, 21, 21, 21, 16, 16, 21, 16};
const Row<uint8_t> kFinalAcquisitionRedLimit = {15, 12, 10, 15, 12, 10, 10, 10, 12, 10};
const Row<uint8_t> kFinalAcquisitionYellowLimit = {18, 15, 12, 18, 15, 12, 12, 12, 15, 12};
const Row<float> kBaseToneHz = {515.625f, 515.625f,  516.125f,  1500,       1500,
                                1500,     1453.125f, 1453.125f, 1446.4286f, 1446.4286f};
const Row<uint8_t> kSubBandCount = {8, 16, 16, 2, 4, 8, 2, 2, 1, 2};
const Row<ColorRef> kTextColour = {0xFF0000, 0xFF007F, 0x003399, 0xFF0000, 0xFF007F,
                                   0x003399, 0x003399, 0x003399, 0xFF007F, 0x003399};
const Row<int32_t> kSamplesPerBuffer = {3072, 3072, 3072, 3072, 3072, 3072, 3072, 3072, 3584, 3584};
const Row<int32_t> kSamplesPerSymbol = {3072, 6144, 12288, 3072, 6144, 12288, 49152, 49152, 7168, 57344};
const Row<uint8_t> kPilotTone = {15, 14, 14, 0, 0, 0, 0, 0, 8, 0};
const Row<uint8_t> kPilotSubBand = {4, 8, 8, 2, 3, 5, 2, 2, 1, 2};
const Row<uint8_t> kTxWaitClass = {0, 0, 0, 0, 0, 0, 1, 1, 0, 1};
const Row<uint8_t> kTxTickKind = {1, 2, 4, 1, 2, 4, 3, 3, 2, 3};
const Row<uint8_t> kCharsetKind = {1, 1, 1, 1, 1, 1, 2, 2, 1, 2};
const Row<int16_t> kFftLength = {1024, 2048, 4096, 1024, 2048, 4096, 8192, 16384, 2048, 16384};
const Row<uint8_t> kToneBinSet = {1, 2, 3, 1, 2, 3, 6, 7, 4, 5};
const Row<int16_t> kWaterfallMarker1 = {333, 333, 333, 396, 396, 396, 0, 0, 424, 424};
const Row<int16_t> kWaterfallMarker2 = {436, 436, 436, 500, 500, 500, 0, 0, 472, 472};
const Row<int16_t> kWaterfallMarker3 = {365, 365, 365, 428, 428, 428, 0, 0, 436, 436};
const Row<int16_t> kWaterfallMarker4 = {404, 404, 404, 468, 468, 468, 0, 0, 461, 461};
const Row<int16_t> kCentreHz = {1500, 1500, 1500, 1750, 1750, 1750, 1532, 1532, 1500, 1500};
const Row<uint8_t> kEncoderTableLength = {101, 101, 47, 101, 101, 47, 6, 6, 101, 6};
const Row<const char*> kDisplayName = {"MUV16/2000", "MUV8/2000", "MUV4/2000", "MUV16/500", "MUV8/500",
                                       "MUV4/500",   "MUV EME",   "MUV EME",   "MUV7/100",  "MUV1/100"};
const Row<const char*> kKeyName = {"MUV16_2000", "MUV8_2000", "MUV4_2000", "MUV16_500", "MUV8_500",
                                   "MUV4_500",   "MUV_EME",   "MUV_EME",   "MUV7_100",  "MUV1_100"};
const Row<uint8_t> kSyncPatternStart = {43, 43, 21, 43, 43, 21, 3, 3, 43, 3};
const Row<uint8_t> kSyncLockThreshold = {15, 15, 15, 15, 15, 15, 11, 11, 15, 11};
const Row<uint8_t> kEndPatternThreshold = {9, 9, 8, 9, 9, 8, 8, 8, 9, 8};
const Row<int16_t> kRankWindowLength = {512, 512, 256, 512, 512, 256, 128, 128, 512, 128};
const Row<uint8_t> kRankCutoff = {64, 64, 32, 64, 64, 32, 16, 16, 64, 16};
const Row<int32_t> kCancelFrameDelayMs = {3000, 10000, 15000, 3000, 10000, 15000, 20000, 20000, 10000, 20000};

const std::array<uint8_t, 24> kSyncTones = {6,  11, 7,  2, 12, 9, 15, 4,  7, 1, 2, 9,
                                            10, 14, 15, 3, 8,  3, 0,  13, 4, 0, 0, 0};
const std::array<uint8_t, 24> kEndPattern = {2,  4, 10, 5,  3, 2, 14, 2,  11, 1, 9,  15,
                                             11, 4, 10, 13, 7, 0, 13, 12, 1,  0, 11, 13};

// Repeats a pattern over positions 1 to 288.
template <size_t N>
void FillRepeating(std::array<uint8_t, 289>& sequence, const std::array<uint8_t, N>& pattern) {
    for (int p = 1; p <= kSubBandSequenceLength; ++p)
        sequence[p] = pattern[(p - 1) % N];
}

void FillSubBandSequence(int mode, std::array<uint8_t, 289>& sequence) {
    switch (mode) {
        case 1:
        case 6:
            FillRepeating(sequence, SubBandPattern8);
            break;
        case 2:
        case 3:
            FillRepeating(sequence, SubBandPattern16);
            break;
        case 5:
            FillRepeating(sequence, SubBandPattern4);
            break;
        case 9:
            FillRepeating(sequence, std::array<uint8_t, 1>{1});
            break;
        default:  // M4, M7, M8, M10: alternating between the two sub-bands
            FillRepeating(sequence, std::array<uint8_t, 2>{1, 2});
            break;
    }
}

}  // namespace

void BuildModeTable(ModeTables& tables) {
    for (int m = 1; m <= kModeCount; ++m) {
        const int i = m - 1;
        ModeRecord& r = tables.ModeTable[m];
        r.NominalBaud = kNominalBaud[i];
        r.ModeBandwidthHz = kModeBandwidthHz[i];
        r.SymbolRate = kSymbolRate[i];
        r.ToneSpacingFactor = kToneSpacingFactor[i];
        r.WideWindowLow = kWideWindowLow[i];
        r.WideWindowHigh = kWideWindowHigh[i];
        r.NarrowWindowLow = kNarrowWindowLow[i];
        r.NarrowWindowHigh = kNarrowWindowHigh[i];
        r.BandwidthBins = kBandwidthBins[i];
        r.NarrowAfcHz = kNarrowAfcHz[i];
        r.WideAfcHz = kWideAfcHz[i];
        r.BaseToneBin = kBaseToneBin[i];
        r.SymbolColumns = kSymbolColumns[i];
        r.InterleaveDepth = kInterleaveDepth[i];
        FillSubBandSequence(m, r.SubBandSequence);
        r.ToneCount = kToneCount[i];
        r.ViterbiFullScale = kViterbiFullScale[i];
        r.SnCorrectionDb = kSnCorrectionDb[i];
        r.SnThresholdDb = kSnThresholdDb[i];
        r.SnRedLimitDb = kSnRedLimitDb[i];
        r.SnYellowLimitDb = kSnYellowLimitDb[i];
        r.SnAverageLength = kSnAverageLength[i];
        r.SyncSymbolCount = kSyncSymbolCount[i];
        r.EndPatternLength = kEndPatternLength[i];
        r.FrameAcquisitionRedLimit = kFrameAcquisitionRedLimit[i];
        r.FrameAcquisitionYellowLimit = kFrameAcquisitionYellowLimit[i];
        r.FinalAcquisitionRedLimit = kFinalAcquisitionRedLimit[i];
        r.FinalAcquisitionYellowLimit = kFinalAcquisitionYellowLimit[i];
        r.BaseToneHz = kBaseToneHz[i];
        r.SubBandCount = kSubBandCount[i];
        r.TextColour = kTextColour[i];
        r.SamplesPerBuffer = kSamplesPerBuffer[i];
        r.SamplesPerSymbol = kSamplesPerSymbol[i];
        r.PilotTone = kPilotTone[i];
        r.PilotSubBand = kPilotSubBand[i];
        r.TxWaitClass = kTxWaitClass[i];
        r.TxTickKind = kTxTickKind[i];
        r.CharsetKind = kCharsetKind[i];
        r.FftLength = kFftLength[i];
        r.ToneBinSet = kToneBinSet[i];
        r.WaterfallMarker1 = kWaterfallMarker1[i];
        r.WaterfallMarker2 = kWaterfallMarker2[i];
        r.WaterfallMarker3 = kWaterfallMarker3[i];
        r.WaterfallMarker4 = kWaterfallMarker4[i];
        r.CentreHz = kCentreHz[i];
        r.EncoderTableLength = kEncoderTableLength[i];
        r.DisplayName = kDisplayName[i];
        r.KeyName = kKeyName[i];
        r.SyncPatternStart = kSyncPatternStart[i];
        r.SyncLockThreshold = kSyncLockThreshold[i];
        r.EndPatternThreshold = kEndPatternThreshold[i];
        r.RankWindowLength = kRankWindowLength[i];
        r.RankCutoff = kRankCutoff[i];
        r.CancelFrameDelayMs = kCancelFrameDelayMs[i];
    }

    for (int k = 1; k <= 24; ++k) {
        tables.SyncToneSequence[k] = kSyncTones[k - 1];
        tables.EndPatternTable[k] = kEndPattern[k - 1];
    }

    // Symbol positions that the steady-tone clean-up inspects at lock, for interleave depths 3, 6 and 8.
    tables.SyncIndexTable[1][1] = 19;
    int e = 1;
    for (int a = 0; a <= 3; ++a)
        for (int b = 0; b <= 3 - a; ++b)
            tables.SyncIndexTable[4][e++] = static_cast<uint8_t>(25 + 6 * a + 5 * b);
    e = 1;
    for (int a = 0; a <= 6; ++a)
        for (int b = 0; b <= 6 - a; ++b)
            tables.SyncIndexTable[6][e++] = static_cast<uint8_t>(17 + 8 * a + 7 * b);
}

const ModeTables& StandardModeTables() {
    static const ModeTables tables = [] {
        ModeTables t;
        BuildModeTable(t);
        return t;
    }();
    return tables;
}

float ToneFrequencyHz(const ModeRecord& mode, int subBand, int tone) {
    return static_cast<float>(mode.ToneSpacingFactor) * mode.SymbolRate *
               static_cast<float>((subBand - 1) * 16 + tone) / 2.0f +
           mode.BaseToneHz;
}

}  // namespace muv
