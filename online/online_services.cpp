#include "online/online_services.h"

#include <exception>

namespace muv {

OnlineServices::OnlineServices(OnlineLinks links)
    : cluster(links.clusterHost, links.WinsockCluster, links.tmrClusterLogin,
              links.tmrClusterComprobarConexion, links.tmrEnviarSpotPublico, links.tmrClusterRow),
      callsignServer(links.WinsockIndicativos, links.tmrOnline, links.tmrConexionServidorAuxiliar,
                     links.tmrCallsignServerQuiet, links.callsignServerHost),
      pskReporter(links.datagrams, links.clock),
      email(links.emailHost, links.mail),
      links_(links) {}

bool OnlineServices::SendInternalSpot(const std::string& frequency, const std::string& comment,
                                      const std::string& callsign) {
    return cluster.SendInternalSpot(frequency, comment, callsign);
}

bool OnlineServices::SendInternalSpotWithWeb(const std::string& frequency, const std::string& comment,
                                             const std::string& addressee) {
    return cluster.SendInternalSpotWithWeb(frequency, comment, addressee);
}

bool OnlineServices::SendClusterSpot(const std::string& callsign, const std::string& frequency,
                                     const std::string& comment) {
    return cluster.SendClusterSpot(callsign, frequency, comment);
}

void OnlineServices::PskReporterStart() {
    const OnlineServers servers = links_.host.Servers();
    pskReporter.PskReporterStart(servers.pskReporter.host, servers.pskReporter.port);
    links_.tmrPSKreporter.SetInterval(PskReporter::kTickleIntervalMs);
    links_.tmrPSKreporter.SetEnabled(true);
}

void OnlineServices::PskReporterTickle() {
    // Whatever goes wrong in one send, the next tick tries again.
    try {
        pskReporter.PskReporterTickle();
    } catch (const std::exception&) {
    }
}

void OnlineServices::ReportDecodedCallsign(const std::string& partnerLocator, const std::string& distance,
                                           float) {
    try {
        ReceptionReport report;
        const HeardStation heard = links_.host.HeardStationNow(partnerLocator);
        if (!MakeReceptionReport(heard, report)) return;
        cluster.AutoSpot(report.call, heard.frequencyKhz, distance, report.snText, report.modeTag);
        pskReporter.PskReporterSeen(heard.ownCallsign, report.baseCall, report.ownLocator, report.locator,
                                    report.frequencyHz, report.antenna, report.version);
    } catch (const std::exception&) {
        links_.errors.ReportTrappedError(2, partnerLocator + " " + distance);
    }
}

void OnlineServices::BuildEmailReport(const EmailReportData& figures) {
    const EmailReport report = emailReporter.BuildEmailReport(links_.host.EmailReportInputNow(figures));
    email.EmailResult = report.EmailResult;
    if (!report.armSendTimer) return;
    email.EmailTo = report.EmailTo;
    email.EmailSubject = report.EmailSubject;
    email.EmailBody = report.EmailBody;
    links_.tmrEnviarEmail.SetEnabled(true);
}

}  // namespace muv
