// The beacon window: which of the beacon and the report answer run (beacon and report, beacon only,
// report only), the beacon's period, and the text that follows a report. The main window's beacon reads
// the mode and the period from here; the report answer (BeaconReport), run once for every received
// message, answers a CQ call at once with a short report through the main window's TX/RX button.
// Whether the answer is armed and the operator's text that a report put aside are kept by the settings
// module (BeaconState), so that they outlive the window, which goes when it is closed.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

#include "common/error_trap.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace muv {

class ProfileStore;

// The three modes, by their stored digits.
enum class BeaconMode : uint8_t { BeaconAndReport = 1, BeaconOnly = 2, ReportOnly = 3 };

// What the beacon window keeps beyond its own life.
struct BeaconState {
    bool ReportArmed = false;          // the message being received may be answered (then: one was)
    bool BeaconModesAvailable = true;  // the two beacon modes need the processor load to be read
    std::string SavedTxText;           // the operator's transmit text that a report answer put aside
};

// What the window and its report answer reach in the main window, the receiver and the logbook; and
// where a trapped fault of the answer goes.
class BeaconHost : public ErrorReporter {
public:
    // Switches the beacon off.
    virtual void imgONBeacon_Click() = 0;
    // The beacon runs (imgONBeacon is shown).
    virtual bool BeaconOn() const = 0;
    // Holds the beacon back: the countdown box yellow, 180 seconds to go, the countdown running.
    virtual void HoldBeacon() = 0;
    // The placeholders of a macro text replaced by their values, one blank appended (UTF-8).
    virtual std::string AplicarMacros(const std::string& text) = 0;
    // The transmit window's text and the message received, as the program's UTF-8 (the host converts
    // from and to the modem's Windows-1252).
    virtual std::string TxText() = 0;
    virtual void SetTxText(const std::string& text) = 0;
    // The main window's TX/RX button, and 0 receiving, 1 transmitting, 2 ending a transmission.
    virtual void cmdTX_RX_Click() = 0;
    virtual uint8_t TxRxState() const = 0;
    // The message just received, and the callsign after its "DE " ("" for none).
    virtual std::string RxText() = 0;
    virtual std::string CallsignAfterDe(const std::string& text) = 0;
};

struct BeaconWindowLinks {
    ProfileStore& store;
    BeaconState& state;
    BeaconHost& host;
};

class frmBeacon : public QDialog {
public:
    static constexpr int kPeriodMin = 25;
    static constexpr int kPeriodMax = 600;

    explicit frmBeacon(BeaconWindowLinks links, QWidget* parent = nullptr);

    // Paints OK, sets the period's range, loads the stored choice and lists the placeholders.
    void Form_Load();
    // Stores the choice and closes the window.
    void cmdOK_Click();
    void hsb16_Change();
    void hsb16_Scroll();
    // The period as mm:ss in lbl16.
    void ShowBeaconTimer();
    void optBeaconReportMode_Click();
    void optBeaconOnlyMode_Click();
    void optReportOnlyMode_Click();

    // Run once for each finished received message: answers a CQ call with a report while the answer is
    // armed, or holds a running beacon back.
    void BeaconReport();
    // 1 when the received text, in capitals, holds " CQ ".
    uint8_t ComprobarMensajeCQ();

    // Without the processor load only the report answer can be chosen.
    void SetBeaconModesAvailable(bool available);

    // The live choice.
    BeaconMode Mode() const;
    int Period() const;

    // The state kept for the window.
    bool ReportArmed() const { return links_.state.ReportArmed; }
    void SetReportArmed(bool armed) { links_.state.ReportArmed = armed; }
    const std::string& SavedTxText() const { return links_.state.SavedTxText; }
    void SetSavedTxText(const std::string& text) { links_.state.SavedTxText = text; }

    QGroupBox* fraBeacon;
    QRadioButton* optBeaconReportMode;
    QRadioButton* optBeaconOnlyMode;
    QRadioButton* optReportOnlyMode;
    QGroupBox* fraBeaconTimer;
    QScrollBar* hsb16;
    QLabel* lbl16;
    QLabel* lblReport16y8;
    QLineEdit* txtBeacon16y8Preambulo;
    QLineEdit* txtBeacon16y8;
    QLineEdit* txtBeacon16y8Final;
    QPlainTextEdit* txtListaMacros;
    QPushButton* cmdOK;

private:
    // The option handlers' common part: the mode value, the marker, and which controls show.
    void ChooseMode(uint8_t mode, const char* marker, bool timerShown, bool textShown);

    BeaconWindowLinks links_;
    uint8_t SelectedBeaconMode = 0;  // 0 until the first choice after loading
};

// The "BEACON" group of the current profile: the mode ("Modo"), the report text ("Macro Beacon 16y8") and
// the period ("Timer16").
void LoadBeaconSettings(ProfileStore& store, frmBeacon& w);
void SaveBeaconSettings(ProfileStore& store, frmBeacon& w);

}  // namespace muv
