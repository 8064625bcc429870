// The rig window: how the transmitter is keyed (CAT, a serial line, the DDS box, VOX), which serial
// port and line, where the DDS box's dial frequency comes from, which of the engine's two rigs is
// used and at which rigctld address each one is, digital mode, and CAT on or off. It owns the CAT
// engine: it starts it, follows the selected rig's frequency into the main window's frequency box,
// and tunes the rig when the program changes frequency.
#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>

#include "common/colour.h"
#include "rig/rig_engine.h"
#include "rig/rig_server.h"
#include "texts/interface_texts.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace muv {

class MessageBoxes;
class ProfileStore;
class WebPages;
class WindowControls;
struct SharedState;

// What the rig window needs of the main window beyond its controls.
class RigWindowHost {
public:
    virtual ~RigWindowHost() = default;
    // Stops the scan (the main window's imgScanON_Click).
    virtual void imgScanON_Click() = 0;
    // txtFrecuencia.Locked: the frequency box cannot be typed into while an online rig drives it.
    virtual void SetFrequencyBoxLocked(bool locked) = 0;
    // mnuScan.Enabled.
    virtual void SetScanMenuEnabled(bool enabled) = 0;
    // What follows a failed keying: focus to rtfVentanaTX, the beacon switched off (imgONBeacon_Click),
    // imgTuneON hidden and imgTuneOFF shown. The serial and DDS keying use the same tail.
    virtual void KeyingFailureTail() = 0;
    // The selected rig is online and its frequency has just been read into the frequency box while
    // receiving.
    virtual void RigFrequencyRead() = 0;
    // The rig refused the key of the transmission or tune tone under way: it never went on the air, and
    // the transmission ends leaving the windows and the session text as they were before it.
    virtual void StopUnkeyedTransmission() = 0;
    // The rig was on the air and cannot be keyed again: the transmission ends as cut.
    virtual void StopKeyLostTransmission() = 0;
    // Whether the rig is on the air while the program transmits (it may lose the key and get it back).
    virtual void ShowPttKeyed(bool keyed) = 0;
};

struct RigWindowLinks {
    WindowControls& controls;   // txtFrecuencia, fraScan, the timer tmrCambiarFrecuenciaCAT
    const SharedState& shared;  // TxRxState
    RigWindowHost& host;
    MessageBoxes& boxes;
    WebPages& pages;
    ProfileStore& settings;  // the rig settings (section "RIG", shared by all profiles)
    // The interface language's messages, which word the status of a rig online (none: the engine's words).
    const InterfaceTexts* texts = nullptr;
};

class frmRig : public QDialog {
public:
    explicit frmRig(RigWindowLinks links, QWidget* parent = nullptr);
    ~frmRig() override;

    // The window's load: loads the rig settings, applies the CAT switch (which starts the engine when
    // CAT is on) and shows the frames of the chosen keying. Run once when the window is first used.
    void Form_Load();

    // The rig's frequency in Hz as last read; 0 after CAT is switched off; below 1 means none.
    int32_t CatFrequencyHz = 0;
    // The selected rig of the engine, or null (no engine).
    Rig* CurrentRig() const { return currentRig_; }
    // The CAT engine, or null: CAT disabled, or the rig's address did not answer rigctld's protocol.
    RigEngine* OmniRigEngine() const { return engine_; }

    // Freezes the window's options while transmitting, and frees them again (which also restarts
    // CAT and re-reads the rig's frequency).
    void ProtejerOpcionesRig();
    void ActivarOpcionesRig();
    // Keys the transmitter by CAT: 1 on success; 0 after telling the operator why not (with the
    // keying failure tail). A rig that refused PTT before is not keyed again: its status says why. One
    // that refuses this key is known only when rigctld answers: then the transmission is stopped and the
    // operator told (OmniRigEngine_PttRefused).
    uint8_t CAT_PTT_TX();
    // Releases the transmitter by CAT.
    void CAT_PTT_RX();
    // Tunes the selected rig, and the other rig with it. The rig-type correction is written back.
    void CambiarFrecuencia(int32_t& hz);

