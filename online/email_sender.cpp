#include "online/email_sender.h"

#include <cctype>
#include <cstdio>
#include <utility>

namespace muv {

namespace {

// The attachment box's text for "no attachment": empty, or the bare "http://" in any case.
bool NamesNoAttachment(const std::string& qsl) {
    static constexpr std::string_view kNone = "HTTP://";
    if (qsl.empty()) return true;
    if (qsl.size() != kNone.size()) return false;
    for (std::size_t i = 0; i < qsl.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(qsl[i])) != kNone[i]) return false;
    return true;
}

// A text as it may go to the terminal: no control characters.
std::string Printable(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return text;
}

}  // namespace

EmailSender::EmailSender(EmailSenderHost& host, MailTransport& transport)
    : host_(host), transport_(transport), alive_(std::make_shared<char>()) {}

EmailSender::~EmailSender() = default;

MailMessage EmailSender::MakeMessage(const EmailSettings& settings, const std::string& to,
                                     const std::string& subject, const std::string& body) {
    MailMessage m;
    if (settings.optSMTP) {
        m.host = settings.txtServidorSMTP;
        m.port = settings.servers.smtpPort;
        m.implicitTls = false;
        m.authenticate = settings.chkAuthentication;
        if (m.authenticate) {
            m.user = settings.txtUsuarioSMTP;
            m.password = settings.txtPasswordSMTP;
        }
        m.from = settings.txtEmail;
    } else {
        // The webmail provider: its own server over TLS, always with the account, whose name is the
        // sender's address.
        m.host = settings.servers.webmailSmtp.host;
        m.port = settings.servers.webmailSmtp.port;
        m.implicitTls = true;
        m.authenticate = true;
        m.from = settings.txtUsuarioGmail + "@" + settings.servers.webmailDomain;
        m.user = m.from;
        m.password = settings.txtPasswordGmail;
    }
    m.to = to;
    m.subject = subject;
    m.body = body;
    if (!NamesNoAttachment(settings.txtQSL)) m.attachmentPath = settings.txtQSL;
    m.timeoutSeconds = settings.servers.mailTimeoutSeconds;
    m.trustedCaFile = settings.servers.trustedCaFile;
    return m;
}

std::string EmailSender::TrapNumber(const std::string& bugReportCode) {
    std::string digits;
    if (bugReportCode.empty() || bugReportCode[0] != 'E') return digits;
    for (std::size_t i = 1; i < bugReportCode.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(bugReportCode[i]))) break;
        digits += bugReportCode[i];
    }
    return digits;
}

void EmailSender::SendEmail(std::function<void()> finished) {
    const EmailSettings settings = host_.ReadEmailSettings();
    if (settings.optNoInternet) {
        // Mail was switched off after the report was prepared: it does not go out, and counts as not sent.
        EmailResult = 1;
        EmailError = "mail is switched off";
        if (finished) finished();
        return;
    }
    Enqueue(Job{MakeMessage(settings, EmailTo, EmailSubject, EmailBody), true, "the e-mail report to " + EmailTo,
                EmailResult, std::move(finished)});
}

void EmailSender::SendBugReport() {
    const EmailSettings settings = host_.ReadEmailSettings();
    if (settings.optNoInternet) return;
    // One report per trap number in a run: a trap that fires again and again sends no flood of mail.
    if (!reportedTraps_.insert(TrapNumber(BugReportCode)).second) return;
    Enqueue(Job{MakeMessage(settings, settings.servers.bugReportAddress, kBugReportSubject,
                            BugReportCode + " " + kVersionText),
                false, "the error report of error " + TrapNumber(BugReportCode), 0, nullptr});
}

void EmailSender::Enqueue(Job job) {
    queue_.push_back(std::move(job));
    StartNext();
}

void EmailSender::StartNext() {
    if (busy_ || queue_.empty()) return;
    busy_ = true;
    Job job = std::move(queue_.front());
    queue_.pop_front();
    std::weak_ptr<char> alive = alive_;
    transport_.Send(job.message, [this, alive, report = job.receptionReport, what = std::move(job.what),
                                  result = job.result,
                                  finished = std::move(job.finished)](bool ok, const std::string& cause) {
        if (alive.expired()) return;
        busy_ = false;
        if (!ok) std::fprintf(stderr, "MUV: %s was not sent: %s\n", Printable(what).c_str(), cause.c_str());
        // Each report's own outcome, whatever the mails before it did.
        if (report) {
            EmailResult = ok ? result : 1;
            EmailError = ok ? std::string() : cause;
        }
        if (finished) finished();
        if (alive.expired()) return;
        StartNext();
    });
}

}  // namespace muv
