// The e-mail sender through libcurl to real SMTP servers on loopback (aiosmtpd): what arrives, how the
// account and TLS are used, and that every way of failing a reception report ends in EmailResult 1 and a
// finished send.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <fstream>
#include <memory>

#include "online/email_sender.h"
#include "online/tests/smtp_peer.h"
#include "platform/qt/curl_transfers.h"
#include "test_support/qt_app.h"

namespace muv {
namespace {

using test::SmtpPeer;
using test::WaitFor;

struct SettingsHost : EmailSenderHost {
    EmailSettings settings;
    EmailSettings ReadEmailSettings() override { return settings; }
};

std::string Text(const QJsonObject& o, const char* key) {
    return o.value(QLatin1String(key)).toString().toStdString();
}

// Line ends as Python's mail package gives a decoded body back.
std::string LfLines(std::string text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

class MailDeliveryTest : public test::QtAppTest {
protected:
    static void SetUpTestSuite() {
        QtAppTest::SetUpTestSuite();
        peer_ = new SmtpPeer;
    }
    static void TearDownTestSuite() {
        delete peer_;
        peer_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(peer_->Running()) << "the SMTP peer did not start: " << peer_->Problem();
        peer_->Clear();
        EmailSettings& s = host.settings;
        s.optSMTP = true;
        s.txtServidorSMTP = "127.0.0.1";
        s.txtEmail = "ea4abc@example.org";
        s.txtQSL = "http://";
        s.txtUsuarioSMTP = "muv-user";
        s.txtPasswordSMTP = "right-pw";
        s.servers.smtpPort = peer_->starttlsPort;
        s.servers.webmailSmtp = {"127.0.0.1", peer_->smtpsPort};
        s.servers.webmailDomain = "example.org";
        s.servers.bugReportAddress = "bugs@example.net";
        s.servers.mailTimeoutSeconds = 10;
        s.servers.trustedCaFile = peer_->certificate;
        sender.EmailTo = "g4xyz@example.com";
        sender.EmailSubject = "EA4ABC has received your Radio Message";
        sender.EmailBody = "Received Message: 'CQ de G4XYZ'\r\n";
    }

    // Sends the reception report as the e-mail timer does and runs the events until it has finished.
    bool SendReport() {
        bool finished = false;
        sender.SendEmail([&] { finished = true; });
        return WaitFor([&] { return finished; }, 15000);
    }

    // Runs the events until nothing is left to send.
    bool Drain() {
        return WaitFor([&] { return sender.Pending() == 0; }, 15000);
    }

    static SmtpPeer* peer_;
    SettingsHost host;
    CurlTransfers transfers;
    EmailSender sender{host, transfers};
};

SmtpPeer* MailDeliveryTest::peer_ = nullptr;

TEST_F(MailDeliveryTest, AReceptionReportArrivesAsWrittenWithItsAttachment) {
    // Text with a degree-like sign, accents and a Czech name, a line that begins with a dot, a line much
    // longer than a mail line and blank lines, as the reception report has them.
    const std::string body =
        "********** Please don't reply to this email ********************\r\n\r\n"
        "EA4ABC has received your Radio Message sent at: 12:34 UTC\r\n\r\n"
        "Received Message: 'CQ CQ de G4XYZ pse k'\r\n\r\n"
        ".a line that begins with a dot\r\n"
        "Distance: 1264, Heading: 045\xC2\xBA\r\n"
        "Name: Anton\xC3\xADn Dvo\xC5\x99\xC3\xA1k, Jos\xC3\xA9 Mar\xC3\xAD"
        "a " +
        std::string(120, 'x') +
        " end\r\n"
        "Thanks for the report = 73\r\n";
    host.settings.optSMTP = true;
    host.settings.chkAuthentication = false;
    sender.EmailResult = 2;
    sender.EmailBody = body;
    ASSERT_TRUE(SendReport());
    EXPECT_EQ(sender.EmailResult, 2);  // success leaves the value as it was

    std::vector<QJsonObject> mails = peer_->Mails();
    ASSERT_EQ(mails.size(), 1u);
    QJsonObject m = mails[0];
    EXPECT_EQ(Text(m, "server"), "starttls");
    EXPECT_TRUE(m["tls"].toBool());  // STARTTLS taken because the server offers it
    EXPECT_FALSE(m["authenticated"].toBool());
    EXPECT_TRUE(peer_->Logins().empty());  // no account used without authentication
    EXPECT_EQ(Text(m, "mail_from"), "ea4abc@example.org");
    ASSERT_EQ(m["rcpt_tos"].toArray().size(), 1);
    EXPECT_EQ(m["rcpt_tos"].toArray()[0].toString().toStdString(), "g4xyz@example.com");
    EXPECT_EQ(Text(m, "from"), "ea4abc@example.org");
    EXPECT_EQ(Text(m, "to"), "g4xyz@example.com");
    EXPECT_EQ(Text(m, "subject"), "EA4ABC has received your Radio Message");
    EXPECT_EQ(Text(m, "mime_version"), "1.0");
    EXPECT_EQ(Text(m, "content_type"), "text/plain");
    EXPECT_FALSE(Text(m, "date").empty());
    EXPECT_NE(Text(m, "message_id").find("@example.org>"), std::string::npos);
    EXPECT_EQ(LfLines(Text(m, "body")), LfLines(body));
    // No line of the mail as sent is longer than a mail line may be.
    const std::string raw = peer_->RawMail(0);
    std::size_t start = 0;
    while (start < raw.size()) {
        std::size_t end = raw.find("\r\n", start);
        if (end == std::string::npos) end = raw.size();
        EXPECT_LE(end - start, 78u);
        start = end + 2;
    }

    // With a card picture named in the attachment box, and a subject that is not plain ASCII.
    test::ScratchFolder files("muv_mail_files");
    const std::string card = files.Path("card.png");
    std::string picture("\x89PNG\r\n\x1a\n", 8);
    for (int i = 0; i < 3000; ++i)
        picture += static_cast<char>(i * 7);
    std::ofstream(card, std::ios::binary) << picture;
    host.settings.txtQSL = card;
    sender.EmailSubject = "EA4ABC ha recibido tu mensaje \xC3\xB1";
    sender.EmailBody = "Gracias\r\n";
    ASSERT_TRUE(SendReport());
    EXPECT_EQ(sender.EmailResult, 2);
    mails = peer_->Mails();
    ASSERT_EQ(mails.size(), 2u);
    m = mails[1];
    EXPECT_EQ(Text(m, "content_type"), "multipart/mixed");
    EXPECT_EQ(Text(m, "mime_version"), "1.0");
    EXPECT_EQ(Text(m, "subject"), "EA4ABC ha recibido tu mensaje \xC3\xB1");
    EXPECT_EQ(LfLines(Text(m, "body")), "Gracias\n");
    const QJsonArray attachments = m["attachments"].toArray();
    ASSERT_EQ(attachments.size(), 1);
    const QJsonObject a = attachments[0].toObject();
    EXPECT_EQ(Text(a, "filename"), "card.png");
    EXPECT_EQ(Text(a, "content_type"), "image/png");
    EXPECT_EQ(QByteArray::fromBase64(a["data"].toString().toLatin1()).toStdString(), picture);
}

TEST_F(MailDeliveryTest, TheAccountIsUsedOnlyWithAuthenticationAndNeverInClear) {
    host.settings.chkAuthentication = true;
    ASSERT_TRUE(SendReport());
    EXPECT_EQ(sender.EmailResult, 0);
    std::vector<QJsonObject> mails = peer_->Mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_TRUE(mails[0]["authenticated"].toBool());
    EXPECT_EQ(Text(mails[0], "login"), "muv-user");
    EXPECT_TRUE(mails[0]["tls"].toBool());

    // A server without TLS that offers to take the password in clear does not get it, nor the mail.
    peer_->Clear();
    host.settings.servers.smtpPort = peer_->plainPort;
    ASSERT_TRUE(SendReport());
    EXPECT_EQ(sender.EmailResult, 1);
    EXPECT_TRUE(peer_->Logins().empty());
    EXPECT_TRUE(peer_->Mails().empty());

    // Without authentication the same server takes the mail in clear, and no account is offered.
    sender.EmailResult = 2;
    host.settings.chkAuthentication = false;
    ASSERT_TRUE(SendReport());
    EXPECT_EQ(sender.EmailResult, 2);
    mails = peer_->Mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_FALSE(mails[0]["tls"].toBool());
    EXPECT_FALSE(mails[0]["authenticated"].toBool());
    EXPECT_TRUE(peer_->Logins().empty());
}

TEST_F(MailDeliveryTest, AServerWithItsOwnSelfSignedCertificateTakesMailWithoutALoginOnly) {
    // A mail server as it comes out of the box: STARTTLS with a certificate nobody vouches for.
    host.settings.servers.trustedCaFile.clear();

    host.settings.chkAuthentication = true;
    sender.EmailResult = 2;
    ASSERT_TRUE(SendReport());
    EXPECT_EQ(sender.EmailResult, 1);
    EXPECT_EQ(sender.EmailError, "certificate not trusted");
    EXPECT_TRUE(peer_->Logins().empty()) << "the password went to an untrusted server";
    EXPECT_TRUE(peer_->Mails().empty());

    host.settings.chkAuthentication = false;
    sender.EmailResult = 2;
    ASSERT_TRUE(SendReport());
    EXPECT_EQ(sender.EmailResult, 2) << sender.EmailError;
    const std::vector<QJsonObject> mails = peer_->Mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_TRUE(mails[0]["tls"].toBool());
}

TEST_F(MailDeliveryTest, TheWebmailWayLogsInOverTlsAsTheUsersAddress) {
    host.settings.optSMTP = false;
    host.settings.optGmail = true;
    host.settings.txtServidorSMTP = "nowhere.invalid";  // not used on this way
    host.settings.txtUsuarioGmail = "op";
    host.settings.txtPasswordGmail = "right-pw";
    ASSERT_TRUE(SendReport());
    EXPECT_EQ(sender.EmailResult, 0);
    const std::vector<QJsonObject> mails = peer_->Mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(Text(mails[0], "server"), "smtps");
    EXPECT_TRUE(mails[0]["tls"].toBool());
    EXPECT_EQ(Text(mails[0], "login"), "op@example.org");
    EXPECT_EQ(Text(mails[0], "mail_from"), "op@example.org");
    EXPECT_EQ(Text(mails[0], "from"), "op@example.org");

    // A certificate that nobody vouches for is refused.
    host.settings.servers.trustedCaFile.clear();
    ASSERT_TRUE(SendReport());
    EXPECT_EQ(sender.EmailResult, 1);
    EXPECT_EQ(peer_->Mails().size(), 1u);
}

TEST_F(MailDeliveryTest, EveryFailureEndsInEmailResultOneAndAFinishedSend) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::function<void()> check = [] {};
    };
    QTcpServer silent;  // accepts and never says a word
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const uint16_t refusingPort = closed.serverPort();
    closed.close();

