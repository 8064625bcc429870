// The cluster link over a real TCP connection to a cluster played by the test on loopback: the log-in,
// lines however the writes cut them, the lines that go out byte for byte, the automatic spot once per
// frequency, the reconnect after the server hangs up or resets, a cluster that never speaks, and one
// that falls silent for good with the connection open.
#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>

#include "online/cluster_link.h"
#include "online/tests/cluster_test_host.h"
#include "online/tests/cluster_test_lines.h"
#include "platform/qt/qt_tcp_link.h"
#include "platform/qt/qt_timer.h"
#include "test_support/qt_app.h"

namespace muv {
namespace {

using test::WaitFor;

class ClusterLoopbackTest : public test::QtAppTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
        host.server = {"127.0.0.1", server.serverPort()};
        spotTimer.SetHandler([this] { cluster.tmrEnviarSpotPublico_Timer(); });
        checkTimer.OnTimer = [this] { cluster.tmrClusterComprobarConexion_Timer(); };
        rowTimer.SetHandler([this] { cluster.tmrClusterRow_Timer(); });
    }
    // The server's side of the next connection.
    QTcpSocket* Accept() {
        if (!WaitFor([this] { return server.hasPendingConnections(); })) return nullptr;
        received.clear();
        return server.nextPendingConnection();
    }
    // Waits until the peer has read at least n bytes since it accepted, and gives them.
    std::string ReadAtLeast(QTcpSocket* peer, size_t n) {
        WaitFor([&] {
            received += peer->readAll().toStdString();
            return received.size() >= n;
        });
        return received;
    }
    void Write(QTcpSocket* peer, const std::string& bytes) {
        peer->write(bytes.data(), static_cast<qint64>(bytes.size()));
        peer->flush();
    }

    QTcpServer server;
    test::FakeClusterHost host;
    QtTcpLink link;
    ManualTimer loginTimer, checkTimer;
    QtTimer spotTimer, rowTimer;
    ClusterLink cluster{host, link, loginTimer, checkTimer, spotTimer, rowTimer};
    std::string received;
};

