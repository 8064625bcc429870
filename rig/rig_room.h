// Rig control as the program runs it: the rig window frmRig, created and loaded on its first use, with its
// rigctld engine.
#pragma once

#include <functional>
#include <memory>

#include "rig/frmRig.h"
#include "rig/rig_control.h"

class QWidget;

namespace muv {

class RigRoom : public RigControl, private RigKeying {
public:
    // links: what the window reaches (the main window's controls, the shared state, its host, message
    // boxes and web pages); parent: the window the rig window belongs to; created: what the window gets
    // when it has just come into being, before its load (its texts).
    RigRoom(RigWindowLinks links, QWidget* parent, std::function<void(QWidget&)> created = {});
    ~RigRoom() override;

    // The window itself, loaded on first use.
    frmRig& Window();

    bool WindowLoaded() const override { return window_ != nullptr; }
    void ShowWindow() override;
    // RigControl's and RigKeying's question alike.
    int32_t CatFrequencyHz() const override;
    bool EngineRunning() const override;
    bool CurrentRigOnline() const override;
    void CambiarFrecuencia(int32_t& hz) override;
    void FollowDigitalMode() override;
    void ProtejerOpcionesRig() override;
    void ActivarOpcionesRig() override;
    RigKeying& Keying() override { return *this; }
    void SettleRelease() override;

private:
    frmRig& Choices() const;
    // RigKeying: the window's controls as keying reads them.
    bool optCAT() const override;
    bool optVOX() const override;
    bool optNOCAT() const override;
    int cboCOMListIndex() const override;
    bool optRTS() const override;
    bool optDTR() const override;
    bool optDDSCAT() const override;
    std::string txtFrecuenciaUSBText() const override;
    bool OmniRigEnginePresent() const override;
    int CurrentRigStatus() const override;
    uint8_t CAT_PTT_TX() override;
    void CAT_PTT_RX() override;

    RigWindowLinks links_;
    QWidget* parent_;
    std::function<void(QWidget&)> created_;
    std::unique_ptr<frmRig> window_;
};

}  // namespace muv
