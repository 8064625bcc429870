// The contact-entry window: the operator completes the current contact here and logs it. The main
// window fills it (the partner's callsign, the contact's start, the frequency, the UTC date and time),
// the received text fills the partner's name, QTH and locator, and it shows the last earlier contact
// with the station. Its log button appends one record to the ADIF log, reports the contact to the
// callsign server and closes the window. It comes into being on its first use, opens at its stored place
// above the other windows, and saves its settings group when it closes.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <cstdint>
#include <functional>
#include <string>

#include "common/colour.h"
#include "common/utc_time.h"
#include "logbook/callsign.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace muv {

class MessageBoxes;
class ProfileStore;

// What the window reaches outside itself.
class QsoEntryHost {
public:
    virtual ~QsoEntryHost() = default;
    // --- the main window ---
    // The partner callsign box (its hint text counts as empty), and the back colour of the frequency box.
    virtual std::string PartnerCallsign() = 0;
    virtual ColorRef FrequencyBoxColour() = 0;
    // The UTC clock's time, and the contact's start (which the main window sets too).
    virtual UtcTime UtcNow() = 0;
    virtual UtcTime& QsoStartUtc() = 0;
    // The receive window's whole text, in the modem's Windows-1252.
    virtual std::string RxText() = 0;
    // The partner's details are asked of the callsign server a moment after the last change of the
    // callsign.
    virtual void RestartCallsignLookup() = 0;
    // The logged callsign is marked in the receive window.
    virtual void MarkLoggedCall(const std::string& callsign) = 0;
    // --- the operator's data and the eQSL account ---
    virtual std::string OperatorCallsign() = 0;
    virtual std::string OperatorLocator() = 0;
    virtual std::string EqslPassword() = 0;
    virtual void ShowEqslAccount() = 0;
    // --- the logbook ---
    // The country of a callsign ("Spain (EU)" with the continent, "Spain" without); "" when none.
    virtual std::string CountryOfCallsign(const std::string& callsign, uint8_t withContinent) = 0;
    // The latest earlier contact with the callsign (Band "" when there is none).
    virtual PreviousContact PreviousContactWith(const std::string& callsign) = 0;
    // What became of a contact given to the log: logged; refused for want of a log file (another is to
    // be chosen); or not written, the file being unable to take it (a full disk, a read-only log).
    enum class LogAppend { Logged, NoLogFile, NotWritten };
    // Adds the record to the ADIF log, telling the operator of a refusal or a failure and its cause.
    virtual LogAppend AppendAdifRecord(const std::string& record) = 0;
    // The log locations window is shown and its ADIF file choice run.
    virtual void ChooseAdifFile() = 0;
    // --- the on-line services ---
    virtual void SendEqslUpload(const std::string& record, const std::string& notes) = 0;
    virtual void ContactLogged(const std::string& callsign, const std::string& name, const std::string& qth,
                               const std::string& locator) = 0;
    // --- a trapped run-time fault ---
    virtual void ReportTrappedError(int number, const std::string& context) = 0;
};

// What outlives the window: the callsign and the frequency text of the last contact logged in this run.
struct LoggedContactMemory {
    std::string LastLoggedCall;
    std::string LastLoggedFrequency;
};

struct QsoEntryLinks {
    ProfileStore& store;
    MessageBoxes& boxes;
    QsoEntryHost& host;
    LoggedContactMemory& memory;
};

// A text box with a click event.
class QsoEntryBox : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    std::function<void()> Click;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

class frmQsoEntry : public QDialog {
public:
    explicit frmQsoEntry(QsoEntryLinks links, QWidget* parent = nullptr);

    // --- public procedures ---
    // The partner box's callsign into txtCallsign when it differs, and the contact's start as hh:mm.
    void ActualizarCamposADIF();
    // Fills the empty name, QTH and locator boxes from what the receive window says of the callsign
    // (UTF-8, as the boxes hold it).
    void CargarNombreYQTHAutomaticamente(const std::string& callsign);
    // 1 when the text is letters A to Z only (the empty text too): a clicked word may be a name.
    uint8_t ValidarNombre(const std::string& text) const;

    // --- window events ---
    // The captions, the settings group (eQSL, name, QTH, locator, place), the log button's colour and
    // the partner's callsign.
    void Form_Load();
    // Saves the settings group.
    void Form_Unload();

    // --- control events ---
    void chkEQSL_Click();
    void txtCallsign_Click();
    void txtCallsign_Change();
    void txtFrecuencia_Change();
    void txtLocator_Change();
    void txtNombre_Click();
    void txtQTH_Click();
    void txtLocator_Click();
    void txtRST_Click();
    // Logs the contact.
    void cmdGenerarADIF_Click();

    // Shows the window without blocking, above the others.
    void ShowWindow();
    // Every way of closing the window unloads it, whether it was shown or not.
    void done(int result) override;

    // --- controls (UTF-8 texts through ToQString / FromQString) ---
    QsoEntryBox* txtCallsign;
    QsoEntryBox* txtNombre;
    QsoEntryBox* txtQTH;
    QsoEntryBox* txtLocator;
    QsoEntryBox* txtDistancia;
    QsoEntryBox* txtFrecuencia;
    QsoEntryBox* txtFecha;
    QsoEntryBox* txtTimeON;
    QsoEntryBox* txtTimeOFF;
    QsoEntryBox* txtRST;
    QsoEntryBox* txtNotas;
    QsoEntryBox* txtUltimaFecha;
    QsoEntryBox* txtUltimaBanda;
    QCheckBox* chkEQSL;
    QPushButton* cmdGenerarADIF;
    QGroupBox* fraUltimoContacto;
    QLabel *lblCall, *lblNombre, *lblQTH, *lblLocator, *lblDistancia, *lblFrecuencia, *lblFecha, *lblHoraON,
        *lblHoraOFF, *lblRST, *lblNotas, *lblFechaHistorial, *lblBandaHistorial;
    // The callsign server's state: red not connected, yellow no answer, green connected.
    QLabel *imgLedRojo, *imgLedAmarillo, *imgLedVerde;

private:
    // The start of the contact: now, and its hh:mm in txtTimeON.
    void StartContact();
    std::string BuildRecord();

    QsoEntryLinks links_;
    bool unloaded_ = false;
};

// The contact-entry window's group of the current profile (section "ADIF"): the eQSL box, the name, QTH
// and locator boxes, and the window's place. Loading sets each control as the operator would (the eQSL
// box runs its click handling) and then puts the window at the stored place, brought onto a screen when
// it lies off every one.
void LoadQsoFormSettings(ProfileStore& store, frmQsoEntry& w);
void SaveQsoFormSettings(ProfileStore& store, frmQsoEntry& w);

}  // namespace muv