TEST_F(ClusterLoopbackTest, TalksToAClusterOverTcp) {
    const std::string login = "EA4XYZ\r\nJOIN MUV\r\n";
    cluster.ClusterConnect();
    QTcpSocket* peer = Accept();
    ASSERT_NE(peer, nullptr);
    // The log-in as soon as the connection is up, without waiting for the 3 s timer.
    EXPECT_EQ(ReadAtLeast(peer, login.size()), login);

    // Two lines in one write.
    Write(peer, "login: EA4XYZ\r\n" + test::DxSpotLine("DL1ABC", "14070.0", "EA4XYZ/P", "MUV16 579", "1234") +
                    "MUV de G4AAA: 7040.0#ALL#hello\a\a\r\n");
    ASSERT_TRUE(WaitFor([&] { return host.rows[1].visible && host.rows[2].visible; }));
    EXPECT_EQ(host.rows[1].frequency, "14070");
    EXPECT_EQ(host.rows[1].time, "12:34");
    EXPECT_EQ(host.rows[2].comment.Text(), " ALL de G4AAA (England (EU)): hello");
    EXPECT_EQ(host.skeds[4].caption, "Cluster Spot");
    EXPECT_EQ(checkTimer.Interval(), ClusterLink::kSilenceBoundMs);

    // One line in two writes.
    Write(peer, "MUV de K1ABC: 7040.0#EA4XYZ#are y");
    test::RunEvents(100);
    EXPECT_EQ(cluster.LastClusterSpotCall, "DL1ABC");
    Write(peer, "ou there?\a\a\r\n");
    ASSERT_TRUE(WaitFor([&] { return cluster.LastClusterSpotCall == "K1ABC"; }));
    EXPECT_EQ(host.rows[1].comment.Text(), " K1ABC (United States (NA)): are you there?");

    // The lines that go out, byte for byte.
    received.clear();
    ASSERT_TRUE(cluster.SendInternalSpot("14070.0", "tnx", "DL1ABC"));
    ASSERT_TRUE(cluster.SendInternalSpotWithWeb("14070.0", "cq", "ALL"));
    ASSERT_TRUE(cluster.SendClusterSpot("DL1ABC", "14070.0", "MUV16 +3 dB"));
    const std::string sent =
        "CHAT MUV 14070.0#DL1ABC#tnx\r\nCHAT MUV 14070.0#ALL#cq\r\nDX 14070.0 DL1ABC MUV16 +3 dB\r\n";
    EXPECT_EQ(ReadAtLeast(peer, sent.size()), sent);

    // The automatic spot after its random delay, once per frequency.
    received.clear();
    host.random = 0.99;  // 20 ms
    cluster.AutoSpot("DL1ABC", "3580.0", "", "-3 dB", "16");
    const std::string spot = "CHAT MUV 3580.0#DL1ABC##MUV16 -3 dB in Madrid\r\n";
    EXPECT_EQ(ReadAtLeast(peer, spot.size()), spot);
    cluster.AutoSpot("G4AAA", "3580.0", "", "-9 dB", "16");
    test::RunEvents(200);
    received += peer->readAll().toStdString();
    EXPECT_EQ(received, spot);
    cluster.AutoSpot("G4AAA", "3590.0", "", "-9 dB", "16");
    const std::string other = "CHAT MUV 3590.0#G4AAA##MUV16 -9 dB in Madrid\r\n";
    EXPECT_EQ(ReadAtLeast(peer, spot.size() + other.size()), spot + other);

    // The server hangs up: the link is noticed down and is made again through the check.
    peer->disconnectFromHost();
    ASSERT_TRUE(WaitFor([&] { return checkTimer.Interval() == 6000; }));
    EXPECT_FALSE(server.hasPendingConnections());
    checkTimer.Advance(6000);
    peer = Accept();
    ASSERT_NE(peer, nullptr);
    EXPECT_EQ(ReadAtLeast(peer, login.size()), login);
    Write(peer, "hello\r\n");
    ASSERT_TRUE(WaitFor([&] { return checkTimer.Interval() == ClusterLink::kSilenceBoundMs; }));

    // The server resets the connection: the same.
    peer->abort();
    ASSERT_TRUE(WaitFor([&] { return checkTimer.Interval() == 6000; }));
    checkTimer.Advance(6000);
    peer = Accept();
    ASSERT_NE(peer, nullptr);
    EXPECT_EQ(ReadAtLeast(peer, login.size()), login);
}

TEST_F(ClusterLoopbackTest, AFloodIsLaidOutWithItsLastLineAndEveryLineCounted) {
    // The reads the link hands on, counted on their way to the cluster link.
    int reads = 0;
    link.OnData = [&reads, toCluster = link.OnData](const std::string& bytes) {
        ++reads;
        toCluster(bytes);
    };
    cluster.ClusterConnect();
    QTcpSocket* peer = Accept();
    ASSERT_NE(peer, nullptr);
    ReadAtLeast(peer, 1);

    const int lines = 1000;
    std::string flood;
    for (int i = 0; i < lines; ++i)
        flood += test::DxSpotLine(i % 2 ? "DL1ABC" : "G4AAA", "14070.0", "EA4XYZ",
                                  "spot " + std::to_string(i), "1234");
    Write(peer, flood);
    ASSERT_TRUE(WaitFor([&] { return host.alarms == lines; })) << host.alarms;
    const std::string last = " DL1ABC (Fed. Rep. of Germany (EU)): spot 999" + std::string(22, ' ');
    EXPECT_TRUE(WaitFor([&] { return host.rows[1].comment.Text() == last; })) << host.rows[1].comment.Text();
    EXPECT_EQ(cluster.LastClusterSpotCall, "DL1ABC");
    EXPECT_GT(reads, 1) << "the link reads 4 KiB at a time";
    EXPECT_LE(host.rows[1].shows, reads);
}

