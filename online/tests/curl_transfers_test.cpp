// The libcurl transfers on the event loop against scripted loopback servers: HTTP answers, failures and
// time-outs each come back once; any reply an HTTP or SMTP server may give, however broken, ends in
// exactly one outcome; and transfers abandoned with the object never call back.
#include "platform/qt/curl_transfers.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <random>

#include "test_support/qt_app.h"

namespace muv {
namespace {

using test::WaitFor;

// A loopback server that answers each connection from a script: after the request's head (HTTP) or at
// once (a server that speaks first), then closes; an empty answer means it says nothing and stays.
class ScriptedServer {
public:
    explicit ScriptedServer(bool speaksFirst = false) : speaksFirst_(speaksFirst) {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection())
                Serve(s);
        });
    }
    uint16_t Port() const { return server_.serverPort(); }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(Port()) + path;
    }

    std::function<std::string(const std::string& request)> answer;
    std::vector<std::string> requests;

private:
    void Serve(QTcpSocket* s) {
        if (speaksFirst_) {
            Reply(s, answer ? answer({}) : std::string());
            return;
        }
        auto head = std::make_shared<std::string>();
        QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, head] {
            if (head->find("\r\n\r\n") != std::string::npos) {
                s->readAll();
                return;
            }
            *head += s->readAll().toStdString();
            if (head->find("\r\n\r\n") == std::string::npos) return;
            requests.push_back(*head);
            Reply(s, answer ? answer(*head) : std::string());
        });
    }
    static void Reply(QTcpSocket* s, const std::string& bytes) {
        if (bytes.empty()) return;
        s->write(bytes.data(), static_cast<qint64>(bytes.size()));
        s->disconnectFromHost();
    }

    QTcpServer server_;
    bool speaksFirst_;
};

struct HttpOutcome {
    int calls = 0;
    bool ok = false;
    int status = -1;
    std::string body;
};

class CurlTransfersTest : public test::QtAppTest {
protected:
    HttpOutcome Get(const std::string& url) {
        HttpOutcome o;
        transfers.Get(url, [&o](bool ok, int status, const std::string& body) {
            ++o.calls;
            o.ok = ok;
            o.status = status;
            o.body = body;
        });
        EXPECT_TRUE(WaitFor([&] { return o.calls > 0; }, 10000)) << url;
        test::RunEvents(20);
        EXPECT_EQ(o.calls, 1) << url;
        return o;
    }

    CurlTransfers transfers;
};

std::string HttpAnswer(const std::string& status, const std::string& body, const std::string& extra = {}) {
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra +
           "Connection: close\r\n\r\n" + body;
}

TEST_F(CurlTransfersTest, AnAnswerComesBackWithItsStatusAndBody) {
    ScriptedServer server;
    server.answer = [](const std::string& request) {
        if (request.rfind("GET /moved ", 0) == 0) return HttpAnswer("200 OK", "moved here");
        if (request.rfind("GET /old ", 0) == 0) return HttpAnswer("302 Found", "", "Location: /moved\r\n");
        if (request.rfind("GET /missing ", 0) == 0) return HttpAnswer("404 Not Found", "missing");
        if (request.rfind("GET /chunked ", 0) == 0)
            return std::string(
                "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n");
        return HttpAnswer("200 OK", "<html>spot sent</html>");
    };

    HttpOutcome o = Get(server.Url("/muv.php?freq=14070.5&spotcall=EA4ABC&comment=MUV16%20%2B3%20dB"));
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.status, 200);
    EXPECT_EQ(o.body, "<html>spot sent</html>");
    ASSERT_EQ(server.requests.size(), 1u);
    EXPECT_EQ(server.requests[0].substr(0, server.requests[0].find("\r\n")),
              "GET /muv.php?freq=14070.5&spotcall=EA4ABC&comment=MUV16%20%2B3%20dB HTTP/1.1");
    EXPECT_NE(server.requests[0].find("\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n"),
              std::string::npos);

    o = Get(server.Url("/missing"));
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.status, 404);
    EXPECT_EQ(o.body, "missing");

    o = Get(server.Url("/old"));
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.body, "moved here");

    o = Get(server.Url("/chunked"));
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.body, "hello world");
}

TEST_F(CurlTransfersTest, EveryFailureComesBackOnce) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const uint16_t refusing = closed.serverPort();
    closed.close();
    HttpOutcome o = Get("http://127.0.0.1:" + std::to_string(refusing) + "/");
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.status, 0);

    for (const char* url : {"file:///etc/passwd", "ht!tp://x", "", "http://"}) {
        o = Get(url);
        EXPECT_FALSE(o.ok) << url;
        EXPECT_EQ(o.body, "") << url;
    }

    // An answer longer than the client takes.
    ScriptedServer big;
    big.answer = [](const std::string&) {
        return HttpAnswer("200 OK", std::string(CurlTransfers::kMaxHttpBody + 1000, 'x'));
    };
    o = Get(big.Url("/"));
    EXPECT_FALSE(o.ok);

    // A server that never answers ends the request at the time-out.
    ScriptedServer silent;
    transfers.SetHttpTimeoutSeconds(1);
    o = Get(silent.Url("/"));
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(transfers.InFlight(), 0u);
}

