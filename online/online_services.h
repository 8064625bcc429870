// The on-line services as the rest of the program reaches them: the DX cluster and chat, the callsign
// server, PSK Reporter, the reports made of a received message, e-mail reports and error reports. Each
// service is its own module; this object owns them, wires them to the main window's sockets and timers,
// and keeps the names by which the program calls them. Nothing here waits on the network: requests
// start and return, and answers arrive as socket events and timer ticks.
#pragma once

#include <cstdint>
#include <string>

#include "common/error_trap.h"
#include "common/timer.h"
#include "online/callsign_server.h"
#include "online/cluster_link.h"
#include "online/email_report.h"
#include "online/email_sender.h"
#include "online/online_servers.h"
#include "online/psk_reporter.h"
#include "online/reception_report.h"
#include "online/spot_sender.h"

namespace muv {

// What the services need of the program beyond each module's own host.
class OnlineHost {
public:
    virtual ~OnlineHost() = default;
    // The servers as the settings name them now.
    virtual OnlineServers Servers() = 0;
    // The station heard in the message just finished, with the locator found for it ("" for none).
    virtual HeardStation HeardStationNow(const std::string& partnerLocator) = 0;
    // Everything the e-mail reception report is made of, with the figures of the reception.
    virtual EmailReportInput EmailReportInputNow(const EmailReportData& figures) = 0;
};

// The main window's sockets and timers that the services run on, and the program's parts they reach.
struct OnlineLinks {
    TcpLink& WinsockCluster;
    TcpLink& WinsockIndicativos;
    Timer& tmrClusterLogin;
    Timer& tmrClusterComprobarConexion;
    Timer& tmrEnviarSpotPublico;
    Timer& tmrClusterRow;
    Timer& tmrOnline;
    Timer& tmrConexionServidorAuxiliar;
    Timer& tmrCallsignServerQuiet;
    Timer& tmrPSKreporter;
    Timer& tmrEnviarEmail;
    ClusterHost& clusterHost;
    CallsignServerHost& callsignServerHost;
    EmailSenderHost& emailHost;
    OnlineHost& host;
    MailTransport& mail;
    DatagramSender& datagrams;
    const ReportClock& clock;
    ErrorReporter& errors;
};

class OnlineServices : public SpotSender {
public:
    explicit OnlineServices(OnlineLinks links);

    // --- DX cluster and chat ---
    void ClusterConnect() { cluster.ClusterConnect(); }
    bool SendInternalSpot(const std::string& frequency, const std::string& comment,
                          const std::string& callsign) override;
    bool SendInternalSpotWithWeb(const std::string& frequency, const std::string& comment,
                                 const std::string& addressee) override;
    bool SendClusterSpot(const std::string& callsign, const std::string& frequency,
                         const std::string& comment) override;

    // --- PSK Reporter: started once, then the main window's timer lets it send every 5 s; at shut-down
    // the reports that still wait go at once ---
    void PskReporterStart();
    void PskReporterTickle();
    void PskReporterFlush() { pskReporter.PskReporterFlush(); }

    // --- callsign server ---
    void CallsignServerRequest(CallsignServerCode code, const std::string& callsign = {},
                               const std::string& name = {}, const std::string& qth = {},
                               const std::string& locator = {}) {
        callsignServer.CallsignServerRequest(static_cast<uint8_t>(code), callsign, name, qth, locator);
    }
    // Asks for the locator of the station heard after "DE" in the message being received.
    void LookupHeardCallLocator() { callsignServer.LookupHeardCallLocator(); }
    // The locator of the server's last locator reply ("" when none), and its clearing.
    std::string ServerLocator() const { return callsignServer.ServerLocator(); }
    void ClearServerLocator() { callsignServer.ClearServerLocator(); }

    // --- reports of a received message: the automatic spot and the PSK Reporter record ---
    void ReportDecodedCallsign(const std::string& partnerLocator, const std::string& distance, float);
    // The e-mail reception report, sent by the main window's e-mail timer.
    void BuildEmailReport(const EmailReportData& figures);
    // Sends the prepared report; finished runs once its outcome (EmailResult) is known.
    void SendEmail(std::function<void()> finished) { email.SendEmail(std::move(finished)); }

    // --- error reports ---
    void SendBugReport() { email.SendBugReport(); }

    ClusterLink cluster;
    CallsignServerClient callsignServer;
    PskReporter pskReporter;
    EmailSender email;
    EmailReporter emailReporter;
    // 2 report sent for a valid address, 1 sending failed, 0 nothing; the code of the last trapped error;
    // the callsign server's state (0 not connected, 1 connected, 2 no data or refused).
    uint8_t& EmailResult = email.EmailResult;
    std::string& BugReportCode = email.BugReportCode;
    uint8_t& ServerLinkState = callsignServer.ServerLinkState;

private:
    OnlineLinks links_;
};

}  // namespace muv