    const std::vector<Case> cases = {
        {"refused connection", [&] { host.settings.servers.smtpPort = refusingPort; }},
        {"wrong password",
         [&] {
             host.settings.chkAuthentication = true;
             host.settings.txtPasswordSMTP = "wrong-pw";
         },
         [&] {
             // Tried once, over TLS, and refused.
             const std::vector<QJsonObject> logins = peer_->Logins();
             ASSERT_EQ(logins.size(), 1u);
             EXPECT_FALSE(logins[0]["ok"].toBool());
             EXPECT_TRUE(logins[0]["tls"].toBool());
         }},
        {"recipient refused", [&] { sender.EmailTo = "reject-me@example.com"; }},
        {"stalled server",
         [&] {
             host.settings.servers.smtpPort = silent.serverPort();
             host.settings.servers.mailTimeoutSeconds = 1;
         }},
        {"missing attachment", [&] { host.settings.txtQSL = "/nonexistent/card.jpg"; }},
        {"empty server name", [&] { host.settings.txtServidorSMTP = ""; }},
        {"empty recipient", [&] { sender.EmailTo = ""; }},
        {"a line break in the recipient", [&] { sender.EmailTo = "g4xyz@example.com>\r\nRCPT TO:<x@y.z"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        c.arrange();
        sender.EmailResult = 2;
        ASSERT_TRUE(SendReport());
        EXPECT_EQ(sender.EmailResult, 1);
        EXPECT_TRUE(peer_->Mails().empty());
        c.check();
    }
    EXPECT_EQ(transfers.InFlight(), 0u);
}

TEST_F(MailDeliveryTest, ErrorReportsGoOncePerTrapAndNotWithoutInternet) {
    host.settings.chkAuthentication = true;
    sender.BugReportCode = "E20 IO91WM";
    sender.SendBugReport();
    sender.BugReportCode = "E20 JN11";  // the same trap again: no second mail
    sender.SendBugReport();
    sender.BugReportCode = "E9 2";
    sender.SendBugReport();
    ASSERT_TRUE(Drain());
    EXPECT_EQ(sender.EmailResult, 0);
    std::vector<QJsonObject> mails = peer_->Mails();
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(Text(mails[0], "subject"), "MUV Bug detected");
    EXPECT_EQ(Text(mails[0], "to"), "bugs@example.net");
    EXPECT_EQ(Text(mails[0], "from"), "ea4abc@example.org");
    EXPECT_EQ(LfLines(Text(mails[0], "body")), "E20 IO91WM MUV v5.8.4 Beta\n");
    EXPECT_EQ(LfLines(Text(mails[1], "body")), "E9 2 MUV v5.8.4 Beta\n");

    // With mail switched off nothing goes out, and the trap can still report once mail is back.
    peer_->Clear();
    host.settings.optSMTP = false;
    host.settings.optNoInternet = true;
    sender.BugReportCode = "E5 x";
    sender.SendBugReport();
    EXPECT_EQ(sender.Pending(), 0u);
    test::RunEvents(200);
    EXPECT_TRUE(peer_->Mails().empty());

    // A failing report raises nothing further, and leaves the reception report's result alone.
    host.settings.optNoInternet = false;
    host.settings.optSMTP = true;
    host.settings.txtPasswordSMTP = "wrong-pw";
    sender.EmailResult = 2;
    sender.SendBugReport();
    ASSERT_TRUE(Drain());
    EXPECT_EQ(sender.EmailResult, 2);
    EXPECT_TRUE(peer_->Mails().empty());
}

TEST_F(MailDeliveryTest, SendsAskedForTogetherAllArriveInOrder) {
    bool first = false, second = false;
    sender.EmailBody = "first\r\n";
    sender.SendEmail([&] { first = true; });
    sender.BugReportCode = "E12 K1ABC";
    sender.SendBugReport();
    sender.EmailBody = "second\r\n";
    sender.SendEmail([&] { second = true; });
    EXPECT_EQ(sender.Pending(), 3u);
    ASSERT_TRUE(WaitFor([&] { return first && second && sender.Pending() == 0; }, 15000));
    const std::vector<QJsonObject> mails = peer_->Mails();
    ASSERT_EQ(mails.size(), 3u);
    EXPECT_EQ(LfLines(Text(mails[0], "body")), "first\n");
    EXPECT_EQ(Text(mails[1], "subject"), "MUV Bug detected");
    EXPECT_EQ(LfLines(Text(mails[2], "body")), "second\n");
    EXPECT_EQ(sender.EmailResult, 0);
}

}  // namespace
}  // namespace muv
