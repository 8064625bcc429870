// Maidenhead geometry: six-character locators (field, square, sub-square), the locator written inside
// received text, positions, great-circle distance and bearings between two stations. No state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace muv {

struct LatLong {
    double latitude = 0;   // degrees, north positive
    double longitude = 0;  // degrees, east positive
};

// 1 when the text is exactly six characters: two letters A-R, two digits, two letters A-X (either case).
uint8_t IsValidLocator(std::string_view locator);
// Field in capitals, sub-square in small letters (IM98jm); "" when not valid.
std::string NormaliseLocator(std::string_view locator);
// The first blank-delimited word of the text (ended by a blank, "." or ",") that is a locator whose
// field is written in capitals, returned in capitals; "" when there is none.
std::string FindLocatorInText(std::string_view text);
// The centre of the locator's sub-square; (0, 0) when not valid.
LatLong LocatorToLatLong(std::string_view locator);
// Great-circle distance in whole kilometres as text; "" when either locator is not valid.
std::string LocatorDistanceKm(std::string_view from, std::string_view to);
// Bearing in degrees (0 to under 360) from the first locator to the second; 0 when either is not valid
// or both are the same place.
double LocatorBearing(std::string_view from, std::string_view to);
// The bearing seen from the other end.
double ReverseBearing(double bearing);

}  // namespace muv
