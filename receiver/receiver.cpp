#include "receiver/receiver.h"

#include <algorithm>

namespace muv {

bool ReceiveOption::Decodes(int mode) const {
    return std::find(modes.begin(), modes.end(), mode) != modes.end();
}

Receiver::Receiver(const ReceiverLinks& links)
    : links_(links),
      input_(links.soundInput, links.host),
      varicode_(links.rtfVentanaRX, links.varicode, &links.errors) {
    viterbi_.TracebackDepth = 24;
    viterbi_.BuildTrellis();
}

bool Receiver::OpenSoundInput() {
    return input_.OpenSoundInput(RxMode().SamplesPerBuffer);
}

void Receiver::CloseSoundInput() {
    input_.CloseSoundInput();
}

// The one place where the band class, the bandwidth and the receive option become the modes decoded.
ReceiveOption Receiver::ChooseReceiveOption() const {
    const SharedState& s = links_.shared;
    const ModemSwitches& sw = s.switches;
    if (s.BandClass == 3) {
        if (sw.wideAfc) return {{8}, 8, 8, 8};
        return {{7}, 7, 7, 7};
    }
    if (s.BandClass == 1) {
        if (sw.mfReceiveOption == 1) return {{9, 10}, 9, 9, 10};
        if (sw.mfReceiveOption == 2) return {{9}, 9, 9, 9};
        return {{10}, 10, 10, 10};
    }
    const int base = s.BandwidthHz == 2000 ? 0 : 3;  // M1..M3 or M4..M6
    if (sw.hfReceiveOption == 1) return {{base + 1, base + 2, base + 3}, base + 1, base + 1, base + 3};
    if (sw.hfReceiveOption == 2) return {{base + 1, base + 2}, base + 1, base + 1, base + 2};
    return {{base + 3}, base + 3, base + 3, base + 3};
}

void Receiver::ResumeSearch() {
    ResizeToneMatrix();
    GetTimer(TimerId::tmrCancelFrame).SetEnabled(false);
    links_.controls.SetVisible(Control::pctCancelFrame, false);
    RxLocked = 0;
    LockSyncSum = 0;
    LockSyncMatches = 0;
    AcquisitionEnabled = 1;
}

void Receiver::TrapFault(int number, int step) {
    if (reportedTraps_.insert(number).second) links_.errors.ReportTrappedError(number, std::to_string(step));
    restartPending_ = true;
}

void Receiver::RestartAfterFault() {
    if (!restartPending_) return;
    restartPending_ = false;
    RestartReceiver();
}

}  // namespace muv
