#include "logbook/country_flags.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "logbook/country_file.h"

namespace muv {
namespace {

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A real PNG header: the signature and the IHDR chunk of a 16 x 11 picture.
std::string PngHeader(unsigned width, unsigned height) {
    std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (unsigned v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            png += static_cast<char>((v >> shift) & 0xFF);
    return png + std::string("\x08\x06\0\0\0", 5);
}

TEST(CountryFlags, TheTableGivesEachCountryItsPicture) {
    const std::vector<FlagRow> rows =
        ParseFlagTable("# comment\r\nSpain\tes\r\n\r\nno tab\n\tes\nEngland\t\nCote d'Ivoire\tci\nLast\tzz");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].country, "Spain");
    EXPECT_EQ(rows[0].picture, "es");
    EXPECT_EQ(rows[1].country, "Cote d'Ivoire");
    EXPECT_EQ(rows[2].picture, "zz");
}

TEST(CountryFlags, FileNamesComeFromTheCountryShown) {
    EXPECT_EQ(FlagFileName("Fed. Rep. of Germany"), "Fed. Rep. of Germany.ico");
    EXPECT_EQ(FlagFileName(""), "");
    EXPECT_EQ(FlagFileName(".."), "");
    EXPECT_EQ(FlagFileName("a/b"), "");
    EXPECT_EQ(FlagFileName("a\nb"), "");
    EXPECT_EQ(CountryWithoutContinent("Spain (EU)"), "Spain");
    EXPECT_EQ(CountryWithoutContinent("(EU)"), "");
    EXPECT_EQ(CountryWithoutContinent(""), "");
}

TEST(CountryFlags, AnIconHoldsThePictureAsItIs) {
    const std::string png = PngHeader(16, 11) + "rest of the picture";
    const std::string icon = IconFromPng(png);
    ASSERT_EQ(icon.size(), 22 + png.size());
    EXPECT_EQ(icon.substr(0, 6), std::string("\0\0\1\0\1\0", 6));  // an icon of one image
    EXPECT_EQ(icon[6], 16);
    EXPECT_EQ(icon[7], 11);
    EXPECT_EQ(icon.substr(14, 4), std::string("\x30\0\0\0", 4));  // the picture's length, 48
    EXPECT_EQ(icon.substr(18, 4), std::string("\x16\0\0\0", 4));  // where it starts
    EXPECT_EQ(icon.substr(22), png);
    EXPECT_EQ(IconFromPng(PngHeader(256, 256)).substr(6, 2), std::string("\0\0", 2));
    EXPECT_EQ(IconFromPng(PngHeader(257, 10)), "");
    EXPECT_EQ(IconFromPng(PngHeader(0, 10)), "");
    EXPECT_EQ(IconFromPng("GIF89a"), "");
}

TEST(CountryFlags, NoTableOrPictureBytesBreakTheReaders) {
    std::mt19937 random(7);
    const std::string good = PngHeader(16, 11);
    for (int round = 0; round < 5000; ++round) {
        std::string bytes = round % 2 ? good : std::string();
        const size_t extra = random() % 64;
        for (size_t i = 0; i < extra; ++i)
            bytes += static_cast<char>(random() % 256);
        if (!bytes.empty() && round % 3 == 0) {
            bytes[random() % bytes.size()] ^= static_cast<char>(1 << (random() % 8));
        }
        unsigned w = 0, h = 0;
        if (PngSize(bytes, w, h)) {
            EXPECT_TRUE(w > 0 && h > 0);
        }
        const std::string icon = IconFromPng(bytes);
        EXPECT_TRUE(icon.empty() || icon.size() == bytes.size() + 22);
        for (const FlagRow& row : ParseFlagTable(bytes)) {
            EXPECT_FALSE(row.country.empty() || row.picture.empty());
            EXPECT_EQ(row.country.find('\n'), std::string::npos);
        }
    }
}

// The table in the source tree, against the country file the program reads and the pictures the build
// makes the flags from.
TEST(CountryFlags, TheCommonCountriesOfTheRealCountryFileHaveFlags) {
    const std::vector<FlagRow> rows = ParseFlagTable(FileText(MUV_FLAG_TABLE));
    std::map<std::string, std::string> table;
    for (const FlagRow& row : rows)
        EXPECT_TRUE(table.emplace(row.country, row.picture).second) << "twice: " << row.country;
    ASSERT_EQ(table.count("Glorioso"), 1u) << "the marker of a current flags folder";

    const std::string path = "/usr/share/hamradio-files/cty.dat";
    CountryFile file;
    if (!file.LoadCountryFile({path})) GTEST_SKIP() << "no cty.dat";
    // The names as the program shows them: the countries of the file's prefixes and whole callsigns (a
    // prefix asked with a suffix after a "/", which leaves it alone to decide).
    std::set<std::string> countries;
    const std::string text = FileText(path);
    for (size_t end = text.find(';'), start = 0; end != std::string::npos;
         start = end + 1, end = text.find(';', start)) {
        size_t at = start;
        for (int field = 0; field < 8 && at != std::string::npos; ++field)
            at = text.find(':', at + 1);
        if (at == std::string::npos || at > end) continue;
        std::istringstream items(text.substr(at + 1, end - at - 1));
        for (std::string item; std::getline(items, item, ',');) {
            item.erase(0, item.find_first_not_of(" \t\r\n"));
            item = item.substr(0, item.find_first_of("([<{~ \t\r\n"));
            const bool whole = !item.empty() && item[0] == '=';
            const std::string country = file.CountryOfCallsign(whole ? item.substr(1) : item + "/QQ", 0);
            if (!country.empty()) countries.insert(country);
        }
    }
    // All but the few whose every item a later entry takes over (Vienna Intl Ctr, Austria's).
    ASSERT_LE(countries.size(), file.CountryCount());
    ASSERT_GE(countries.size() * 100, file.CountryCount() * 99);
    size_t flagged = 0;
    for (const std::string& country : countries)
        flagged += table.count(country);
    for (const auto& [country, picture] : table)
        EXPECT_TRUE(country == "Glorioso" || countries.count(country))
            << "not a country of the file: " << country;
    std::cout << flagged << " of the country file's " << countries.size() << " countries have a flag\n";
    EXPECT_GE(flagged * 100, countries.size() * 95);

    for (const char* callsign :
         {"EA4ABC", "DL1ABC", "F5ABC",  "G4ABC",  "GM3ABC", "GW4ABC", "I2ABC",  "K1ABC",  "VE3ABC", "JA1ABC",
          "VK2ABC", "ZL1ABC", "PY2ABC", "LU1ABC", "UA3ABC", "UA9ABC", "BY1ABC", "VU2ABC", "ZS6ABC", "CT1ABC",
          "ON4ABC", "PA3ABC", "OZ1ABC", "SM5ABC", "LA1ABC", "OH2ABC", "SP5ABC", "OK1ABC", "HA5ABC", "YO3ABC",
          "LZ1ABC", "SV1ABC", "TA1ABC", "4X4ABC", "XE1ABC", "CE3ABC", "HK3ABC", "YV5ABC", "EI5ABC", "HB9ABC",
          "OE1ABC", "S51ABC", "9A2ABC", "UR5ABC", "EA8ABC", "KH6ABC", "KL7ABC"}) {
        const std::string country = file.CountryOfCallsign(callsign, 0);
        EXPECT_EQ(table.count(country), 1u) << callsign << ": " << country;
    }

    const std::filesystem::path pictures = "/usr/share/flags/countries/16x11";
    if (std::filesystem::is_directory(pictures)) {
        for (const auto& [country, picture] : table)
            EXPECT_TRUE(std::filesystem::exists(pictures / (picture + ".png"))) << country << ": " << picture;
    }
}

}  // namespace
}  // namespace muv
