// The receiver: sound-card input, the decimating front end, the tone spectra, frame acquisition, the
// symbol decoding chain with its Viterbi and character decoders, end-pattern recognition, S/N, the
// meters and the waterfall. It runs only when the main window's receive timer calls a tick, and
// reaches the windows through small faces, so that a test or the benchmark can drive it sample by
// sample faster than real time.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "common/error_trap.h"
#include "common/shared_state.h"
#include "common/text_window.h"
#include "common/window_controls.h"
#include "logbook/session_log.h"
#include "modem/mode_table.h"
#include "receiver/fft.h"
#include "receiver/finished_message.h"
#include "receiver/fir_filter.h"
#include "receiver/receiver_host.h"
#include "receiver/sound_input.h"
#include "receiver/tone_energy_matrix.h"
#include "receiver/varicode_decoder.h"
#include "receiver/viterbi.h"
#include "receiver/waterfall.h"
#include "texts/interface_texts.h"

namespace muv {

// What the receiver reaches outside its own module.
struct ReceiverLinks {
    const ModeTables& modes;
    const VaricodeTableType& varicode;
    SharedState& shared;
    SessionLog& sessionLog;
    const InterfaceTexts& texts;
    TextWindow& rtfVentanaRX;
    WindowControls& controls;
    SoundInputDevice& soundInput;
    ReceiverHost& host;
    ErrorReporter& errors;
};

// The receive option: which modes the band class, bandwidth and option images make the receiver decode,
// and how the tone matrix is dimensioned for them. Derived in one place (ChooseReceiveOption).
struct ReceiveOption {
    std::vector<int> modes;  // in the order the tick serves them
    int firstMode = 1;       // RxModeIndex after a set-up
    int columnsOf = 1;       // the record whose SymbolColumns gives the matrix's columns
    int binsOf = 1;          // the record whose WideWindowHigh + BandwidthBins gives its highest bin
    bool Decodes(int mode) const;
};

// The flag that makes FrontEndSample, FrontEndSampleShifted, DecodeSymbols and FindToneWindow start
// afresh (a new sound buffer, a new frame) instead of taking a step.
constexpr uint8_t kStartFlag = 255;

// The receiver state record.
struct RxStateRecord {
    // front end
    int16_t ShiftedInputPosition = 1;
    int16_t InputPosition6 = 1;
    int16_t InputPosition7 = 1;
    float MixerPhaseA = 0;
    float MixerPhaseB = 0;
    // ticks: groups since the stage last ran, for M2, M3, M5, M6, M9, M10, M7, M8 (index 0..7)
    std::array<int16_t, 8> GroupCounter{};
    // decoding chain
    uint8_t ColumnPhase = 1;
    int16_t TimingSlot = 1;
    uint8_t SampleCountdown = 1;
    int16_t TimingSymbolCount = 0;
    int16_t LastTimingOffset = 0;
    uint8_t InterleavePhase = 1;
    int16_t SubBandPosition = 1;
    uint8_t FrameSymbolCount = 0;
    std::array<std::array<float, 513>, 9> TimingEnergy{};  // [column phase 1..8][timing slot 1..512]
    std::array<float, 9> PhaseSum{};                       // 1..8
    std::array<uint8_t, 35> HardToneRing{};                // 1..34
    uint8_t HardToneIndex = 1;
    SymbolErrorWindow SymbolErrors;
    std::array<std::array<float, 17>, 5> AfcEnergyRing{};  // [offset + 2][ring position 1..16]
    uint8_t AfcRingIndex = 1;
    uint8_t AfcSymbolCount = 0;
    std::array<float, 5> AfcSums{};  // [offset + 2]
    // end pattern
    std::array<uint8_t, 25> ReceivedPattern{};  // 1..24
    // meters
    std::array<float, 65> SnHistory{};  // 1..64, oldest first
    uint8_t LastViterbiMetric = 0;
    uint8_t LastSyncMatchCount = 0;
    uint8_t LastEndMatchCount = 0;
};

class Receiver {
public:
    explicit Receiver(const ReceiverLinks& links);

    // --- sound-card input ---
    bool OpenSoundInput();  // with the buffer size of the receive mode
    void CloseSoundInput();
    SoundInput& Input() { return input_; }

    // --- set-up and restart ---
    ReceiveOption ChooseReceiveOption() const;
    void RestartReceiver();
    void SetupReceiverBuffers();
    void ResizeToneMatrix();

