// The on-line services as the rest of the program reaches them: the DX cluster and chat, PSK Reporter,
// the callsign server, the reports made of a received message, e-mail reports and error reports. Until
// they exist, nothing is sent: the callsign server is never reached, no e-mail is prepared, and the
// program behaves as with no internet.
#pragma once

#include <cstdint>
#include <string>

namespace muv {

// What a request to the callsign server asks for.
enum class CallsignServerCode : uint8_t {
    Login = 1,          // the operator's data, at start and when the operator window is confirmed
    InfoQuery = 2,      // name, QTH and locator of a partner's callsign
    LocatorQuery = 4,   // the locator of a heard station
    ContactLogged = 6,  // a contact has been logged
    Activity = 7,       // the station transmits
};

// The data of a received message that the e-mail reception report carries.
struct EmailReportData {
    uint8_t syncMatches = 0;
    uint8_t endMatches = 0;
    float frequencyShiftHz = 0;
    float meanViterbiErrors = 0;
    float cpuLoad = 0;
    float meanLevelDb = 0;
    int32_t frequencyAtLock = 0;
    std::string distance;
    double bearing = 0;
    std::string endMark;
};

class OnlineServices {
public:
    void ClusterConnect() {}
    void PskReporterStart() {}

    // --- callsign server ---
    void CallsignServerRequest(CallsignServerCode, const std::string& = {}, const std::string& = {},
                               const std::string& = {}, const std::string& = {}) {}
    // The server's other address, when the first did not connect.
    void CallsignServerRetry() {}
    // Asks for the locator of the station heard after "DE" in the message being received.
    void LookupHeardCallLocator() {}
    // The locator of the server's last locator reply ("" when none), and its clearing.
    std::string ServerLocator() const { return ServerLocatorReply; }
    void ClearServerLocator() { ServerLocatorReply.clear(); }
    std::string ServerLocatorReply;
    uint8_t ServerLinkState = 0;  // 0 not connected, 1 connected, 2 no data or refused

    // --- reports of a received message: S/N report, automatic spot and PSK Reporter record ---
    void ReportDecodedCallsign(const std::string&, const std::string&, float) {}
    // The e-mail reception report, sent by the main window's e-mail timer.
    void BuildEmailReport(const EmailReportData&) {}
    void SendEmail() {}
    uint8_t EmailResult = 0;  // 2 report sent for a valid address, 1 sending failed, 0 nothing

    // --- error reports ---
    void SendBugReport() {}
    std::string BugReportCode;
};

}  // namespace muv
