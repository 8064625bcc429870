// The e-mail reception report: when a received message carries the sender's e-mail address, the station
// tells the sender by mail that the message arrived, with the text and the figures of the reception.
// This file composes the report and picks the recipient out of the received text; the main window's
// e-mail timer sends it.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/utc_time.h"
#include "modem/mode_table.h"

namespace muv {

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

// The address checks. Only ASCII letters, digits and "_" "-" "." "@" can make a valid address, so the
// received text is searched as the modem holds it (Windows-1252).
//
// A plausible address: no blanks inside, letters and digits with single "_", "-", "." or "@" between
// them (never first or last, never two in a row), exactly one "@", and a "." after it. Blanks around it
// are ignored.
bool IsValidEmailAddress(std::string_view address);
// The domain side: exactly one "@", neither first nor last, not followed by ".", at least 6 characters in
// all, and the text after the last "." a known top-level domain.
bool HasValidEmailDomain(std::string_view address);
// Whether the ending (with or without its leading ".") is found in the fixed list of generic and country
// top-level domains, in any letter case. The search is a plain substring search, so the beginning of a
// listed ending (such as "GO" of "GOV") is accepted too.
bool HasKnownTopLevelDomain(std::string_view ending);

// The longest local part and domain part that the search takes as an address word.
constexpr int kMaxEmailLocalPart = 30;
constexpr int kMaxEmailDomainPart = 20;
constexpr int kMaxEmailCandidates = 10;

// The address words of a received text, in the order found: words around an "@" with at most 30
// characters before it and 20 after it, delimited by blanks only (so a comma or full stop right after an
// address stays part of the word), holding no second "@". At most ten; duplicates are kept here.
std::vector<std::string> FindEmailCandidates(std::string_view rxText);

// Everything the report is made of, as the windows and the receiver hold it when a message ends: the
// received text (RxText, rtfVentanaRX) in the modem's Windows-1252, which the report turns into UTF-8,
// everything else in UTF-8.
struct EmailReportInput {
    // The finished message and the figures of its reception (the end mark is " <STOP>" or " <CANCEL>").
    std::string RxText;
    EmailReportData figures;
    // The operator window.
    std::string txtCallsign;
    std::string txtName;
    std::string txtEmail;
    std::string txtQTH;
    std::string txtLocator;
    // The macros window's station description.
    std::string txtStation;
    // The e-mail report settings: the last message or the whole receive window (two option buttons, one
    // of them set; the report asks only whether it is the last message), how mail goes out, and the
    // closing text of the report.
    bool optReportUltimo = true;
    bool optReportTodo = false;
    bool optSMTP = false;
    bool optGmail = false;
    std::string txtFinalMessage;
    // The main window: the frequency box (kHz), the whole receive window (its Windows-1252 text, as
    // TextWindow::Text gives it), whether the beacon runs.
    std::string txtFrecuencia;
    std::string rtfVentanaRX;
    bool BeaconShown = false;
    // The rig frequency in Hz last read over CAT; below 1 when there is none.
    int32_t CatFrequencyHz = 0;
    // Whether the processor-load counter works.
    bool CpuCounterAvailable = false;
    // The receive mode.
    ModeRecord mode;
    UtcTime UtcNow;
    // The receiver's S/N and fade-margin texts of this reception.
    std::string snText;
    std::string fadeMarginText;
    // The country of the operator's own callsign.
    std::string ownCountry;
};

struct EmailReport {
    std::string EmailSubject;
    std::string EmailBody;  // UTF-8, lines ended by CR LF
    // The recipient: the last valid address of the text, when mail is to go out; "" otherwise.
    std::string EmailTo;
    // 2 when the text holds a valid address not mailed before in this run, else 0.
    uint8_t EmailResult = 0;
    // Whether the main window's e-mail timer is to be armed to send the report.
    bool armSendTimer = false;
};

// Composes reception reports for one run of the program and remembers whom it has mailed. The caller
// keeps one object for the whole run.
class EmailReporter {
public:
    EmailReport BuildEmailReport(const EmailReportInput& in);

    // Whether a report has already been sent to this address in this run (letter case ignored).
    bool AlreadyMailed(std::string_view address) const;

private:
    // The addresses chosen as recipients so far, in lower case.
    std::set<std::string, std::less<>> mailedThisRun_;
};

// The report's subject and body alone, without the choice of a recipient.
std::string EmailReportSubject(const EmailReportInput& in);
std::string EmailReportBody(const EmailReportInput& in);

}  // namespace muv