    // --- front end ---
    void FrontEndSample(const std::vector<int16_t>& buffer, uint8_t flag);
    void FrontEndSampleShifted(const std::vector<int16_t>& buffer, uint8_t flag);
    ComplexSample MixerStepA(ComplexSample sample, float frequencyHz, float sampleRateHz);
    ComplexSample MixerStepB(ComplexSample sample, float frequencyHz, float sampleRateHz);
    void ComputeToneEnergies(uint8_t mode);

    // --- receive ticks: each takes at most one sound buffer ---
    void RxTickHf2000();
    void RxTickHf500();
    void RxTickMf();
    void RxTickEmeNarrow();
    void RxTickEmeWide();
    // The tick that the band class, the bandwidth and the AFC range choose.
    void RxTick();

    // --- frame acquisition ---
    void AcquireFrame(int16_t low, int16_t high, uint8_t mode);
    int16_t SyncToneOfPosition(uint8_t k, uint8_t mode) const;
    int16_t SyncPositionOffset(uint8_t branch, int16_t position, int16_t bin, uint8_t mode) const;
    void NormaliseToneEnergies(int16_t bin, int16_t column);

    // --- symbol decoding chain ---
    void DecodeSymbols(uint8_t flag);
    // operation 1 measures (the de-interleaved column out), operation 2 checks (returns SymbolErrorCount).
    uint8_t SymbolToBits(uint8_t phase, uint8_t viterbiSymbol, uint8_t frameSymbolCount, int16_t baseBin,
                         int16_t& column, uint8_t operation);
    // The S/N ratio of the symbol sampled in the newest column: its strongest tone's magnitude over
    // sixteen times the noise beside its sub-band (base: bin of tone 0 of that sub-band).
    float SymbolSnRatio(int16_t base, float strongestMagnitude) const;
    int16_t FindToneWindow(int16_t bin, uint8_t flag);

    // --- end pattern, frequency offset and S/N ---
    uint8_t MatchEndPattern(uint8_t tone, uint8_t operation);
    void CancelFrame();
    float ShowFrequencyShift();
    float SnToDb2500();
    void FormatSnAndFadeMargin(std::string& snText, std::string& marginText);
    static float Log10(float x);

    // --- meters: the refreshers that the main window's timers call ---
    float AverageSn(float value, uint8_t mode);
    void RefreshVuMeter();
    void RefreshMetrics();
    void RefreshAcquisitionMeter();
    void RefreshFinalAcquisitionMeter();
    void ReleaseAcquisitionHold();       // tmrRefrescoAdquisicionMaxima
    void ReleaseFinalAcquisitionHold();  // tmrRefrescoAdquisicionMaximaFinal
    float RefreshCpuMeter(uint8_t draw);
    void ResetRxDisplay();

    // --- after a message: the receiver searches again ---
    // The tone matrix is re-created, the cancel timer and button go, and the search starts anew.
    void ResumeSearch();
    // The message that has just ended, as a record; its S/N becomes SnDb. The closing steps outside the
    // receiver (tmrProcesarFinal) take it, then let the search resume.
    FinishedMessage FinishMessage();

    const ModeRecord& RxMode() const { return links_.modes[RxModeIndex]; }
    const ModeRecord& Mode(int index) const { return links_.modes[index]; }
    const std::string& RxText() const { return varicode_.RxText; }
    Waterfall& GetWaterfall() { return waterfall_; }
    ViterbiDecoder& Viterbi() { return viterbi_; }

    // --- state shared with the rest of the program ---
    uint8_t AcquisitionEnabled = 0;  // 1 while searching for a frame
    uint8_t RxLocked = 0;            // 1 from a lock until the message ends or the receiver restarts
    uint8_t RxModeIndex = 1;         // the mode being followed
    uint8_t LockedMode = 1;          // the mode that locked
    int16_t FrameBaseBin = 0;        // bin of tone 0 of sub-band 1 of the frame
    float FrequencyShiftHz = 0;      // frequency offset of the frame at lock
    int32_t FrequencyAtLock = 0;     // rig frequency at lock, Hz
    float CpuLoadAtLock = 0;
    std::string EndReason;  // "STOP" or "CANCEL"
    float SnDb = 0;         // S/N of the last message in dB, referred to 2500 Hz
    float PeakLevel = 0;
    uint8_t ChannelBusy = 0;
    uint8_t SyncMatchCount = 0;
    uint8_t EndMatchCount = 0;
    uint8_t EndMatchAtStop = 0;
    float LockSyncSum = 0;
    uint8_t LockSyncMatches = 0;        // the acquisition's copy
    uint8_t LockSyncMatchesAtLock = 0;  // the copy that the message's end reports
    uint8_t ViterbiMetric = 0;
    int16_t CurrentSymbolColumn = 1;
    // message statistics, cleared at frame start
    int32_t SnCount = 0;
    float SnSum = 0;
    int32_t ViterbiErrorSamples = 0;
    int32_t ViterbiErrorSum = 0;
    int32_t RxLevelCount = 0;
    float RxLevelSumDb = 0;

