// Keying and the DDS line on the Qt serial port, with COM3 pointed at a pseudo-terminal whose master
// side plays the DDS box. A pseudo-terminal has no modem-control lines: RTS/DTR are checked in
// keying_test.cpp; here the bytes, the line settings, opening and closing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdlib>

#include "platform/qt/serial_port.h"
#include "transmitter/tests/keying_fakes.h"
#include "transmitter/tests/tx_rig.h"

namespace muv {
namespace {

class SerialKeyingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char arg0[] = "serial_keying_test";
        static char* argv[] = {arg0, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    }

    void SetUp() override {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        setenv("MUV_COM3", ptsname(master), 1);
    }
    void TearDown() override {
        unsetenv("MUV_COM3");
        if (master >= 0) close(master);
    }

    // Everything the box has received so far.
    std::string Received() {
        std::string bytes;
        char buffer[256];
        for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;)
            bytes.append(buffer, static_cast<size_t>(n));
        return bytes;
    }
    // The other side of the pseudo-terminal has been closed.
    bool HungUp() {
        pollfd p{master, POLLIN, 0};
        poll(&p, 1, 0);
        return (p.revents & POLLHUP) != 0;
    }

    int master = -1;
    test::FakeRig rig;
    test::RecordingWindow window;
    QtSerialPort port;
    PttKeying keying{rig, port, window, window};
    SerialDdsBox box{rig, port};
};

TEST_F(SerialKeyingTest, DdsBoxReceivesTheTuneToneLinesAndTheRelease) {
    test::TxRig parts;
    Transmitter tx({StandardModeTables(), StandardVaricodeTable(), parts.shared, parts.log, parts.rxWindow,
                    parts.txWindow, parts.host, parts.controls, parts.device, box});

    // A port whose hang-up setting was switched off would keep its lines up after a kill.
    {
        const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
        ASSERT_GE(slave, 0);
        termios off{};
        ASSERT_EQ(tcgetattr(slave, &off), 0);
        off.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
        ASSERT_EQ(tcsetattr(slave, TCSANOW, &off), 0);
        close(slave);
    }
    ASSERT_EQ(keying.KeyPtt(), 1);
    termios line{};
    ASSERT_EQ(tcgetattr(master, &line), 0);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B57600));
    EXPECT_NE(line.c_cflag & HUPCL, 0u) << "the lines drop when the port's last descriptor closes";

    const auto start = std::chrono::steady_clock::now();
    tx.StartTestTone();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_FALSE(HungUp());
    keying.ReleasePtt();
    EXPECT_TRUE(HungUp());
    EXPECT_EQ(Received(),
              "TEST TONE 1500 Hz\rFTX  14071500\rPTT ON\rKEY ON\r14071500.000\rKEY OFF\rPTT OFF\r");
    EXPECT_TRUE(window.events.empty());
}

TEST_F(SerialKeyingTest, MissingAndBusyPortsFailAndShutDownCloses) {
    setenv("MUV_COM12", "/nonexistent/tty", 1);
    rig.com = 12;
    EXPECT_EQ(keying.KeyPtt(), 0);
    unsetenv("MUV_COM12");
    {
        QtSerialPort other;
        other.SetCommPort(3);
        other.SetPortOpen(true);
        rig.com = 3;
        EXPECT_EQ(keying.KeyPtt(), 0);
        EXPECT_FALSE(HungUp());
    }  // a port still open when the program ends is closed
    EXPECT_TRUE(HungUp());
    ASSERT_EQ(window.events.size(), 8u);
    EXPECT_EQ(window.events[0], "COM 12 not avaiable | Port Error | critical");
    EXPECT_EQ(window.events[4], "COM 3 not avaiable | Port Error | critical");
}

// A pseudo-terminal has no RTS or DTR line: it cannot key the radio, and saying it did would put the
// program on "PTT ON" with the transmitter silent.
TEST_F(SerialKeyingTest, APortWithoutModemLinesCannotKeyByALine) {
    rig.keying = "NOCAT";
    for (const char* pin : {"RTS", "DTR", "RTSDTR"}) {
        rig.pin = pin;
        EXPECT_EQ(keying.KeyPtt(), 0) << pin;
        EXPECT_FALSE(port.PortOpen());
    }
    ASSERT_FALSE(window.events.empty());
    EXPECT_EQ(window.events[0], "COM 3 not avaiable | Port Error | critical");
    EXPECT_EQ(Received(), "");
}

// The box goes away in the middle of a transmission (its adapter pulled out): the first line it does not
// take is told, the later ones are not tried, and the release, tried again on a fresh open of the port,
// says that the transmitter may still be keyed.
TEST_F(SerialKeyingTest, ADdsBoxThatStopsTakingLinesIsTold) {
    std::vector<std::string> failures;
    box.Failed = [&](const std::string& why) { failures.push_back(why); };
    ASSERT_EQ(keying.KeyPtt(), 1);
    box.WriteLine("PTT ON");
    EXPECT_EQ(Received(), "PTT ON\r");
    close(master);
    master = -1;
    box.WriteLine("14071500.000");
    box.WriteLine("14071600.000");
    ASSERT_EQ(failures.size(), 1u);
    const std::string warning = keying.ReleasePtt();
    EXPECT_FALSE(port.PortOpen());
    EXPECT_EQ(
        warning.rfind("The transmitter may still be keyed: the DDS box on COM 3 could not be told KEY OFF "
                      "and PTT OFF (",
                      0),
        0u)
        << warning;
}

}  // namespace
}  // namespace muv
