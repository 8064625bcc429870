#include "logbook/locator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

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
    // A line ends a word as a blank does: operators end a line with Enter.
    EXPECT_EQ(FindLocatorInText("TEST\r\nIM98JM"), "IM98JM");
    EXPECT_EQ(FindLocatorInText("LOC IM98JM\r\nPSE K"), "IM98JM");
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

// The distance by the formula, worked out here on its own: sub-square centres, the three angles held in
// single precision, all else in double, the arc cosine by the arc tangent, kilometres rounded.
std::string FormulaKm(const std::string& a, const std::string& b) {
    const double pi = 3.1415927410125732;
    const auto centre = [](const std::string& l, double& latitude, double& longitude) {
        longitude = 20 * (l[0] - 'A') + 2 * (l[2] - '0') + (l[4] - 'A' + 0.5) / 12 - 180;
        latitude = 10 * (l[1] - 'A') + (l[3] - '0') + (l[5] - 'A' + 0.5) / 24 - 90;
    };
    double la1, lo1, la2, lo2;
    centre(a, la1, lo1);
    centre(b, la2, lo2);
    const float c1 = static_cast<float>((90 - la1) / 180 * pi);
    const float c2 = static_cast<float>((90 - la2) / 180 * pi);
    const float dl = static_cast<float>((lo2 - lo1) / 180 * pi);
    const double s1 = std::sin(double{c1}), s2 = std::sin(double{c2}), cl = std::cos(double{dl});
    const double x = s1 * s2 * cl + std::cos(double{c1}) * std::cos(double{c2});
    const double arc = std::atan(-x / std::sqrt(1 - x * x)) + 2 * std::atan(1.0);
    return std::to_string(std::llround(arc * 6367));
}

TEST(Locator, DistancesFollowTheFormulaNearAndFar) {
    std::mt19937 rng(7010);
    const auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const auto locator = [](int field1, int field2, int square1, int square2, int sub1, int sub2) {
        return std::string{static_cast<char>('A' + field1),  static_cast<char>('A' + field2),
                           static_cast<char>('0' + square1), static_cast<char>('0' + square2),
                           static_cast<char>('A' + sub1),    static_cast<char>('A' + sub2)};
    };
    int compared = 0;
    for (int i = 0; i < 400; ++i) {
        const std::string a = locator(pick(18), pick(18), pick(10), pick(10), pick(24), pick(24));
        // Half the pairs anywhere on the globe, half a few sub-squares apart in the same square.
        const std::string b =
            i % 2 == 0 ? locator(pick(18), pick(18), pick(10), pick(10), pick(24), pick(24))
                       : locator(a[0] - 'A', a[1] - 'A', a[2] - '0', a[3] - '0', pick(24), pick(24));
        if (a == b) continue;
        EXPECT_EQ(LocatorDistanceKm(a, b), FormulaKm(a, b)) << a << " " << b;
        ++compared;
    }
    EXPECT_GT(compared, 390);
    // Neighbouring sub-squares, a few kilometres apart.
    EXPECT_EQ(LocatorDistanceKm("IN80dk", "IN80dl"), FormulaKm("IN80DK", "IN80DL"));
    EXPECT_EQ(LocatorDistanceKm("IN80dk", "IN80ek"), FormulaKm("IN80DK", "IN80EK"));
    EXPECT_EQ(LocatorDistanceKm("JO31aa", "JO30ax"), FormulaKm("JO31AA", "JO30AX"));
}

}  // namespace
}  // namespace muv