TEST_F(CurlTransfersTest, TransfersAbandonedWithTheObjectNeverCallBack) {
    ScriptedServer silent;
    ScriptedServer silentMail(true);
    int calls = 0;
    {
        CurlTransfers doomed;
        doomed.Get(silent.Url("/"), [&](bool, int, const std::string&) { ++calls; });
        MailMessage m;
        m.host = "127.0.0.1";
        m.port = silentMail.Port();
        m.to = "a@example.org";
        doomed.Send(m, [&](bool, const std::string&) { ++calls; });
        test::RunEvents(150);
        EXPECT_EQ(doomed.InFlight(), 2u);
        m.attachmentPath = "/nonexistent/card.jpg";  // fails at once, to be reported at the next event
        doomed.Send(m, [&](bool, const std::string&) { ++calls; });
    }
    test::RunEvents(150);
    EXPECT_EQ(calls, 0);

    // A transfer started from inside another's outcome runs like any other.
    ScriptedServer server;
    server.answer = [](const std::string&) { return HttpAnswer("200 OK", "x"); };
    int second = 0;
    transfers.Get(server.Url("/1"), [&](bool, int, const std::string&) {
        transfers.Get(server.Url("/2"), [&](bool ok, int, const std::string&) { second += ok ? 1 : 100; });
    });
    ASSERT_TRUE(WaitFor([&] { return second > 0; }));
    EXPECT_EQ(second, 1);
}

// Bytes of a reply changed at random: cut short, bytes flipped, inserted or repeated.
std::string Mutate(std::string text, std::mt19937& random) {
    const int changes = static_cast<int>(random() % 4);
    for (int i = 0; i < changes && !text.empty(); ++i) {
        const std::size_t at = random() % text.size();
        switch (random() % 4) {
            case 0:
                text.resize(at);
                break;
            case 1:
                text[at] = static_cast<char>(random() % 256);
                break;
            case 2:
                text.insert(at, std::string(1 + random() % 40, static_cast<char>(random() % 256)));
                break;
            default:
                text.insert(at, text.substr(at, random() % 200));
                break;
        }
    }
    return text;
}

TEST_F(CurlTransfersTest, AnyHttpAnswerEndsInExactlyOneOutcome) {
    std::mt19937 random(7);
    ScriptedServer server;
    server.answer = [&](const std::string&) {
        static const char* kStatuses[] = {"200 OK",   "204 No Content", "301 Moved",   "404 Not Found",
                                          "500 Oops", "999 What",       "100 Continue"};
        std::string extra;
        if (random() % 3 == 0) extra += "Location: /again\r\n";
        if (random() % 4 == 0) extra += "Content-Encoding: gzip\r\n";
        std::string reply =
            random() % 4 == 0 ? "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nabcd\r\n0\r\n\r\n"
                              : HttpAnswer(kStatuses[random() % 7], std::string(random() % 300, 'b'), extra);
        reply = Mutate(reply, random);
        return reply.empty() ? std::string("\r\n") : reply;
    };
    transfers.SetHttpTimeoutSeconds(3);
    for (int round = 0; round < 60; ++round) {
        const HttpOutcome o = Get(server.Url("/fuzz"));
        ASSERT_EQ(o.calls, 1) << round;
        if (o.ok) {
            EXPECT_GE(o.status, 200);
            EXPECT_LT(o.status, 300);
        }
    }
    EXPECT_EQ(transfers.InFlight(), 0u);
}

TEST_F(CurlTransfersTest, AnySmtpConversationEndsInExactlyOneOutcome) {
    std::mt19937 random(11);
    ScriptedServer server(true);
    const std::string conversation =
        "220 peer ESMTP\r\n250-peer\r\n250-SIZE 1000\r\n250-AUTH PLAIN LOGIN\r\n250 HELP\r\n"
        "235 2.7.0 ok\r\n250 sender ok\r\n250 recipient ok\r\n354 go ahead\r\n250 queued\r\n221 bye\r\n";
    server.answer = [&](const std::string&) {
        std::string script = Mutate(conversation, random);
        if (random() % 5 == 0) script.insert(script.find("250 HELP"), "250-STARTTLS\r\n");
        if (random() % 6 == 0) script = std::string(5000 + random() % 5000, 'A') + "\r\n" + script;
        return script.empty() ? std::string("\r\n") : script;
    };
    MailMessage m;
    m.host = "127.0.0.1";
    m.port = server.Port();
    m.from = "ea4abc@example.org";
    m.to = "g4xyz@example.com";
    m.subject = "fuzz";
    m.body = "body\r\n";
    m.timeoutSeconds = 3;
    for (int round = 0; round < 40; ++round) {
        m.authenticate = round % 3 == 0;
        m.user = "u";
        m.password = "p";
        int calls = 0;
        transfers.Send(m, [&](bool, const std::string&) { ++calls; });
        ASSERT_TRUE(WaitFor([&] { return calls > 0; }, 10000)) << round;
        test::RunEvents(10);
        ASSERT_EQ(calls, 1) << round;
    }
    EXPECT_EQ(transfers.InFlight(), 0u);
}

}  // namespace
}  // namespace muv
