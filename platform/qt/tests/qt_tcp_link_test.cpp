// The TCP link against a loopback server: what the peer sends arrives, what the program sends reaches
// the peer, and the peer's close, a reset and a refused connection each give their one event.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

#include "platform/qt/qt_tcp_link.h"
#include "test_support/qt_app.h"

namespace muv {
namespace {

using test::WaitFor;

class QtTcpLinkTest : public test::QtAppTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
        link.OnConnected = [this] { ++connected; };
        link.OnData = [this](const std::string& bytes) { received += bytes; };
        link.OnClosed = [this] { ++closed; };
        link.OnError = [this] { ++errors; };
    }
    // Connects the link and takes the server's side of the connection.
    QTcpSocket* ConnectPeer() {
        link.Connect("127.0.0.1", server.serverPort());
        if (!WaitFor([this] { return server.hasPendingConnections() && connected > 0; })) return nullptr;
        return server.nextPendingConnection();
    }

    QTcpServer server;
    QtTcpLink link;
    int connected = 0, closed = 0, errors = 0;
    std::string received;
};

TEST_F(QtTcpLinkTest, CarriesBytesBothWaysUnchanged) {
    QTcpSocket* peer = ConnectPeer();
    ASSERT_NE(peer, nullptr);
    EXPECT_TRUE(link.Connected());
    const std::string line = "EA4XYZ\r\nJOIN MUV\r\n\xE9";
    ASSERT_TRUE(link.Send(line));
    QByteArray got;
    ASSERT_TRUE(WaitFor([&] {
        got += peer->readAll();
        return got.size() >= static_cast<int>(line.size());
    }));
    EXPECT_EQ(got.toStdString(), line);
    peer->write("DX de K1AB:  14070.0  EA4XYZ\r\n");
    ASSERT_TRUE(WaitFor([&] { return received.find("\r\n") != std::string::npos; }));
    EXPECT_EQ(received, "DX de K1AB:  14070.0  EA4XYZ\r\n");
    EXPECT_EQ(closed + errors, 0);
}

// The descriptor of this process's socket bound to the local port, or -1.
int SocketOnLocalPort(quint16 port) {
    for (int fd = 0; fd < 4096; ++fd) {
        sockaddr_in address{};
        socklen_t size = sizeof address;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0 &&
            address.sin_family == AF_INET && ntohs(address.sin_port) == port)
            return fd;
    }
    return -1;
}

TEST_F(QtTcpLinkTest, AConnectionIsKeptAliveSoThatAVanishedPeerIsNoticedWithinMinutes) {
    QTcpSocket* peer = ConnectPeer();
    ASSERT_NE(peer, nullptr);
    const int fd = SocketOnLocalPort(peer->peerPort());
    ASSERT_GE(fd, 0);
    const auto option = [fd](int level, int name) {
        int value = -1;
        socklen_t size = sizeof value;
        return getsockopt(fd, level, name, &value, &size) == 0 ? value : -1;
    };
    EXPECT_EQ(option(SOL_SOCKET, SO_KEEPALIVE), 1);
    const int idle = option(IPPROTO_TCP, TCP_KEEPIDLE);
    const int interval = option(IPPROTO_TCP, TCP_KEEPINTVL);
    const int probes = option(IPPROTO_TCP, TCP_KEEPCNT);
    ASSERT_GT(idle, 0);
    EXPECT_LE(idle + interval * probes, 300) << "a dead peer must be noticed within five minutes";
    const int userTimeoutMs = option(IPPROTO_TCP, TCP_USER_TIMEOUT);
    EXPECT_GT(userTimeoutMs, 0);
    EXPECT_LE(userTimeoutMs, 300 * 1000);
}

TEST_F(QtTcpLinkTest, AFloodArrivesWholeInBoundedPiecesEvenWhenThePeerClosesAfterIt) {
    QTcpSocket* peer = ConnectPeer();
    ASSERT_NE(peer, nullptr);
    std::string flood;
    for (int i = 0; flood.size() < 300000; ++i)
        flood += "MUV de DL1AB: 14070.0#ALL#line " + std::to_string(i) + " 1234\r\n";
    size_t largest = 0;
    link.OnData = [&](const std::string& bytes) {
        largest = std::max(largest, bytes.size());
        received += bytes;
    };
    peer->write(flood.data(), static_cast<qint64>(flood.size()));
    peer->disconnectFromHost();
    ASSERT_TRUE(WaitFor([&] { return closed == 1; }));
    EXPECT_EQ(received.size(), flood.size());
    EXPECT_TRUE(received == flood);
    EXPECT_LE(largest, static_cast<size_t>(QtTcpLink::kMaxReadBytes));
}

TEST_F(QtTcpLinkTest, ThePeersCloseAndAResetAreEachToldOnce) {
    QTcpSocket* peer = ConnectPeer();
    ASSERT_NE(peer, nullptr);
    peer->write("last words\r\n");
    peer->flush();
    peer->disconnectFromHost();
    ASSERT_TRUE(WaitFor([&] { return closed == 1; }));
    EXPECT_EQ(received, "last words\r\n");  // what came before the close is read first
    EXPECT_FALSE(link.Connected());
    EXPECT_FALSE(link.Send("x"));

    peer = ConnectPeer();
    ASSERT_NE(peer, nullptr);
    peer->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    peer->abort();  // a reset
    ASSERT_TRUE(WaitFor([&] { return closed == 2; }));
    test::RunEvents(100);
    EXPECT_EQ(closed, 2);
    EXPECT_EQ(errors, 0);
}

TEST_F(QtTcpLinkTest, ARefusedConnectionIsAnErrorAndClosingIsSilent) {
    const quint16 port = server.serverPort();
    server.close();
    link.Connect("127.0.0.1", port);
    ASSERT_TRUE(WaitFor([&] { return errors == 1; }));
    EXPECT_EQ(connected, 0);
    EXPECT_FALSE(link.Send("x"));

    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    ASSERT_NE(ConnectPeer(), nullptr);
    link.Close();
    test::RunEvents(100);
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(errors, 1);
    // A new connection drops the one before without telling of it.
    ASSERT_NE(ConnectPeer(), nullptr);
    ASSERT_NE(ConnectPeer(), nullptr);
    test::RunEvents(100);
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(connected, 3);
}

}  // namespace
}  // namespace muv
