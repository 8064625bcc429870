// The callsign server client against a server on loopback, through the program's TCP link and timers:
// the first address is a port where nothing listens, so the request goes to the second one after the
// retry check; the server reads the message and answers in two writes.
#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

#include "online/callsign_server.h"
#include "online/tests/callsign_server_fakes.h"
#include "platform/qt/qt_tcp_link.h"
#include "platform/qt/qt_timer.h"
#include "test_support/qt_app.h"

namespace muv {
namespace {

using test::PartnerDetails;
using test::WaitFor;

class CallsignServerPeerTest : public test::QtAppTest {
protected:
    void SetUp() override {
        // A port that was free a moment ago and has nobody listening now.
        QTcpServer closed;
        ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
        host.numeric = {"127.0.0.1", closed.serverPort()};
        closed.close();
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
        host.byName = {"127.0.0.1", server.serverPort()};
        client = std::make_unique<CallsignServerClient>(link, online, auxiliary, quiet, host);
        online.SetHandler([this] { lamps.push_back(client->OnlineTimerTick()); });
        auxiliary.SetHandler([this] { client->AuxiliaryTimerTick(); });
        quiet.SetHandler([this] { client->QuietTimerTick(); });
    }
    void TearDown() override { client.reset(); }

    // The server's side of the next connection, and the message read from it.
    QTcpSocket* Accept() {
        if (!WaitFor([this] { return server.hasPendingConnections(); })) return nullptr;
        return server.nextPendingConnection();
    }
    static std::string ReadMessage(QTcpSocket* peer, size_t length) {
        QByteArray got;
        WaitFor([&] {
            got += peer->readAll();
            return got.size() >= static_cast<qsizetype>(length);
        });
        return got.toStdString();
    }

    QTcpServer server;
    QtTcpLink link;
    QtTimer online, auxiliary, quiet;
    test::FakeCallsignServerHost host;
    std::unique_ptr<CallsignServerClient> client;
    std::vector<ServerLamp> lamps;
};

TEST_F(CallsignServerPeerTest, AQueryReachesTheSecondAddressAndItsReplyInTwoWritesIsTakenWhole) {
    client->CallsignServerRequest(2, "G4ABC/P");
    QTcpSocket* peer = Accept();
    ASSERT_NE(peer, nullptr);
    EXPECT_EQ(client->UseHostName, 1);
    EXPECT_EQ(ReadMessage(peer, 8), "2##G4ABC");
    ASSERT_TRUE(WaitFor([&] { return !lamps.empty() && lamps.back() == ServerLamp::Green; }));
    EXPECT_EQ(lamps.front(), ServerLamp::Red);  // the first address had not connected at the check

    peer->write("2##JOHN##LON");
    peer->flush();
    test::RunEvents(100);
    EXPECT_TRUE(host.shown.empty());
    peer->write("DON##IO91wm");
    ASSERT_TRUE(WaitFor([&] { return !host.shown.empty(); }));
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0], (PartnerDetails{"JOHN", "LONDON", "IO91wm"}));
    EXPECT_FALSE(client->Busy());

    // The next request goes to the address that worked, and closes the connection left open.
    client->CallsignServerRequest(4, "K1ABC");
    QTcpSocket* second = Accept();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(WaitFor([&] { return peer->state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_EQ(ReadMessage(second, 8), "4##K1ABC");
    second->write("4##IM98jm");
    ASSERT_TRUE(WaitFor([&] { return client->ServerLocator() == "IM98jm"; }));
}

}  // namespace
}  // namespace muv
