// The report of a heard station: who is reported, and the texts the spot and the reception-report
// service get.
#include <gtest/gtest.h>

#include "online/reception_report.h"

namespace muv {
namespace {

HeardStation Heard() {
    HeardStation h;
    h.heardCall = "K1ABC/P";
    h.ownCallsign = "EA4XYZ";
    h.ownLocator = "in80dk";
    h.frequencyKhz = "14070.3";
    h.snDb = -3.6;
    h.nominalBaud = 16;
    h.keyName = "HF16";
    h.snBar = "||||||_-4dB";
    return h;
}

TEST(ReceptionReportTest, TheOperatorsOwnSignalAndAMessageWithoutSenderAreNotReported) {
    ReceptionReport r;
    HeardStation h = Heard();
    h.heardCall = "EA4XYZ/P";
    EXPECT_FALSE(MakeReceptionReport(h, r));
    h.heardCall = "EA8/EA4XYZ";
    EXPECT_FALSE(MakeReceptionReport(h, r));
    h.heardCall = "";
    EXPECT_FALSE(MakeReceptionReport(h, r));
}

TEST(ReceptionReportTest, TextsOfTheSpotAndTheReceptionRecord) {
    ReceptionReport r;
    HeardStation h = Heard();
    ASSERT_TRUE(MakeReceptionReport(h, r));
    EXPECT_EQ(r.call, "K1ABC/P");
    EXPECT_EQ(r.baseCall, "K1ABC");
    EXPECT_EQ(r.snText, "-4 dB");
    EXPECT_EQ(r.modeTag, "16");
    EXPECT_EQ(r.antenna, "HF16_||||||_~4dB");
    EXPECT_EQ(r.frequencyHz, "14070300");  // not 14070299.99...
    EXPECT_EQ(r.version, "v5.8.4");
    EXPECT_EQ(r.ownLocator, "IN80DK");
    EXPECT_EQ(r.locator, "");  // unknown stays unknown: no made-up locator

    h.snDb = 0;
    h.catFrequencyHz = 14070300;
    h.partnerLocator = "IO91WM";
    ASSERT_TRUE(MakeReceptionReport(h, r));
    EXPECT_EQ(r.snText, "+0 dB");
    EXPECT_EQ(r.version, "v5.8.4+CAT");
    EXPECT_EQ(r.locator, "IO91WM");
}

}  // namespace
}  // namespace muv
