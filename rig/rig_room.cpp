#include "rig/rig_room.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <cstdio>
#include <utility>

#include "platform/qt/event_wait.h"
#include "platform/qt/qt_text.h"
#include "rig/rig_engine.h"

namespace muv {

RigRoom::RigRoom(RigWindowLinks links, QWidget* parent, std::function<void(QWidget&)> created)
    : links_(links), parent_(parent), created_(std::move(created)) {}

RigRoom::~RigRoom() = default;

frmRig& RigRoom::Window() {
    if (!window_) {
        // Kept before the load, which may already reach back for the window (a rig frequency read into
        // the frequency box).
        window_ = std::make_unique<frmRig>(links_, parent_);
        if (created_) created_(*window_);
        window_->Form_Load();
    }
    return *window_;
}

void RigRoom::ShowWindow() {
    frmRig& window = Window();
    window.show();
    window.raise();
}

int32_t RigRoom::CatFrequencyHz() const {
    return window_ ? window_->CatFrequencyHz : 0;
}

bool RigRoom::EngineRunning() const {
    return window_ && window_->OmniRigEngine();
}

bool RigRoom::CurrentRigOnline() const {
    const Rig* rig = EngineRunning() ? window_->CurrentRig() : nullptr;
    return rig && rig->Status() == rigctl::ST_ONLINE;
}

void RigRoom::CambiarFrecuencia(int32_t& hz) {
    Window().CambiarFrecuencia(hz);
}

void RigRoom::FollowDigitalMode() {
    if (!EngineRunning()) return;
    Rig* rig = window_->CurrentRig();
    if (rig && window_->chkDigital->isChecked() && rig->Mode() != rigctl::PM_DIG_U)
        rig->SetMode(rigctl::PM_DIG_U);
}

void RigRoom::ProtejerOpcionesRig() {
    Window().ProtejerOpcionesRig();
}

void RigRoom::ActivarOpcionesRig() {
    Window().ActivarOpcionesRig();
}

void RigRoom::SettleRelease() {
    // A CAT release goes through the engine's queue: the rig is given the moment it needs to confirm it,
    // and then it is told once more on a connection of its own.
    if (!EngineRunning()) return;
    RigEngine& engine = *window_->OmniRigEngine();
    QElapsedTimer clock;
    clock.start();
    while ((engine.Rig1().ReleasePending() || engine.Rig2().ReleasePending()) && clock.elapsed() < 2000)
        LetEventsRun(10);
    for (Rig* rig : {&engine.Rig1(), &engine.Rig2()}) {
        if (rig->ReleasePending() && !rig->ReleaseNow(1000))
            std::fprintf(stderr, "MUV: %s has not confirmed PTT off: the transmitter may still be keyed\n",
                         rig->RigType().c_str());
    }
}

// --- the window's keying choices ---

// Keying asks its questions through const methods; the window is still loaded on the first of them.
frmRig& RigRoom::Choices() const {
    return const_cast<RigRoom*>(this)->Window();
}

bool RigRoom::optCAT() const {
    return Choices().optCAT->isChecked();
}
bool RigRoom::optVOX() const {
    return Choices().optVOX->isChecked();
}
bool RigRoom::optNOCAT() const {
    return Choices().optNOCAT->isChecked();
}
int RigRoom::cboCOMListIndex() const {
    return Choices().cboCOM->currentIndex();
}
bool RigRoom::optRTS() const {
    return Choices().optRTS->isChecked();
}
bool RigRoom::optDTR() const {
    return Choices().optDTR->isChecked();
}
bool RigRoom::optDDSCAT() const {
    return Choices().optDDSCAT->isChecked();
}
std::string RigRoom::txtFrecuenciaUSBText() const {
    return FromQString(Choices().txtFrecuenciaUSB->text());
}
bool RigRoom::OmniRigEnginePresent() const {
    return EngineRunning();
}
int RigRoom::CurrentRigStatus() const {
    const Rig* rig = EngineRunning() ? window_->CurrentRig() : nullptr;
    return rig ? rig->Status() : rigctl::ST_NOTCONFIGURED;
}
uint8_t RigRoom::CAT_PTT_TX() {
    return Window().CAT_PTT_TX();
}
void RigRoom::CAT_PTT_RX() {
    Window().CAT_PTT_RX();
}

}  // namespace muv