    // --- front end and spectra ---
    std::array<ComplexSample, 8192> RxSampleRing{};
    int16_t RxRingIndex = 0;
    std::array<int16_t, 8> ToneBinTable{};  // 1..7
    ToneEnergyMatrix Matrix;                // ToneEnergyMatrix
    ReceiveOption Option;                   // the option the matrix was dimensioned for
    RxStateRecord RxState;
    FirFilters Filters;

    // A run-time fault trapped in the receive chain under its number, at the step reached: reported
    // once for each number, and the receiver restarts after the tick instead of failing column by column.
    void TrapFault(int number, int step);
    // Called at the end of each tick: restarts the receiver when a fault was trapped during it.
    void RestartAfterFault();

private:
    Timer& GetTimer(TimerId id) { return links_.controls.GetTimer(id); }

    // --- private helpers of the set-up, front end, ticks and waterfall ---
    void ResizeMatrixForOption();
    // The window controls that the sample path needs, read once per buffer (front end kStartFlag).
    void ReadFrontEndSwitches();
    // One decimated sample into the ring (6:1 and 7:1 paths), with its peak, busy and waterfall work.
    void StoreDecimatedSample(float output, float lastRaw);
    void TrackPeakAndBusy(float lastRaw);
    // Whether mode's plane in the matrix holds every bin and column that its spectrum writes.
    bool HasPlane(uint8_t mode) const;
    bool StageGate(uint8_t mode) const;
    // A stage of the HF, HF-500 and MF ticks, and of the EME ticks.
    void RunStage(uint8_t mode, bool wideWindow);
    void RunEmeStage(uint8_t mode);
    // The HF, HF-500 and MF ticks, which differ in their buffer size and the stages they run.
    struct TickStages;
    void RxTickStages(const TickStages& stages);
    void RxTickEme(uint8_t mode, int counter);
    std::vector<int16_t> rxBuffer_;        // the tick's sound buffer, elements 1..N
    std::vector<ComplexSample> toneWork_;  // the tone transform's work array
    uint8_t toneWorkMode_ = 0;             // whose column the work array holds: its mode
    int16_t toneWorkColumn_ = 0;           // and its column
    bool beaconOn_ = false;                // imgONBeacon shown
    bool feedWaterfall_ = false;           // imgONWaterFall shown and not EME
    bool wideMarkers_ = false;             // imgAFC200 shown

    // --- private helpers of frame acquisition ---
    // Takes the lock on a candidate bin of the mode, advancing step through AcquireFrame's trap steps.
    void LockFrame(int16_t bin, uint8_t mode, uint8_t matches, float sum, int& step);

    // --- private helpers of the decoding chain ---
    void StartFrame();
    // One column; step is the trap's step number reached.
    void DecodeColumn(int& step);
    // One symbol at a sampling point; false when the end of the message was recognised.
    bool DecodeSymbol(int& step, int16_t base, int16_t strongestBin, float strongestMagnitude);
    // The header line of a new message in the receive window and the session text.
    void StartMessageText(float snRatio);
    // Moves the sampling point to the column phase where the symbols are strongest.
    void EstimateTiming();

    // --- private helpers of the end pattern, frequency offset and S/N ---
    // The message ends for reason ("STOP" or "CANCEL"): tmrProcesarFinal closes it shortly.
    void EndMessage(const std::string& reason);

    // --- private helpers of the meters ---
    // A match count on its meter and in its box: the needle at count / total, the text "prefix n/N".
    void ShowMatchCount(MeterId meter, Control box, const std::string& prefix, int count, int total);
    // The back colour of a match count: red at or below the red limit, yellow at or below the yellow one.
    static ColorRef MatchColour(int count, int redLimit, int yellowLimit);

    ReceiverLinks links_;
    SoundInput input_;
    ViterbiDecoder viterbi_;
    VaricodeDecoder varicode_;
    Waterfall waterfall_;
    std::set<int> reportedTraps_;
    bool restartPending_ = false;
};

}  // namespace muv
