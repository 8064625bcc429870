// Keying and releasing the transmitter by each method, and every way keying can fail, over a recording
// serial port: the radio must be keyed only as chosen and never stay keyed after a failure.
#include <gtest/gtest.h>

#include "transmitter/tests/keying_fakes.h"

namespace muv {
namespace {

using Ops = std::vector<std::string>;

class KeyingTest : public ::testing::Test {
protected:
    test::FakeRig rig;
    test::FakeSerialPort port;
    test::RecordingWindow window;
    PttKeying keying{rig, port, window, window};

    Ops Failure(const std::string& message) {
        return {message + " | Port Error | critical", "focus rtfVentanaTX", "beacon off", "tune idle"};
    }
};

TEST_F(KeyingTest, SerialLineKeysTheChosenLinesUntilRelease) {
    rig.keying = "NOCAT";
    for (const char* pin : {"RTS", "DTR", "RTSDTR"}) {
        port = test::FakeSerialPort();
        rig.pin = pin;
        const std::string rts = rig.pin == "DTR" ? "0" : "1", dtr = rig.pin == "RTS" ? "0" : "1";
        EXPECT_EQ(keying.KeyPtt(), 1);
        keying.ReleasePtt();
        EXPECT_EQ(port.ops, (Ops{"COM 3", "RTS " + rts, "DTR " + dtr, "open", "RTS 0", "DTR 0", "close"}));
    }
    // "NO COM": nothing is opened, and the release finds nothing to close.
    port = test::FakeSerialPort();
    rig.com = 0;
    EXPECT_EQ(keying.KeyPtt(), 1);
    keying.ReleasePtt();
    EXPECT_EQ(port.ops, (Ops{"RTS 0", "DTR 0"}));
    EXPECT_TRUE(window.events.empty());
}

TEST_F(KeyingTest, DdsBoxOpensWithBothLinesLowAndReleasesWithTwoLines) {
    EXPECT_EQ(keying.KeyPtt(), 1);
    keying.ReleasePtt();
    keying.ReleasePtt();  // already closed: nothing
    EXPECT_EQ(port.ops, (Ops{"RTS 0", "DTR 0", "COM 3", "open", "settings 57600,N,8,1", "out KEY OFF\r",
                             "out PTT OFF\r", "RTS 0", "DTR 0", "close"}));
    // A box that did not take the release is told again on a fresh open of the port; one that takes
    // nothing at all leaves the port closed and a warning for the operator.
    rig.ddsCat = true;
    ASSERT_EQ(keying.KeyPtt(), 1);
    port.ops.clear();
    port.failOutputs = 1;
    EXPECT_EQ(keying.ReleasePtt(), "");
    EXPECT_EQ(port.ops, (Ops{"RTS 0", "DTR 0", "close", "open", "settings 57600,N,8,1", "out KEY OFF\r",
                             "out PTT OFF\r", "RTS 0", "DTR 0", "close"}));
    ASSERT_EQ(keying.KeyPtt(), 1);
    port.failOutput = true;
    EXPECT_EQ(
        keying.ReleasePtt(),
        "The transmitter may still be keyed: the DDS box on COM 3 could not be told KEY OFF and PTT OFF "
        "(write failed). Check the radio.");
    EXPECT_FALSE(port.open);
    EXPECT_TRUE(window.events.empty());

    // Lines that will not drop are told too; the port is closed all the same.
    port = test::FakeSerialPort();
    rig.keying = "NOCAT";
    ASSERT_EQ(keying.KeyPtt(), 1);
    port.failLineDrop = true;
    EXPECT_EQ(
        keying.ReleasePtt(),
        "The transmitter may still be keyed: the RTS/DTR lines of COM 3 could not be dropped (EIO). Check "
        "the radio.");
    EXPECT_FALSE(port.open);
}

TEST_F(KeyingTest, DdsRefusalsTellTheUserAndNeverOpenThePort) {
    const std::pair<void (*)(test::FakeRig&), const char*> cases[] = {
        {[](test::FakeRig& r) { r.com = 0; }, "Select a COM Port"},
        {[](test::FakeRig& r) { r.ddsCat = true, r.engine = false; }, "CAT not avaiable"},
        {[](test::FakeRig& r) { r.ddsCat = true, r.status = 2; }, "CAT not avaiable"},
        {[](test::FakeRig& r) { r.ddsCat = true, r.catHz = 0; }, "CAT not avaiable"},
        {[](test::FakeRig& r) { r.usbText = ""; }, "DDS Frequency not valid"},
        {[](test::FakeRig& r) { r.usbText = "abc"; }, "DDS Frequency not valid"},
        {[](test::FakeRig& r) { r.usbText = "0"; }, "DDS Frequency not valid"},
    };
    for (const auto& [set, message] : cases) {
        SCOPED_TRACE(message);
        rig = test::FakeRig();
        set(rig);
        window.events.clear();
        EXPECT_EQ(keying.KeyPtt(), 0);
        EXPECT_EQ(window.events, Failure(message));
        EXPECT_FALSE(port.open);
    }
}

TEST_F(KeyingTest, PortErrorsNameThePortAndLeaveItClosedWithLinesDown) {
    rig.com = 12;
    port.failOpen = true;
    EXPECT_EQ(keying.KeyPtt(), 0);
    EXPECT_EQ(window.events, Failure("COM 12 not avaiable"));

    // Failing after the port opened, and finding a port left keyed from before.
    for (const char* keyingChoice : {"DDS", "NOCAT"}) {
        port = test::FakeSerialPort();
        port.failSettings = true;
        port.open = port.rts = port.dtr = std::string(keyingChoice) == "NOCAT";
        rig = test::FakeRig();
        rig.keying = keyingChoice;
        window.events.clear();
        EXPECT_EQ(keying.KeyPtt(), 0);
        EXPECT_EQ(window.events, Failure("COM 3 not avaiable"));
        EXPECT_FALSE(port.open || port.rts || port.dtr);
    }
}

TEST_F(KeyingTest, CatAndVoxLeaveThePortAlone) {
    rig.keying = "CAT";
    rig.catResult = 0;
    EXPECT_EQ(keying.KeyPtt(), 0);
    keying.ReleasePtt();
    rig.keying = "VOX";
    EXPECT_EQ(keying.KeyPtt(), 1);
    keying.ReleasePtt();
    EXPECT_EQ(rig.calls, (Ops{"TX", "RX"}));
    EXPECT_TRUE(port.ops.empty());
}

TEST_F(KeyingTest, DdsBoxTakesItsDialFrequencyFromCatAndDropsLinesToAClosedPort) {
    SerialDdsBox box(rig, port);
    rig.ddsCat = true;
    EXPECT_EQ(box.DialFrequencyHz(), 7040000);
    box.WriteLine("PTT ON");
    EXPECT_TRUE(port.ops.empty());
}

}  // namespace
}  // namespace muv
