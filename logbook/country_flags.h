// The country flags shown beside the partner's callsign: one icon file per country in the flags folder,
// named after the country as the country file names it ("Spain.ico"). The build makes them from flag
// pictures (PNG) after a table that gives each country its picture.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace muv {

struct FlagRow {
    std::string country;  // as the country file names it
    std::string picture;  // the picture's file name without ".png"
};

// The table: one row a line, the country, a tab and the picture's name. Blank lines and lines that begin
// with "#" are skipped, and so are lines without a tab or with an empty part. Line ends may be LF or
// CR LF.
std::vector<FlagRow> ParseFlagTable(std::string_view text);

// The flag's file name for a country: the name and ".ico"; "" for a name that cannot be a file of the
// folder (empty, ".", "..", or holding "/" or a control character).
std::string FlagFileName(std::string_view country);

// The country of a country text as the partner box shows it ("Spain (EU)", UTF-8): the text without its
// last five characters (the blank and the continent in parentheses); "" when it is shorter than that.
std::string CountryWithoutContinent(std::string_view countryText);

// The width and height of a PNG picture, read from its header; false when the bytes are not one.
bool PngSize(std::string_view png, unsigned& width, unsigned& height);

// An icon file whose one image is the PNG picture as it is; "" when the bytes are not a PNG picture or
// it is larger than an icon can say (256 pixels each way).
std::string IconFromPng(std::string_view png);

}  // namespace muv
