// The e-mail sender: the reception report that the report builder prepares, and the error report that
// every error trap files without asking. Both go out through the mail transport, to the operator's own
// SMTP server or to the webmail provider's, as the e-mail settings choose at the moment of each send.
// Sends never wait: each one's outcome arrives later on the event loop, and sends asked for while one is
// on its way go out after it, in order. A mail that fails is told on standard error with its cause.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "common/version.h"
#include "online/mail_transport.h"
#include "online/online_servers.h"

namespace muv {

// What the sender reads of the e-mail settings window, the operator window and the servers' settings.
// Texts are UTF-8, as the windows and the settings hold them.
struct EmailSettings {
    // The way of sending: the operator's own server, the webmail provider, or no mail at all.
    bool optSMTP = false;
    bool optGmail = false;
    bool optNoInternet = false;
    std::string txtServidorSMTP;
    bool chkAuthentication = false;
    std::string txtUsuarioSMTP;
    std::string txtPasswordSMTP;
    std::string txtUsuarioGmail;
    std::string txtPasswordGmail;
    // The file attached to every mail; "" or "http://" (in any case) for none.
    std::string txtQSL;
    // The operator's own address, the sender of mail through the operator's server.
    std::string txtEmail;
    OnlineServers servers;
};

class EmailSenderHost {
public:
    virtual ~EmailSenderHost() = default;
    // The settings as they stand now; read at every send.
    virtual EmailSettings ReadEmailSettings() = 0;
};

class EmailSender {
public:
    static constexpr const char* kBugReportSubject = "MUV Bug detected";

    EmailSender(EmailSenderHost& host, MailTransport& transport);
    ~EmailSender();
    EmailSender(const EmailSender&) = delete;
    EmailSender& operator=(const EmailSender&) = delete;

    // The reception report's recipient, subject and body (UTF-8), set by the report builder before each
    // send.
    std::string EmailTo;
    std::string EmailSubject;
    std::string EmailBody;
    // The outcome of the reception report: 2 a report with a valid recipient is on its way (set by the
    // report builder), 1 its send failed, 0 nothing. Reports wait their turn behind other mails, so when
    // one's send ends EmailResult is set to that report's own outcome: 1 when it failed, else what it was
    // when the report was handed over. The error reports' outcome is not shown and leaves it alone.
    uint8_t EmailResult = 0;
    // Why the last reception report was not sent, in a few words ("certificate not trusted", "connection
    // refused"); "" when it went.
    std::string EmailError;
    // "E", the trap's number, a blank and the trap's context; set by an error trap before it calls
    // SendBugReport.
    std::string BugReportCode;

    // Sends the reception report made of EmailTo, EmailSubject and EmailBody as they are now, and
    // returns at once; finished runs when the outcome is known (EmailResult then tells this report's).
    void SendEmail(std::function<void()> finished);
    // Sends the error report for BugReportCode, unless mail is switched off or a report for the same
    // trap number has already gone out in this run. A failure changes nothing.
    void SendBugReport();

    // The mail that the settings make of a recipient, subject and body (the transport's part of the
    // settings: server, port, TLS, account, sender, attachment and timeout).
    static MailMessage MakeMessage(const EmailSettings& settings, const std::string& to,
                                   const std::string& subject, const std::string& body);
    // The trap number of an error report's code: the digits after "E" ("" when there are none).
    static std::string TrapNumber(const std::string& bugReportCode);

    // Sends queued or on their way.
    std::size_t Pending() const { return queue_.size() + (busy_ ? 1 : 0); }

private:
    struct Job {
        MailMessage message;
        bool receptionReport = false;
        std::string what;  // how a failure is told: "the e-mail report to <address>"
        uint8_t result = 0;  // a reception report's EmailResult when it was handed over
        std::function<void()> finished;
    };

    void Enqueue(Job job);
    void StartNext();

    EmailSenderHost& host_;
    MailTransport& transport_;
    std::deque<Job> queue_;
    bool busy_ = false;
    std::set<std::string> reportedTraps_;
    // Shared with the transport's callbacks, which find it expired when the sender has gone.
    std::shared_ptr<char> alive_;
};

}  // namespace muv
