#include "logbook/locator.h"

#include <gtest/gtest.h>

namespace muv {
namespace {

TEST(Locator, ValidityAndNormalForm) {
    for (const char* ok : {"IM98JM", "im98jm", "Im98jM", "AA00AA", "RR99XX"})
        EXPECT_EQ(IsValidLocator(ok), 1) << ok;
    for (const char* bad : {"IM98JM ", " IM98JM", "SM98JM", "IM98JZ", "IMA8JM", "IM98J", ""})
        EXPECT_EQ(IsValidLocator(bad), 0) << bad;
    EXPECT_EQ(NormaliseLocator("im98JM"), "IM98jm");
    EXPECT_EQ(NormaliseLocator("IM98JZ"), "");
}

TEST(Locator, FoundInTextOnlyAsAWordWithItsFieldInCapitals) {
    EXPECT_EQ(FindLocatorInText("QTH IM98jm, 73"), "IM98JM");
    EXPECT_EQ(FindLocatorInText("IM98jm"), "IM98JM");
    EXPECT_EQ(FindLocatorInText("loc is IM98JM."), "IM98JM");
    EXPECT_EQ(FindLocatorInText("qth im98jm"), "");
    EXPECT_EQ(FindLocatorInText("IM98JMX"), "");
    EXPECT_EQ(FindLocatorInText("TEST\r\nIM98JM"), "");  // a line break is no word boundary
    EXPECT_EQ(FindLocatorInText("SM98JM JN11CK IO91WM"), "JN11CK");
}

TEST(Locator, PositionsAreSubSquareCentres) {
    LatLong p = LocatorToLatLong("JJ00AA");
    EXPECT_NEAR(p.latitude, 0.5 / 24, 1e-12);
    EXPECT_NEAR(p.longitude, 0.5 / 12, 1e-12);
    p = LocatorToLatLong("aa00aa");
    EXPECT_NEAR(p.latitude, -90 + 0.5 / 24, 1e-12);
    EXPECT_NEAR(p.longitude, -180 + 0.5 / 12, 1e-12);
}

TEST(Locator, DistanceAndBearingOfRealPairs) {
    // London to Newington (Connecticut), both ways.
    EXPECT_EQ(LocatorDistanceKm("IO91wm", "FN31pr"), "5411");
    EXPECT_NEAR(LocatorBearing("IO91wm", "FN31pr"), 288.575, 0.01);
    EXPECT_NEAR(LocatorBearing("FN31pr", "IO91wm"), 52.216, 0.01);
    // Munich to Tokyo; Murcia to Madrid; Sydney to London (beyond a quarter of the globe).
    EXPECT_EQ(LocatorDistanceKm("JN58td", "PM95vq"), "9366");
    EXPECT_NEAR(LocatorBearing("JN58td", "PM95vq"), 39.924, 0.01);
    EXPECT_EQ(LocatorDistanceKm("IM98jm", "IN80do"), "315");
    EXPECT_NEAR(LocatorBearing("IM98jm", "IN80do"), 318.018, 0.01);
    EXPECT_EQ(LocatorDistanceKm("QF56od", "IO91wm"), "16981");
    EXPECT_NEAR(LocatorBearing("QF56od", "IO91wm"), 319.213, 0.01);
}

TEST(Locator, CardinalDirectionsAndDegenerateCases) {
    EXPECT_EQ(LocatorDistanceKm("JJ00aa", "JJ01aa"), "111");
    EXPECT_DOUBLE_EQ(LocatorBearing("JJ00aa", "JJ01aa"), 0);    // due north
    EXPECT_DOUBLE_EQ(LocatorBearing("JJ01aa", "JJ00aa"), 180);  // due south
    EXPECT_EQ(LocatorDistanceKm("JJ00aa", "JJ10aa"), "222");
    EXPECT_NEAR(LocatorBearing("JJ00aa", "JJ10aa"), 90, 0.01);
    EXPECT_NEAR(LocatorBearing("JJ10aa", "JJ00aa"), 270, 0.01);
    // A quarter of the globe away and nearly east by the equator: no division by zero.
    EXPECT_NEAR(LocatorBearing("JJ00aa", "NJ50aa"), 89.979, 0.01);
    EXPECT_EQ(LocatorDistanceKm("JJ00aa", "NJ50aa"), "10001");
    EXPECT_EQ(LocatorDistanceKm("IM98JM", "im98jm"), "0");
    EXPECT_EQ(LocatorBearing("IM98JM", "im98jm"), 0);
    EXPECT_EQ(LocatorDistanceKm("IM98JM", "IM98JZ"), "");
    EXPECT_EQ(LocatorBearing("IM98JZ", "IM98JM"), 0);
    EXPECT_EQ(ReverseBearing(90), 270);
    EXPECT_EQ(ReverseBearing(270), 90);
    EXPECT_EQ(ReverseBearing(180), 360);
    EXPECT_EQ(ReverseBearing(0), 180);
}

}  // namespace
}  // namespace muv
