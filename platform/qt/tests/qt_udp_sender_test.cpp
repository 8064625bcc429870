// The UDP sender against a loopback socket of the test: a numeric address sends at once, a name waits for
// its lookup (a few datagrams at most), a failed lookup drops what waited, and every datagram leaves from
// the same port.
#include <gtest/gtest.h>

#include <QUdpSocket>

#include "platform/qt/qt_udp_sender.h"
#include "test_support/qt_app.h"

namespace muv {
namespace {

using test::WaitFor;

class QtUdpSenderTest : public test::QtAppTest {
protected:
    void SetUp() override { ASSERT_TRUE(collector.bind(QHostAddress::LocalHost, 0)); }
    // The datagrams caught so far, with the port each came from.
    void Catch() {
        while (collector.hasPendingDatagrams()) {
            QByteArray d(static_cast<qsizetype>(collector.pendingDatagramSize()), '\0');
            quint16 port = 0;
            collector.readDatagram(d.data(), d.size(), nullptr, &port);
            caught.push_back(d.toStdString());
            ports.push_back(port);
        }
    }
    bool CatchUntil(size_t count) {
        return WaitFor([&] {
            Catch();
            return caught.size() >= count;
        });
    }

    QUdpSocket collector;
    QtUdpSender sender;
    std::vector<std::string> caught;
    std::vector<quint16> ports;
};

TEST_F(QtUdpSenderTest, ANumericAddressSendsAtOnceAlwaysFromTheSamePort) {
    EXPECT_FALSE(sender.Send("no destination yet"));
    sender.SetDestination("127.0.0.1", collector.localPort());
    const std::string binary("\x00\x0A\x00\x10\xFF", 5);
    ASSERT_TRUE(sender.Send(binary));
    ASSERT_TRUE(sender.Send("second"));
    ASSERT_TRUE(CatchUntil(2));
    EXPECT_EQ(caught[0], binary);
    EXPECT_EQ(caught[1], "second");
    EXPECT_EQ(ports[0], ports[1]);
    EXPECT_EQ(ports[0], sender.LocalPort());
}

TEST_F(QtUdpSenderTest, ANameIsLookedUpWhileAFewDatagramsWait) {
    sender.SetDestination("localhost", collector.localPort());
    // The lookup's answer comes through the event loop, so all of these find it still running.
    size_t accepted = 0;
    for (int i = 0; i < 20; ++i)
        accepted += sender.Send("d" + std::to_string(i)) ? 1 : 0;
    EXPECT_EQ(accepted, QtUdpSender::kMaxWaiting);
    ASSERT_TRUE(CatchUntil(QtUdpSender::kMaxWaiting));
    EXPECT_EQ(caught.front(), "d0");
    // Once known, the address is kept: the next datagram goes at once.
    ASSERT_TRUE(sender.Send("later"));
    ASSERT_TRUE(CatchUntil(QtUdpSender::kMaxWaiting + 1));
    EXPECT_EQ(caught.back(), "later");
}

TEST_F(QtUdpSenderTest, AFailedLookupDropsWhatWaitedAndANewDestinationStartsClean) {
    // A name that cannot exist: the lookup fails without asking any server.
    sender.SetDestination("no..such..host", collector.localPort());
    EXPECT_TRUE(sender.Send("lost"));
    EXPECT_EQ(sender.Waiting(), 1u);
    ASSERT_TRUE(WaitFor([&] { return sender.Waiting() == 0; }));
    // The next datagram tries the lookup again.
    EXPECT_TRUE(sender.Send("lost again"));
    EXPECT_EQ(sender.Waiting(), 1u);
    sender.SetDestination("127.0.0.1", collector.localPort());
    EXPECT_EQ(sender.Waiting(), 0u);
    ASSERT_TRUE(sender.Send("found"));
    ASSERT_TRUE(CatchUntil(1));
    test::RunEvents(100);
    Catch();
    EXPECT_EQ(caught, (std::vector<std::string>{"found"}));

    sender.SetDestination("", 4739);
    EXPECT_FALSE(sender.Send("nowhere"));
}

}  // namespace
}  // namespace muv
