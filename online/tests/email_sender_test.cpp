// The e-mail sender's choices with a recording transport: server, account, TLS and sender from the
// settings, the attachment rule, the error reports (once per trap, none without internet), EmailResult,
// and sends that wait their turn.
#include "online/email_sender.h"

#include <gtest/gtest.h>

#include <memory>

namespace muv {
namespace {

struct SettingsHost : EmailSenderHost {
    EmailSettings settings;
    int reads = 0;
    EmailSettings ReadEmailSettings() override {
        ++reads;
        return settings;
    }
};

// Keeps each mail and its callback; answers when the test says, or at once when told to.
struct RecordingTransport : MailTransport {
    std::vector<MailMessage> sent;
    std::vector<Done> waiting;
    bool answerAtOnce = false;
    bool answer = true;
    void Send(const MailMessage& message, Done done) override {
        sent.push_back(message);
        if (answerAtOnce)
            done(answer, answer ? "" : "refused");
        else
            waiting.push_back(std::move(done));
    }
    void Answer(std::size_t n, bool ok) { waiting.at(n)(ok, ok ? "" : "refused"); }
};

EmailSettings OwnServer() {
    EmailSettings s;
    s.optSMTP = true;
    s.txtServidorSMTP = "smtp.example.org";
    s.txtEmail = "ea4abc@example.org";
    s.txtUsuarioSMTP = "ea4abc";
    s.txtPasswordSMTP = "secret";
    s.txtUsuarioGmail = "op";
    s.txtPasswordGmail = "webpass";
    s.txtQSL = "http://";
    s.servers.bugReportAddress = "bugs@example.net";
    s.servers.mailTimeoutSeconds = 42;
    s.servers.trustedCaFile = "/etc/muv/ca.pem";
    return s;
}

TEST(EmailSender, TheSettingsChooseServerAccountTlsAndSender) {
    EmailSettings s = OwnServer();
    MailMessage m = EmailSender::MakeMessage(s, "g4xyz@example.com", "subject", "body\r\n");
    EXPECT_EQ(m.host, "smtp.example.org");
    EXPECT_EQ(m.port, 25);
    EXPECT_FALSE(m.implicitTls);
    EXPECT_FALSE(m.authenticate);
    EXPECT_EQ(m.user, "");  // no account without authentication
    EXPECT_EQ(m.password, "");
    EXPECT_EQ(m.from, "ea4abc@example.org");
    EXPECT_EQ(m.to, "g4xyz@example.com");
    EXPECT_EQ(m.subject, "subject");
    EXPECT_EQ(m.body, "body\r\n");
    EXPECT_EQ(m.timeoutSeconds, 42);
    EXPECT_EQ(m.trustedCaFile, "/etc/muv/ca.pem");

    s.chkAuthentication = true;
    s.servers.smtpPort = 2525;
    s.txtPasswordSMTP = "s\xC3\xA9same";
    m = EmailSender::MakeMessage(s, "g4xyz@example.com", "subject", "body");
    EXPECT_TRUE(m.authenticate);
    EXPECT_FALSE(m.implicitTls);
    EXPECT_EQ(m.port, 2525);
    EXPECT_EQ(m.user, "ea4abc");
    EXPECT_EQ(m.password, "s\xC3\xA9same");  // the settings' UTF-8, as the server takes it

    // Anything but the own server is the webmail way: its host and port, TLS, and the account's address
    // as sender and user name.
    s.optSMTP = false;
    s.optGmail = true;
    s.chkAuthentication = false;
    s.servers.webmailSmtp = {"smtp.webmail.example", 465};
    s.servers.webmailDomain = "webmail.example";
    m = EmailSender::MakeMessage(s, "g4xyz@example.com", "subject", "body");
    EXPECT_EQ(m.host, "smtp.webmail.example");
    EXPECT_EQ(m.port, 465);
    EXPECT_TRUE(m.implicitTls);
    EXPECT_TRUE(m.authenticate);
    EXPECT_EQ(m.from, "op@webmail.example");
    EXPECT_EQ(m.user, "op@webmail.example");
    EXPECT_EQ(m.password, "webpass");
}

TEST(EmailSender, TheAttachmentBoxNamesAFileUnlessEmptyOrTheBareAddressStart) {
    EmailSettings s = OwnServer();
    for (const char* none : {"", "http://", "HTTP://", "Http://"}) {
        s.txtQSL = none;
        EXPECT_EQ(EmailSender::MakeMessage(s, "a@b.c", "", "").attachmentPath, "") << none;
    }
    for (const char* file : {"/home/op/card.jpg", "http://example.org/card.jpg", "http:/", " http://"}) {
        s.txtQSL = file;
        EXPECT_EQ(EmailSender::MakeMessage(s, "a@b.c", "", "").attachmentPath, file) << file;
    }
    s.txtQSL = "/home/op/\xD0\x9A\xD0\xB0\xD1\x80\xD1\x82\xD0\xB0 \xC3\xB1.jpg";  // the box's UTF-8 is the
                                                                                  // path as it is
    EXPECT_EQ(EmailSender::MakeMessage(s, "a@b.c", "", "").attachmentPath, s.txtQSL);
}

TEST(EmailSender, TheTrapNumberIsTheDigitsAfterE) {
    EXPECT_EQ(EmailSender::TrapNumber("E20 IO91WM"), "20");
    EXPECT_EQ(EmailSender::TrapNumber("E9 2"), "9");
    EXPECT_EQ(EmailSender::TrapNumber("E7"), "7");
    EXPECT_EQ(EmailSender::TrapNumber("E12abc"), "12");
    EXPECT_EQ(EmailSender::TrapNumber("E x"), "");
    EXPECT_EQ(EmailSender::TrapNumber("20 x"), "");
    EXPECT_EQ(EmailSender::TrapNumber(""), "");
}

TEST(EmailSender, ReportsSetEmailResultOnlyOnFailureAndCallFinished) {
    SettingsHost host;
    host.settings = OwnServer();
    RecordingTransport transport;
    EmailSender sender(host, transport);
    sender.EmailTo = "g4xyz@example.com";
    sender.EmailSubject = "EA4ABC has received your Radio Message";
    sender.EmailBody = "text\r\n";
    sender.EmailResult = 2;
    int finished = 0;
    sender.SendEmail([&] { ++finished; });
    EXPECT_EQ(finished, 0);  // not before the outcome is known
    ASSERT_EQ(transport.sent.size(), 1u);
    EXPECT_EQ(transport.sent[0].to, "g4xyz@example.com");
    EXPECT_EQ(transport.sent[0].subject, "EA4ABC has received your Radio Message");
    transport.Answer(0, true);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(sender.EmailResult, 2);

    sender.SendEmail([&] { ++finished; });
    transport.Answer(1, false);
    EXPECT_EQ(finished, 2);
    EXPECT_EQ(sender.EmailResult, 1);

    // Mail switched off after the report was prepared: nothing goes out and the report counts as unsent.
    host.settings.optSMTP = false;
    host.settings.optNoInternet = true;
    sender.EmailResult = 2;
    sender.SendEmail([&] { ++finished; });
    EXPECT_EQ(finished, 3);
    EXPECT_EQ(sender.EmailResult, 1);
    EXPECT_EQ(transport.sent.size(), 2u);
}

TEST(EmailSender, ErrorReportsGoOncePerTrapNumberAndNeverWithoutInternet) {
    SettingsHost host;
    host.settings = OwnServer();
    RecordingTransport transport;
    transport.answerAtOnce = true;
    EmailSender sender(host, transport);

    host.settings.optSMTP = false;
    host.settings.optNoInternet = true;
    sender.BugReportCode = "E20 IO91";
    sender.SendBugReport();
    EXPECT_TRUE(transport.sent.empty());

    host.settings.optNoInternet = false;
    host.settings.optSMTP = true;
    sender.SendBugReport();  // the same trap may report once mail is on
    ASSERT_EQ(transport.sent.size(), 1u);
    EXPECT_EQ(transport.sent[0].to, "bugs@example.net");
    EXPECT_EQ(transport.sent[0].from, "ea4abc@example.org");
    EXPECT_EQ(transport.sent[0].subject, "MUV Bug detected");
    EXPECT_EQ(transport.sent[0].body, "E20 IO91 MUV v5.8.4 Beta");

    sender.BugReportCode = "E20 JN11";
    sender.SendBugReport();
    sender.BugReportCode = "E2 IO91 1234";
    sender.SendBugReport();
    sender.BugReportCode = "E2 IO91 99";
    sender.SendBugReport();
    ASSERT_EQ(transport.sent.size(), 2u);
    EXPECT_EQ(transport.sent[1].body, "E2 IO91 1234 MUV v5.8.4 Beta");

    // A failing report sends nothing more, and leaves the reception report's result alone.
    transport.answer = false;
    sender.EmailResult = 2;
    sender.BugReportCode = "E15 3";
    sender.SendBugReport();
    EXPECT_EQ(sender.EmailResult, 2);
    EXPECT_EQ(transport.sent.size(), 3u);
    EXPECT_EQ(sender.Pending(), 0u);
}

TEST(EmailSender, SendsWaitTheirTurnWithSettingsReadWhenAskedFor) {
    SettingsHost host;
    host.settings = OwnServer();
    RecordingTransport transport;
    EmailSender sender(host, transport);
    std::vector<int> finished;
    sender.EmailTo = "first@example.com";
    sender.EmailResult = 2;
    sender.SendEmail([&] { finished.push_back(10 + sender.EmailResult); });
    sender.BugReportCode = "E3 x";
    sender.SendBugReport();
    host.settings.txtServidorSMTP = "other.example.org";
    sender.EmailTo = "second@example.com";
    sender.SendEmail([&] { finished.push_back(20 + sender.EmailResult); });
    EXPECT_EQ(host.reads, 3);
    ASSERT_EQ(transport.sent.size(), 1u);  // one at a time
    EXPECT_EQ(sender.Pending(), 3u);

    transport.Answer(0, false);
    ASSERT_EQ(transport.sent.size(), 2u);
    EXPECT_EQ(transport.sent[1].subject, "MUV Bug detected");
    EXPECT_EQ(transport.sent[1].host, "smtp.example.org");
    transport.Answer(1, true);
    ASSERT_EQ(transport.sent.size(), 3u);
    EXPECT_EQ(transport.sent[2].to, "second@example.com");
    EXPECT_EQ(transport.sent[2].host, "other.example.org");
    transport.Answer(2, true);
    // Each report finishes with its own outcome: the first failed, the second went.
    EXPECT_EQ(finished, (std::vector<int>{11, 22}));
    EXPECT_EQ(sender.Pending(), 0u);

    // A transport that answers at once works through a queue the same way.
    transport.answerAtOnce = true;
    finished.clear();
    for (int i = 0; i < 5; ++i)
        sender.SendEmail([&finished, i] { finished.push_back(i); });
    EXPECT_EQ(finished, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(EmailSender, AnAnswerAfterTheSenderHasGoneIsIgnored) {
    SettingsHost host;
    host.settings = OwnServer();
    RecordingTransport transport;
    int finished = 0;
    {
        EmailSender sender(host, transport);
        sender.SendEmail([&] { ++finished; });
        sender.SendEmail([&] { ++finished; });
    }
    transport.Answer(0, false);
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(transport.sent.size(), 1u);
}

}  // namespace
}  // namespace muv
