// A program for the tests that keys a rig through the rig window and then waits to be killed:
//
//   keyed_rig_holder ADDRESS
//
// The rig window has rig 1 at the rigctld address given, CAT on, keying by CAT, and no rig set up in
// Configure CAT: the rigctld there is the operator's own, which MUV never starts or stops. It
// writes "keyed" on its standard output once the rig reports PTT on, or ends with status 1 when the rig
// cannot be keyed within 20 s.
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <functional>

#include "common/shared_state.h"
#include "common/window_controls.h"
#include "platform/private_profile.h"
#include "rig/frmRig.h"
#include "test_support/recording_fakes.h"

namespace {

struct QuietHost : muv::RigWindowHost {
    void imgScanON_Click() override {}
    void SetFrequencyBoxLocked(bool) override {}
    void SetScanMenuEnabled(bool) override {}
    void KeyingFailureTail() override {}
    void RigFrequencyRead() override {}
    void StopUnkeyedTransmission() override {}
    void StopKeyLostTransmission() override {}
    void ShowPttKeyed(bool) override {}
};

bool Within(int milliseconds, const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: keyed_rig_holder ADDRESS\n");
        return 2;
    }
    QApplication application(argc, argv);
    muv::MemoryProfileStore store;
    store.Write("RIG", "Rigctld1", argv[1]);
    store.Write("RIG", "Enable CAT", "0");
    store.Write("RIG", "PTT", "1");
    muv::MemoryWindowControls controls;
    muv::SharedState shared;
    QuietHost host;
    muv::test::RecordingBoxes boxes;
    muv::test::RecordingPages pages;
    muv::frmRig window({controls, shared, host, boxes, pages, store});
    window.RigPollIntervalMs = 100;
    window.Form_Load();
    using namespace muv::rigctl;
    if (!Within(20000, [&] { return window.CurrentRig() && window.CurrentRig()->Status() == ST_ONLINE; }) ||
        window.CAT_PTT_TX() != 1 || !Within(20000, [&] { return window.CurrentRig()->Tx() == PM_TX; }))
        return 1;
    std::printf("keyed\n");
    std::fflush(stdout);
    return application.exec();
}
