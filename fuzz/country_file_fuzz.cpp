// The country file (cty.dat) as any text: it loads within bounds, names come out as valid UTF-8, the
// look-ups of callsigns taken from the file itself agree with each other, the built-in countries keep a
// country whatever the file says, and a second reading of the same text gives the same answers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "logbook/country_file.h"

namespace {

// Words of the text that could be callsigns or prefix items: runs of letters, digits, "/" and "=".
std::vector<std::string_view> Words(std::string_view text, size_t most) {
    std::vector<std::string_view> words;
    size_t start = 0;
    for (size_t i = 0; i <= text.size() && words.size() < most; ++i) {
        const char c = i < text.size() ? text[i] : ' ';
        const bool part = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          c == '/' || c == '=';
        if (part) continue;
        if (i > start) words.push_back(text.substr(start, i - start));
        start = i + 1;
    }
    return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = muv::fuzz::Text(data, size);
    muv::CountryFile countries;
    MUV_FUZZ_REQUIRE(countries.LoadCountryText(text));
    size_t entries = 0;
    for (char c : text)
        entries += c == ';';
    // Eight countries are built in.
    MUV_FUZZ_REQUIRE(countries.CountryCount() >= 8);
    MUV_FUZZ_REQUIRE(countries.CountryCount() <= entries + 8);
    // A prefix of each built-in country: the file may give it to another country, never take it away.
    for (const char* call : {"LU1ABC", "W1ABC", "BY1ABC", "PY1ABC", "UA1ABC", "UA9ABC", "VE3ABC"})
        MUV_FUZZ_REQUIRE(!countries.CountryOfCallsign(call, 0).empty());

    muv::CountryFile again;
    MUV_FUZZ_REQUIRE(again.LoadCountryText(text));
    MUV_FUZZ_REQUIRE(again.CountryCount() == countries.CountryCount());
    for (std::string_view word : Words(text, 64)) {
        if (!word.empty() && word.front() == '=') word.remove_prefix(1);
        const std::string call(word);
        const std::string name = countries.CountryOfCallsign(call, 0);
        const std::string withContinent = countries.CountryOfCallsign(call, 1);
        MUV_FUZZ_REQUIRE(muv::fuzz::ValidUtf8(withContinent));
        MUV_FUZZ_REQUIRE(name.empty() == withContinent.empty());
        MUV_FUZZ_REQUIRE(withContinent.compare(0, name.size(), name) == 0);
        MUV_FUZZ_REQUIRE(again.CountryOfCallsign(call, 1) == withContinent);
        (void)countries.PrimaryPrefixOfCountry(withContinent);
    }
    return 0;
}
