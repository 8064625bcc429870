// The country file (cty.dat): the countries (DXCC entities, and the few WAE-only ones the file marks with
// "*"), their continents and primary prefixes, and the prefixes and whole callsigns that belong to each;
// eight large countries take their names, continents, primary prefixes and some prefixes from built-in
// entries, keeping every prefix and whole callsign the file gives them. On it: the country of a callsign
// and the primary prefix of a country.
//
// A file entry is a header of eight fields, each ended by ":" (name, CQ zone, ITU zone, continent,
// latitude, longitude, UTC offset, primary prefix), then prefix items separated by "," over as many
// lines as it takes, the last one ended by ";". An item that begins with "=" is a whole callsign; an
// item may carry overrides: (CQ zone), [ITU zone], <latitude/longitude>, {continent}, ~UTC offset~.
// Line ends may be LF or CR LF; blanks and line breaks around items do not count. Each line is read as
// UTF-8 when it is valid UTF-8 with multi-byte characters, else as Windows-1252 (DecodeText): names are
// UTF-8.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "logbook/callsign.h"

namespace muv {

// A country file larger than this is not read (the real one is a few hundred kilobytes).
constexpr size_t kMaxCountryFileBytes = 4 * 1024 * 1024;

class CountryFile {
public:
    // Reads the country file from the first usual place that holds one: the user's settings folder, the
    // program's data folder, the system's copy. False, and no countries, when there is none or it cannot
    // be read.
    bool LoadCountryFile();
    // The same with the places given, the first present one winning.
    bool LoadCountryFile(const std::vector<std::string>& places);
    // Builds the countries from a country file's text. False, and no countries, for a text longer than
    // kMaxCountryFileBytes. Entries that are not whole (fewer than eight header fields, no ";") are
    // skipped.
    bool LoadCountryText(std::string_view fileBytes);

    // The country name of the callsign, with " (" continent ")" after it when withContinent is 1; "" when
    // the callsign has fewer than 4 characters or no entry knows it. A whole-callsign entry wins over
    // every prefix; otherwise the longest prefix item that begins the callsign (up to its first "/", so
    // that "EA8/DL1ABC" goes by EA8 and "DL1ABC/P" by DL) decides, and of two entries with the same
    // item the later one in the file. An item's {continent} override replaces the entry's continent.
    std::string CountryOfCallsign(std::string_view callsign, uint8_t withContinent) const;

    // The primary prefix of the country with this whole name (in any case, with or without the " (EU)"
    // that CountryOfCallsign may add), without the "*" of a WAE-only entity; "" for an unknown name.
    std::string PrimaryPrefixOfCountry(std::string_view countryName) const;

    // How many countries there are (0 before a country file has been read).
    size_t CountryCount() const { return countries_.size(); }

private:
    struct Country {
        std::string name;
        std::string continent;
        std::string primaryPrefix;
    };
    // Where an item leads: the country, and the item's continent override (zeros for none).
    struct Target {
        uint32_t country = 0;
        std::array<char, 2> continent{};
    };
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    using Index = std::unordered_map<std::string, Target, Hash, std::equal_to<>>;

    void Clear();

    std::vector<Country> countries_;
    Index wholeCallsigns_;
    Index prefixes_;
    size_t longestPrefix_ = 0;
    std::unordered_map<std::string, uint32_t, Hash, std::equal_to<>> countryByName_;  // names in capitals
};

// For IsPlausibleCallsign: a base callsign is known when the country file gives it a country. The
// CountryFile must outlive the function.
CountryKnown CountryKnownBy(const CountryFile& countries);

}  // namespace muv
