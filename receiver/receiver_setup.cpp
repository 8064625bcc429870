// Putting the receiver into a known state: the full restart after a change of what is received or after
// a transmission, the set-up of the tone matrix for the receive option, and the matrix alone.
#include <algorithm>

#include "receiver/receiver.h"

namespace muv {

void Receiver::RestartReceiver() {
    WindowControls& c = links_.controls;

    AcquisitionEnabled = 0;
    GetTimer(TimerId::tmrRX).SetEnabled(false);  // no tick may see a half-built matrix
    RxRingIndex = 0;

    GetTimer(TimerId::tmrRefrescoVumetro).SetInterval(100);
    GetTimer(TimerId::tmrRefrescoMetrica).SetInterval(400);
    GetTimer(TimerId::tmrRefrescoAdquisicion).SetInterval(200);
    GetTimer(TimerId::tmrRefrescoAdquisicionMaxima).SetInterval(8000);
    GetTimer(TimerId::tmrRefrescoAdquisicionFinal).SetInterval(200);
    GetTimer(TimerId::tmrRefrescoAdquisicionMaximaFinal).SetInterval(8000);
    GetTimer(TimerId::tmrEmail).SetInterval(4000);
    GetTimer(TimerId::tmrCPUProteccion).SetInterval(60000);
    GetTimer(TimerId::tmrCPUProteccion).SetEnabled(false);

    GetTimer(TimerId::tmrRefrescoMetrica).SetEnabled(true);
    GetTimer(TimerId::tmrRefrescoAdquisicion).SetEnabled(true);
    GetTimer(TimerId::tmrRefrescoAdquisicionFinal).SetEnabled(true);

    c.SetEnabled(Control::imgOFFBeacon, true);
    c.SetVisible(Control::txtTonoDePrueba, false);
    if (c.Visible(Control::imgONBeacon)) c.SetVisible(Control::txtTemporizadorBeacon, true);

    SyncMatchCount = 0;
    EndMatchCount = 1;
    PeakLevel = 0;
    LockSyncSum = 0;
    LockSyncMatches = 0;
    RxLocked = 0;

    SetupReceiverBuffers();

    GetTimer(TimerId::tmrRX).SetEnabled(true);

    Timer& beaconVolume = GetTimer(TimerId::tmrVolumenBeacon);
    beaconVolume.SetInterval(2000);
    ChannelBusy = 0;
    beaconVolume.SetEnabled(false);  // off and on again: its 2000 ms period starts anew
    beaconVolume.SetEnabled(true);
}

void Receiver::SetupReceiverBuffers() {
    if (links_.shared.TxRxState != 0) return;  // the end of the transmission restarts anyway
    RxRingIndex = 0;
    FrameBaseBin = 0;
    ResizeMatrixForOption();
    RxModeIndex = static_cast<uint8_t>(Option.firstMode);
    links_.controls.SetText(Control::txtModo, RxMode().DisplayName);
    DecodeSymbols(kStartFlag);
    AcquisitionEnabled = 1;
}

void Receiver::ResizeToneMatrix() {
    RxRingIndex = 0;
    FrameBaseBin = 0;
    ResizeMatrixForOption();
}

void Receiver::ResizeMatrixForOption() {
    Option = ChooseReceiveOption();
    const auto [lowest, highest] = std::minmax_element(Option.modes.begin(), Option.modes.end());
    const ModeRecord& bins = Mode(Option.binsOf);
    Matrix.Resize(*lowest, *highest, bins.WideWindowHigh + bins.BandwidthBins,
                  Mode(Option.columnsOf).SymbolColumns);
}

}  // namespace muv
