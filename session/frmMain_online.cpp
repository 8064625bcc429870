// The main window's side of the logbook and the on-line services: the partner's callsign box, the cluster
// panel, the e-mail result, the callsign server's second address and lamps, spots, PSK Reporter and eQSL.
#include <QTextBrowser>

#include "logbook/callsign.h"
#include "session/frmMain.h"
#include "session/station.h"

namespace muv {

namespace {

constexpr const char* kCallsignLookup = "http://www.qrz.com/callsign/";

}  // namespace

void frmMain::pctADIF_Click() {}

void frmMain::imgQRZ_Click() {
    Pages().Open(kCallsignLookup + BaseCallsign(FromQString(txtDestination->text())));
}

void frmMain::imgQRZ_MouseMove(int, int, float, float) {
    imgQRZ->setToolTip(ToQString("qrz/" + BaseCallsign(FromQString(txtDestination->text()))));
}

void frmMain::pctClusterLink_Click() {}

void frmMain::pctClusterLink2_Click() {}

void frmMain::pctBorrarMensaje_Click() {}

void frmMain::pctBorrarMensaje2_Click() {
    for (QWidget* w : std::initializer_list<QWidget*>{txtClusterFrecuencia2, rtfClusterComentario2,
                                                      txtClusterHora2, pctClusterLink2, pctBorrarMensaje2})
        w->setVisible(false);
}

void frmMain::txtDestination_Change() {}

void frmMain::txtDestination_Click() {}

void frmMain::rtfClusterComentario_MouseUp(int, int, float, float) {}

void frmMain::rtfClusterComentario2_MouseUp(int, int, float, float) {}

void frmMain::tmrEmail_Timer() {
    // The e-mail result has been on screen for its 4 s.
    tmrEmail.SetEnabled(false);
    SetVisible(Control::txtEmail, false);
}

void frmMain::tmrPSKreporter_Timer() {}

void frmMain::tmrEQSL_Timer() {
    // The upload's page has had its time on screen.
    WebBrowserEQSL->setVisible(false);
    tmrEQSL.SetEnabled(false);
}

void frmMain::tmrADIFCallsignChange_Timer() {}

void frmMain::tmrClusterLogin_Timer() {}

void frmMain::tmrClusterComprobarConexion_Timer() {}

void frmMain::tmrConexionServidorAuxiliar_Timer() {
    tmrConexionServidorAuxiliar.SetEnabled(false);
    // No connection 250 ms after the request: try the server's other address once.
    if (station_->online.ServerLinkState == 0) station_->online.CallsignServerRetry();
}

void frmMain::tmrOnline_Timer() {
    // The server-state lamps belong to the contact-entry window, which comes with the logbook.
    tmrOnline.SetEnabled(false);
}

void frmMain::tmrEnviarSpotPublico_Timer() {
    // The queued spot goes out on the cluster connection, which comes with the on-line services.
    tmrEnviarSpotPublico.SetEnabled(false);
}

void frmMain::tmrEnviarEmail_Timer() {
    tmrEnviarEmail.SetEnabled(false);  // one send per arming, even if a box lets timers run meanwhile
    station_->online.SendEmail();
    if (station_->online.EmailResult == 1) {
        SetBackColor(Control::txtEmail, kStatusYellow);
        SetText(Control::txtEmail, station_->texts.TxtEmailError);
    } else if (station_->online.EmailResult == 2) {
        SetBackColor(Control::txtEmail, kStatusGreen);
        SetText(Control::txtEmail, station_->texts.TxtEmailSent);
    }
    SetVisible(Control::txtEmail, true);
    tmrEmail.SetEnabled(true);
}

}  // namespace muv