    // The rig settings, shared by all profiles: the rigctld address of each rig ("host:port"), the rig
    // names, the DDS box's dial frequency and where it comes from, the keying, CAT on or off, the rig in
    // use, the serial port and line, digital mode. Missing values take the window's defaults.
    void LoadRigSettings();
    void SaveRigSettings();

    // How often the engine polls the rigs and how long it waits for an answer (set before Form_Load).
    int RigPollIntervalMs = 500;
    int RigReplyTimeoutMs = 5000;

    // Handlers.
    void chkDisableCAT_Click();
    void chkDigital_Click();
    void optCAT_Click();
    void optNOCAT_Click();
    void optVOX_Click();
    void optDDS_Click();
    void optRig1_Click();
    void optRig2_Click();
    void cmdConfigureRig_Click();
    void cmdOK_Click();
    void Image1_Click();
    void Label2_Click();
    // A rig's rigctld address edited: the engine moves that rig to it.
    void txtRigctld_Change(int rigNumber);
    // The rig setup in the settings has changed: while CAT runs, MUV's rigctld for each rig is started,
    // started again with the new setup, or stopped, and the engine goes to each rig's address again.
    void ApplyRigSetup();

    ColorRef Label8BackColor() const { return label8BackColour_; }

    QGroupBox* FraCAT;
    QCheckBox* chkDigital;
    QCheckBox* chkDisableCAT;
    QGroupBox* fraRig;
    QRadioButton* optRig1;
    QRadioButton* optRig2;
    QLineEdit* txtRigctld1;
    QLineEdit* txtRigctld2;
    QPushButton* cmdConfigureRig;
    QLabel* Label8;
    QGroupBox* fraSeleccionarPTT;
    QRadioButton* optCAT;
    QRadioButton* optNOCAT;
    QRadioButton* optVOX;
    QRadioButton* optDDS;
    QGroupBox* fraPTTNOCAT;
    QGroupBox* fraPort;
    QComboBox* cboCOM;
    QGroupBox* fraPin;
    QRadioButton* optRTS;
    QRadioButton* optDTR;
    QRadioButton* optRTSDTR;
    QGroupBox* fraDDS;
    QRadioButton* optDDSCAT;
    QRadioButton* optDDSManual;
    QLineEdit* txtFrecuenciaUSB;
    QPushButton* cmdOK;
    QLabel* Image1;
    QLabel* Label2;

private:
    void SetCatDisabledState();
    void StartOmniRig();
    void SelectRig(int16_t& n);
    void ShowCatStatus();
    void ReadRigFrequency();
    void GetDdsUsbFrequency();
    void ReleaseEngine();
    void SetLabel8(ColorRef colour, const std::string& caption);
    void StopScanAndUnlock();
    void OmniRigEngine_StatusChange(int rigNumber);
    void OmniRigEngine_ParamsChange(int rigNumber, int32_t params);
    void OmniRigEngine_RigTypeChange(int rigNumber);
    void OmniRigEngine_ProtocolMismatch(int rigNumber);
    void OmniRigEngine_ReleaseUnconfirmed(int rigNumber);
    void OmniRigEngine_PttRefused(int rigNumber);
    void OmniRigEngine_KeyStateChange(int rigNumber);
    void OmniRigEngine_KeyingFailed(int rigNumber);
    // A refusal's status text with what the operator can change.
    std::string RefusalText() const;
    bool IsFt100D() const;
    Rig* OtherRig() const;

    // The rigctld that MUV runs for each rig set up with a Hamlib model (none for an address elsewhere).
    void StartRigServers();
    void StopRigServers();
    RigServerSetup ServerSetup(int rigNumber, const std::string& endpoint) const;

    RigWindowLinks links_;
    RigServer* servers_[2] = {nullptr, nullptr};
    RigServerSetup serverSetups_[2];
    RigEngine* engine_ = nullptr;
    Rig* currentRig_ = nullptr;
    // Why there is no engine while CAT is on: the rig's address answered outside rigctld's protocol.
    std::string noEngineText_;
    int16_t RigNumber = 0;  // 1 or 2; 0 while a rig is being bound
    ColorRef label8BackColour_ = kStatusGrey;
};

}  // namespace muv
