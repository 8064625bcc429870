// The main window's side of the logbook and the on-line services: the partner's callsign box, the cluster
// panel, the e-mail result, the callsign server's second address and lamps, spots, PSK Reporter and eQSL.
#include <QLabel>
#include <QTextBrowser>
#include <exception>

#include "common/cp1252.h"
#include "logbook/callsign.h"
#include "logbook/country_flags.h"
#include "logbook/frmQsoEntry.h"
#include "platform/program_folders.h"
#include "platform/qt/qt_text.h"
#include "session/frmMain.h"
#include "session/station.h"
#include "session/word_pick.h"

namespace muv {

namespace {

constexpr const char* kCallsignLookup = "http://www.qrz.com/callsign/";

// The country's flag from the flags folder, as large as the picture box allows; none when the country
// has no flag there.
QPixmap FlagPicture(const std::string& country, QSize box) {
    const std::string file = FlagFileName(country);
    if (file.empty()) return {};
    const QPixmap flag(QString::fromStdString(ProgramFlagsFolder() + "/") + ToQString(file));
    if (flag.isNull()) return {};
    return flag.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// The worked-before mark: the partner's callsign underlined.
void SetWorkedBefore(QLineEdit* box, bool on) {
    QFont font = box->font();
    font.setUnderline(on);
    box->setFont(font);
}

}  // namespace

void frmMain::pctADIF_Click() {
    frmQsoEntry& contact = station_->QsoEntry();
    contact.txtFrecuencia->setText(txtFrecuencia->text());
    contact.ShowWindow();
}

void frmMain::imgQRZ_Click() {
    Pages().Open(kCallsignLookup + BaseCallsign(FromQString(txtDestination->text())));
}

void frmMain::imgQRZ_MouseMove(int, int, float, float) {
    imgQRZ->setToolTip(ToQString("qrz/" + BaseCallsign(FromQString(txtDestination->text()))));
}

void frmMain::OpenInternalSpot(const std::string& callsign) {
    // Pre-filled with the dial frequency and its band colour; setting the frequency checks it.
    frmInternalSpot& spot = station_->InternalSpot();
    spot.txtFrecuencia->setText(txtFrecuencia->text());
    spot.txtCallsign->setText(ToQString(callsign));
    spot.ShowWindow();
}

void frmMain::pctClusterLink_Click() {
    OpenInternalSpot(station_->online.cluster.LastClusterSpotCall);
}

void frmMain::pctClusterLink2_Click() {
    OpenInternalSpot(station_->online.cluster.LastInternalSpotCall);
}

std::array<QWidget*, 5> frmMain::ClusterRowControls(int row) const {
    if (row == 2)
        return {txtClusterFrecuencia2, rtfClusterComentario2, txtClusterHora2, pctBorrarMensaje2,
                pctClusterLink2};
    return {txtClusterFrecuencia, rtfClusterComentario, txtClusterHora, pctBorrarMensaje, pctClusterLink};
}

void frmMain::HideClusterRow(int row) {
    station_->online.cluster.ForgetHeldRow(row);
    for (QWidget* w : ClusterRowControls(row))
        w->setVisible(false);
}

void frmMain::pctBorrarMensaje_Click() {
    HideClusterRow(1);
}

void frmMain::pctBorrarMensaje2_Click() {
    HideClusterRow(2);
}

void frmMain::txtDestination_Change() {
    Station& st = *station_;
    const std::string text = FromQString(txtDestination->text());
    const std::string upper = Utf8ToUpper(text);
    if (text != upper) {
        // The change runs this handler again, which starts the contact.
        txtDestination->setText(ToQString(upper));
        txtDestination->setCursorPosition(txtDestination->text().size());
        return;
    }
    if (text.empty()) return;
    try {
        imgBandera->SetPicture({});
        st.shared.QsoStartUtc = st.shared.UtcNow;
        frmQsoEntry& contact = st.QsoEntry();
        contact.ActualizarCamposADIF();
        // An internal-spot window that is open follows the partner, so that its spot names this station.
        if (st.InternalSpotLoaded()) st.InternalSpot().txtCallsign->setText(ToQString(text));
        const std::string country = st.logbook.Countries().CountryOfCallsign(text, 1);
        lblPais->setText(ToQString(country));
        imgQRZ->setVisible(!country.empty());
        // A country that is not known, or has no flag, shows none; the contact is set up all the same,
        // so that nothing of the last partner stays in the contact window.
        const std::string name = CountryWithoutContinent(country);
        imgBandera->SetPicture(FlagPicture(name, imgBandera->size()));
        lblPais->SetForeColor(!name.empty() && st.logbook.CountryInLog(name) == 1 ? kBlack : RGB(255, 0, 0));
        for (QLineEdit* box : {contact.txtNombre, contact.txtQTH, contact.txtLocator, contact.txtDistancia})
            box->clear();
        contact.CargarNombreYQTHAutomaticamente(text);
        // Worked before: the station, whatever portable parts the call has here or had in the log.
        SetWorkedBefore(txtDestination, st.logbook.CallInLog(text) == 1);
    } catch (const std::exception&) {
        SetWorkedBefore(txtDestination, false);
        lblPais->setText(QString());
        imgQRZ->setVisible(false);
        imgBandera->SetPicture({});
    }
}

void frmMain::txtDestination_Click() {
    // A new partner: the box and the contact window's details are emptied, and the country goes.
    txtDestination->setText(QString());
    frmQsoEntry& contact = station_->QsoEntry();
    for (QLineEdit* box : {contact.txtNombre, contact.txtQTH, contact.txtLocator, contact.txtDistancia})
        box->clear();
    SetWorkedBefore(txtDestination, false);
    lblPais->setText(QString());
    imgQRZ->setVisible(false);
    imgBandera->SetPicture({});
}

void frmMain::PickClusterWord(TextWindow& box) {
    // A selection made with the mouse is left alone; the word picked stays selected.
    if (box.SelLength() > 0) return;
    // The cluster rows hold the program's own UTF-8 text.
    const WordSpan span = WordAtCaret(box.Text(), box.SelStart(), TextCoding::kUtf8);
    if (span.length == 0) return;
    box.SetSelStart(span.start);
    box.SetSelLength(span.length);
    const std::string& word = span.word;
    if (!station_->logbook.IsPlausibleCallsign(word).empty()) txtDestination->setText(ToQString(word));
}

void frmMain::rtfClusterComentario_MouseUp(int, int, float, float) {
    PickClusterWord(ClusterCommentWindow(1));
}

void frmMain::rtfClusterComentario2_MouseUp(int, int, float, float) {
    PickClusterWord(ClusterCommentWindow(2));
}

void frmMain::tmrEmail_Timer() {
    // The e-mail result has been on screen for its 4 s.
    tmrEmail.SetEnabled(false);
    SetVisible(Control::txtEmail, false);
}

void frmMain::tmrPSKreporter_Timer() {
    station_->online.PskReporterTickle();
}

void frmMain::tmrEQSL_Timer() {
    // The upload's page has had its time on screen.
    WebBrowserEQSL->setVisible(false);
    tmrEQSL.SetEnabled(false);
}

void frmMain::tmrADIFCallsignChange_Timer() {
    // Disarmed first: a fault's box lets the timers run, and one lookup is asked for per arming.
    tmrADIFCallsignChange.SetEnabled(false);
    try {
        Station& st = *station_;
        st.online.CallsignServerRequest(CallsignServerCode::InfoQuery,
                                        BaseCallsign(FromQString(st.QsoEntry().txtCallsign->text())));
    } catch (const std::exception&) {
        station_->errorTraps.ReportTrappedError(18, "");
    }
}

void frmMain::tmrClusterLogin_Timer() {
    station_->online.cluster.tmrClusterLogin_Timer();
}

void frmMain::tmrClusterComprobarConexion_Timer() {
    station_->online.cluster.tmrClusterComprobarConexion_Timer();
}

void frmMain::tmrConexionServidorAuxiliar_Timer() {
    // No connection 250 ms after the request: the server's other address is tried once.
    station_->online.callsignServer.AuxiliaryTimerTick();
}

void frmMain::tmrCallsignServerQuiet_Timer() {
    // A request's exchange with the callsign server is over; the next one in line starts.
    station_->online.callsignServer.QuietTimerTick();
}

void frmMain::tmrOnline_Timer() {
    // The callsign server's state on the contact window's lamps.
    const ServerLamp lamp = station_->online.callsignServer.OnlineTimerTick();
    frmQsoEntry& contact = station_->QsoEntry();
    contact.imgLedRojo->setVisible(lamp == ServerLamp::Red);
    contact.imgLedAmarillo->setVisible(lamp == ServerLamp::Yellow);
    contact.imgLedVerde->setVisible(lamp == ServerLamp::Green);
}

void frmMain::tmrEnviarSpotPublico_Timer() {
    station_->online.cluster.tmrEnviarSpotPublico_Timer();
}

void frmMain::tmrClusterRow_Timer() {
    station_->online.cluster.tmrClusterRow_Timer();
}

void frmMain::tmrEnviarEmail_Timer() {
    tmrEnviarEmail.SetEnabled(false);  // one send per arming, even if a box lets timers run meanwhile
    // The mail goes out while the receiver runs on; its outcome is shown when the server has answered.
    station_->online.SendEmail([this] { ShowEmailResult(); });
}

void frmMain::ShowEmailResult() {
    if (station_->online.EmailResult == 1) {
        SetBackColor(Control::txtEmail, kStatusYellow);
        // The cause, as the mail transfer tells it ("certificate not trusted", "connection refused").
        const std::string& cause = station_->online.email.EmailError;
        SetText(Control::txtEmail, station_->texts.TxtEmailError + (cause.empty() ? "" : ": " + cause));
    } else if (station_->online.EmailResult == 2) {
        SetBackColor(Control::txtEmail, kStatusGreen);
        SetText(Control::txtEmail, station_->texts.TxtEmailSent);
    }
    SetVisible(Control::txtEmail, true);
    tmrEmail.SetEnabled(true);
}

}  // namespace muv
