#include "logbook/locator.h"

#include <algorithm>
#include <cmath>

#include "common/vb.h"

namespace muv {

namespace {

// The constants keep the single-precision values that the stored records and distances were computed
// with, so that a distance or bearing shown here matches those of other stations' logs to the unit.
constexpr double kPi = 3.1415927410125732;
constexpr double kFullTurn = 6.2831854820251465;
constexpr double kEarthRadiusKm = 6367;

double DegToRad(double x) {
    return x / 180 * kPi;
}
double RadToDeg(double x) {
    return x * 180 / kPi;
}

// Arc cosine by the arc tangent; the ends of the range, where that form divides by zero, and values
// just outside it (rounding of nearly equal positions) give 0 and pi.
double ArcCos(double x) {
    if (x >= 1) return 0;
    if (x <= -1) return 2 * (2 * std::atan(1.0));
    return std::atan(-x / std::sqrt(1 - x * x)) + 2 * std::atan(1.0);
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
bool Between(char c, char low, char high) {
    return c >= low && c <= high;
}
// The six characters, upper-cased, form a locator.
bool LocatorPattern(const char* s) {
    return Between(Upper(s[0]), 'A', 'R') && Between(Upper(s[1]), 'A', 'R') && Between(s[2], '0', '9') &&
           Between(s[3], '0', '9') && Between(Upper(s[4]), 'A', 'X') && Between(Upper(s[5]), 'A', 'X');
}

bool SamePlace(const LatLong& a, const LatLong& b) {
    return a.latitude == b.latitude && a.longitude == b.longitude;
}

}  // namespace

uint8_t IsValidLocator(std::string_view locator) {
    return locator.size() == 6 && LocatorPattern(locator.data()) ? 1 : 0;
}

std::string NormaliseLocator(std::string_view locator) {
    if (IsValidLocator(locator) != 1) return "";
    std::string s(locator);
    s[0] = Upper(s[0]);
    s[1] = Upper(s[1]);
    for (int i = 4; i < 6; ++i)
        if (s[i] >= 'A' && s[i] <= 'Z') s[i] = static_cast<char>(s[i] - 'A' + 'a');
    return s;
}

std::string FindLocatorInText(std::string_view text) {
    std::string t = " ";
    // A line end or a tab parts words as a blank does.
    for (char c : text)
        t += static_cast<unsigned char>(c) < ' ' ? ' ' : Upper(c);
    t += ' ';
    // t[k + 1] is text[k]. A word must start after a blank and end before a blank, "." or ",".
    for (size_t k = 0; k + 7 < t.size(); ++k) {
        if (t[k] != ' ') continue;
        const char end = t[k + 7];
        if (end != ' ' && end != '.' && end != ',') continue;
        if (!LocatorPattern(t.data() + k + 1)) continue;
        // Ordinary words in small letters are not locators: the field must already be in capitals.
        if (text[k] != t[k + 1] || text[k + 1] != t[k + 2]) continue;
        return t.substr(k + 1, 6);
    }
    return "";
}

LatLong LocatorToLatLong(std::string_view locator) {
    if (IsValidLocator(locator) != 1) return {};
    auto letter = [&](int i) { return Upper(locator[i]) - 'A'; };
    auto digit = [&](int i) { return locator[i] - '0'; };
    LatLong p;
    p.longitude = 20 * letter(0) + 2 * digit(2) + (letter(4) + 0.5) / 12 - 180;
    p.latitude = 10 * letter(1) + digit(3) + (letter(5) + 0.5) / 24 - 90;
    return p;
}

std::string LocatorDistanceKm(std::string_view from, std::string_view to) {
    if (IsValidLocator(from) != 1 || IsValidLocator(to) != 1) return "";
    const LatLong a = LocatorToLatLong(from);
    const LatLong b = LocatorToLatLong(to);
    if (SamePlace(a, b)) return "0";
    // The angles are held in single precision, as the distances of other stations' logs were computed;
    // the trigonometry and the rest are double: in single precision the arc cosine of a value near 1
    // (two stations a short way apart) is off by kilometres.
    const double c1 = static_cast<float>(DegToRad(90 - a.latitude));
    const double c2 = static_cast<float>(DegToRad(90 - b.latitude));
    const double dl = static_cast<float>(DegToRad(b.longitude - a.longitude));
    const double x = std::sin(c1) * std::sin(c2) * std::cos(dl) + std::cos(c1) * std::cos(c2);
    return Format(ArcCos(x) * kEarthRadiusKm, "0");
}

double LocatorBearing(std::string_view from, std::string_view to) {
    if (IsValidLocator(from) != 1 || IsValidLocator(to) != 1) return 0;
    const LatLong a = LocatorToLatLong(from);
    const LatLong b = LocatorToLatLong(to);
    if (SamePlace(a, b)) return 0;
    const double la1 = DegToRad(a.latitude), lo1 = DegToRad(a.longitude);
    const double la2 = DegToRad(b.latitude), lo2 = DegToRad(b.longitude);

    // The central angle; a quarter of the globe away (cd = 0) is a right angle.
    const double cd = std::cos(lo1 - lo2) * std::cos(la1) * std::cos(la2) + std::sin(la2) * std::sin(la1);
    const double sd = std::sqrt(std::max(0.0, 1 - cd * cd));
    double d = cd == 0 ? kPi / 2 : std::atan(std::fabs(sd / cd));
    if (cd < 0) d = kPi - d;

    const double num = std::sin(lo2 - lo1) * std::cos(la2) * std::cos(la1);
    const double den = std::sin(la2) - std::cos(d) * std::sin(la1);
    // Due east or west (den = 0) is a right angle.
    double bearing = den == 0 ? (num == 0 ? 0 : kPi / 2) : std::atan(std::fabs(num / den));
    if (den < 0) bearing = kPi - bearing;
    if (num < 0) bearing = -bearing;
    if (bearing < 0) bearing += kFullTurn;
    return RadToDeg(bearing);
}

double ReverseBearing(double bearing) {
    return bearing <= 180 ? bearing + 180 : bearing - 180;
}

}  // namespace muv
