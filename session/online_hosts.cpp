#include "session/online_hosts.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "logbook/frmQsoEntry.h"
#include "platform/private_profile.h"
#include "platform/qt/qt_text.h"
#include "session/frmMain.h"
#include "session/station.h"
#include "settings/frmEmailReport.h"
#include "settings/frmMacros.h"
#include "settings/frmOperator.h"

namespace muv {

StationOnlineHost::StationOnlineHost(Station& station)
    : station_(station),
      random_(static_cast<std::mt19937::result_type>(
          std::chrono::steady_clock::now().time_since_epoch().count())) {}

// --- the operator window ---

std::string StationOnlineHost::OperatorCallsign() {
    return station_.settings.Operator().Callsign();
}
std::string StationOnlineHost::OperatorQth() {
    return station_.settings.Operator().QTH();
}
std::string StationOnlineHost::OperatorName() {
    return station_.settings.Operator().Name();
}
std::string StationOnlineHost::OperatorLocator() {
    return station_.settings.Operator().Locator();
}

// --- the cluster link ---

ServerAddress StationOnlineHost::ClusterServer() {
    return Servers().cluster;
}
std::string StationOnlineHost::SpotWebBase() {
    return Servers().spotWeb;
}
TextWindow& StationOnlineHost::ClusterComment(int row) {
    return station_.form.ClusterCommentWindow(row);
}
void StationOnlineHost::SetClusterFrequency(int row, const std::string& text, ColorRef colour) {
    // The band colour goes where the main window's own frequency box carries it: the background.
    TextBox* box = row == 2 ? station_.form.txtClusterFrecuencia2 : station_.form.txtClusterFrecuencia;
    box->setText(ToQString(text));
    box->SetBackColor(colour);
}
void StationOnlineHost::SetClusterTime(int row, const std::string& text) {
    (row == 2 ? station_.form.txtClusterHora2 : station_.form.txtClusterHora)->setText(ToQString(text));
}
void StationOnlineHost::ShowClusterRow(int row) {
    for (QWidget* w : station_.form.ClusterRowControls(row))
        w->setVisible(true);
}
bool StationOnlineHost::SkedsItemEnabled(int index) {
    return station_.form.mnuSkedsOpcion.at(static_cast<size_t>(index))->isEnabled();
}
void StationOnlineHost::SetSkedsItem(int index, const std::string& caption, bool enabled) {
    QAction* item = station_.form.mnuSkedsOpcion.at(static_cast<size_t>(index));
    item->setText(ToQString(caption));
    item->setEnabled(enabled);
}
std::string StationOnlineHost::CountryOfCallsign(const std::string& callsign, uint8_t withContinent) {
    return station_.logbook.Countries().CountryOfCallsign(callsign, withContinent);
}
std::string StationOnlineHost::PrimaryPrefixOfCountry(const std::string& country) {
    return station_.logbook.Countries().PrimaryPrefixOfCountry(country);
}
uint8_t StationOnlineHost::CountryInLog(const std::string& country) {
    return station_.logbook.CountryInLog(country);
}
uint8_t StationOnlineHost::CallInLog(const std::string& callsign) {
    return station_.logbook.CallInLog(callsign);
}
bool StationOnlineHost::ClusterSpotAlarmWanted() {
    return station_.settings.ClusterSpotChecked();
}
void StationOnlineHost::AlarmaClusterSpot() {
    station_.settings.AlarmaClusterSpot();
}
void StationOnlineHost::SendWebRequest(const std::string& address) {
    // The web page is asked for and its answer not read.
    station_.transfers.Get(address, [](bool, int, const std::string&) {});
}
double StationOnlineHost::RandomUnit() {
    return std::uniform_real_distribution<double>(0.0, 1.0)(random_);
}
UtcTime StationOnlineHost::UtcNow() {
    return station_.shared.UtcNow;
}

// --- the callsign server ---

void StationOnlineHost::ShowPartnerDetails(const std::string& name, const std::string& qth,
                                           const std::string& locator) {
    frmQsoEntry& contact = station_.QsoEntry();
    contact.txtNombre->setText(ToQString(name));
    contact.txtQTH->setText(ToQString(qth));
    contact.txtLocator->setText(ToQString(locator));
}
std::string StationOnlineHost::IsPlausibleCallsign(const std::string& word) {
    return station_.logbook.IsPlausibleCallsign(word);
}
std::string StationOnlineHost::HeardCallsign() {
    return station_.logbook.CallsignAfterDe(station_.receiver.RxText());
}
ServerAddress StationOnlineHost::CallsignServerAddress(bool byHostName) {
    const OnlineServers servers = Servers();
    return byHostName ? servers.callsignServerName : servers.callsignServerNumeric;
}

// --- e-mail ---

EmailSettings StationOnlineHost::ReadEmailSettings() {
    frmEmailReport& w = station_.settings.EmailReport();
    EmailSettings s;
    s.optSMTP = w.optSMTP->isChecked();
    s.optGmail = w.optGmail->isChecked();
    s.optNoInternet = w.optNoInternet->isChecked();
    s.txtServidorSMTP = FromQString(w.txtServidorSMTP->text());
    s.chkAuthentication = w.chkAuthentication->isChecked();
    s.txtUsuarioSMTP = FromQString(w.txtUsuarioSMTP->text());
    s.txtPasswordSMTP = FromQString(w.txtPasswordSMTP->text());
    s.txtUsuarioGmail = FromQString(w.txtUsuarioGmail->text());
    s.txtPasswordGmail = FromQString(w.txtPasswordGmail->text());
    s.txtQSL = FromQString(w.txtQSL->text());
    s.txtEmail = station_.settings.Operator().Email();
    s.servers = Servers();
    return s;
}

// --- the services together ---

OnlineServers StationOnlineHost::Servers() {
    OnlineServers servers = ReadOnlineServers(station_.settings.Store());
    // A file of servers named by the environment wins: tests and demonstrations keep every service on
    // the machine itself.
    if (const char* file = std::getenv("MUV_SERVERS"); file && *file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        MemoryProfileStore named(text.str());
        servers = ReadOnlineServers(named, servers);
    }
    return servers;
}

HeardStation StationOnlineHost::HeardStationNow(const std::string& partnerLocator) {
    Receiver& rx = station_.receiver;
    HeardStation h;
    h.heardCall = station_.logbook.CallsignAfterDe(rx.RxText());
    h.ownCallsign = OperatorCallsign();
    h.ownLocator = OperatorLocator();
    h.frequencyKhz = FromQString(station_.form.txtFrecuencia->text());
    h.snDb = rx.SnDb;
    h.nominalBaud = rx.RxMode().NominalBaud;
    h.keyName = rx.RxMode().KeyName;
    std::string sn, margin;
    rx.FormatSnAndFadeMargin(sn, margin);
    h.snBar = station_.logbook.SnBar(sn);
    h.catFrequencyHz = station_.rig.CatFrequencyHz();
    h.partnerLocator = partnerLocator;
    return h;
}

EmailReportInput StationOnlineHost::EmailReportInputNow(const EmailReportData& figures) {
    Receiver& rx = station_.receiver;
    frmEmailReport& mail = station_.settings.EmailReport();
    frmOperator& op = station_.settings.Operator();
    EmailReportInput in;
    // The received message and the receive window in the modem's text: the report converts them.
    in.RxText = rx.RxText();
    in.figures = figures;
    in.txtCallsign = op.Callsign();
    in.txtName = op.Name();
    in.txtEmail = op.Email();
    in.txtQTH = op.QTH();
    in.txtLocator = op.Locator();
    in.txtStation = FromQString(station_.settings.Macros().txtStation->text());
    in.optReportUltimo = mail.optReportUltimo->isChecked();
    in.optReportTodo = mail.optReportTodo->isChecked();
    in.optSMTP = mail.optSMTP->isChecked();
    in.optGmail = mail.optGmail->isChecked();
    in.txtFinalMessage = FromQString(mail.txtFinalMessage->text());
    in.txtFrecuencia = FromQString(station_.form.txtFrecuencia->text());
    in.rtfVentanaRX = station_.form.RxWindow().Text();
    in.BeaconShown = station_.form.Visible(Control::imgONBeacon);
    in.CatFrequencyHz = station_.rig.CatFrequencyHz();
    in.CpuCounterAvailable = station_.form.CpuCounterAvailable();
    in.mode = rx.RxMode();
    in.UtcNow = station_.shared.UtcNow;
    rx.FormatSnAndFadeMargin(in.snText, in.fadeMarginText);
    in.ownCountry = station_.logbook.Countries().CountryOfCallsign(op.Callsign(), 1);
    return in;
}

// --- the spot windows ---

ColorRef StationOnlineHost::FrequencyBoxColour() {
    return station_.form.txtFrecuencia->BackColor();
}
WindowPlace StationOnlineHost::LoadSpotPlace() {
    station_.settings.LoadClusterSpotFormPosition();
    return station_.settings.spotPlace;
}
void StationOnlineHost::SaveSpotPlace(const WindowPlace& place) {
    station_.settings.spotPlace = place;
    station_.settings.SaveClusterSpotFormPosition();
}

}  // namespace muv