TEST_F(ClusterLoopbackTest, AClusterThatAcceptsButStaysSilentShowsNoInternetUntilItSpeaks) {
    const std::string login = "EA4XYZ\r\nJOIN MUV\r\n";
    cluster.ClusterConnect();
    QTcpSocket* silent = Accept();
    ASSERT_NE(silent, nullptr);
    EXPECT_EQ(ReadAtLeast(silent, login.size()), login);

    // Nothing heard within the check's time: the items say so, and the link is made once more.
    checkTimer.Advance(6000);
    EXPECT_EQ(host.skeds[4].caption, "Internet not available");
    EXPECT_EQ(host.skeds[5].caption, "Internet not available");
    QTcpSocket* again = Accept();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(ReadAtLeast(again, login.size()), login);
    // The second attempt runs without a check: no third connection, and the captions stay.
    checkTimer.Advance(60000);
    test::RunEvents(100);
    EXPECT_FALSE(server.hasPendingConnections());
    EXPECT_EQ(host.skeds[4].caption, "Internet not available");
    EXPECT_EQ(host.skeds[5].caption, "Internet not available");

    // The cluster speaks: the items are back.
    Write(again, "Welcome to the cluster\r\n");
    ASSERT_TRUE(WaitFor([&] { return host.skeds[4].caption == "Cluster Spot"; }));
    EXPECT_TRUE(host.skeds[4].enabled);
    EXPECT_EQ(host.skeds[5].caption, "Internal Spot");
    EXPECT_TRUE(host.skeds[5].enabled);
}

TEST_F(ClusterLoopbackTest, AClusterThatFallsSilentWithTheConnectionOpenIsReconnected) {
    const std::string login = "EA4XYZ\r\nJOIN MUV\r\n";
    const int bound = 20000;
    cluster.SetSilenceBound(bound);
    cluster.ClusterConnect();
    QTcpSocket* hung = Accept();
    ASSERT_NE(hung, nullptr);
    EXPECT_EQ(ReadAtLeast(hung, login.size()), login);
    Write(hung, "Welcome to the cluster\r\n");
    ASSERT_TRUE(WaitFor([&] { return host.skeds[4].caption == "Cluster Spot"; }));

    // Every arrival starts the watch anew: a cluster that speaks now and then stays connected.
    checkTimer.Advance(bound - 1000);
    Write(hung, test::DxSpotLine("DL1ABC", "14070.0", "EA4XYZ", "MUV16 579", "1234"));
    ASSERT_TRUE(WaitFor([&] { return host.rows[1].visible; }));
    checkTimer.Advance(bound - 1000);
    test::RunEvents(100);
    EXPECT_FALSE(server.hasPendingConnections());
    EXPECT_EQ(host.skeds[4].caption, "Cluster Spot");

    // The server hangs: the connection stays open, and nothing more comes. Within the bound the link is
    // taken for lost, the items say so, and it is made anew.
    checkTimer.Advance(1000);
    EXPECT_EQ(host.skeds[4].caption, "Internet not available");
    EXPECT_FALSE(host.skeds[4].enabled);
    EXPECT_EQ(host.skeds[5].caption, "Internet not available");
    QTcpSocket* again = Accept();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(ReadAtLeast(again, login.size()), login);
    EXPECT_TRUE(WaitFor([&] { return hung->state() == QAbstractSocket::UnconnectedState; }))
        << "the hung connection is dropped";
    Write(again, "Welcome back\r\n");
    ASSERT_TRUE(WaitFor([&] { return host.skeds[4].caption == "Cluster Spot"; }));
    EXPECT_TRUE(host.skeds[5].enabled);

    // A close of the watched link reconnects after the short check, not after the bound.
    again->disconnectFromHost();
    ASSERT_TRUE(WaitFor([&] { return checkTimer.Interval() == 6000; }));
    checkTimer.Advance(6000);
    ASSERT_NE(Accept(), nullptr);
}

}  // namespace
}  // namespace muv
