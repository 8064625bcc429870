#include "logbook/country_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <utility>
#include <vector>

#include "platform/program_folders.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// --- the real country file ---

class RealCountryFile : public testing::Test {
protected:
    static void SetUpTestSuite() {
        countries_ = new CountryFile;
        loaded_ = countries_->LoadCountryFile({kSystemCountryFile});
    }
    static void TearDownTestSuite() {
        delete countries_;
        countries_ = nullptr;
    }
    void SetUp() override {
        if (!loaded_) GTEST_SKIP() << kSystemCountryFile << " is not installed (package hamradio-files)";
    }
    static CountryFile* countries_;
    static bool loaded_;
};
CountryFile* RealCountryFile::countries_ = nullptr;
bool RealCountryFile::loaded_ = false;

TEST_F(RealCountryFile, CountriesOfCallsigns) {
    const std::vector<std::pair<std::string, std::string>> table = {
        // ordinary prefixes, in any case
        {"EA4ABC", "Spain (EU)"},
        {"ea4abc", "Spain (EU)"},
        {"DL1ABC", "Fed. Rep. of Germany (EU)"},
        {"9M2ABC", "West Malaysia (AS)"},
        // portable: a prefix before the "/" decides, a suffix after it does not
        {"EA8/DL1ABC", "Canary Islands (AF)"},
        {"DL1ABC/P", "Fed. Rep. of Germany (EU)"},
        {"EA8/DL1ABC/P", "Canary Islands (AF)"},
        {"F/EA4ABC", "France (EU)"},
        // the longest prefix wins, wherever its entry stands in the file
        {"KH6ABC", "Hawaii (OC)"},
        {"UA2ABC", "Kaliningrad (EU)"},
        {"UA1ABC", "European Russia (EU)"},
        {"UA9ABC", "Asiatic Russia (AS)"},
        // the first item of a continuation line counts like any other
        {"RM2KAA", "Kaliningrad (EU)"},
        // whole callsigns win over prefixes, also with a "/" or overrides
        {"9M4SDX", "Spratly Islands (AS)"},
        {"3D2AG/P", "Rotuma Island (OC)"},
        {"3D2AG", "Fiji (OC)"},
        {"3A/4Z5KJ/LH", "Monaco (EU)"},
        {"E51WL", "North Cook Islands (OC)"},            // =E51WL[63]
        {"HK3JJH/0A", "San Andres & Providencia (NA)"},  // =HK3JJH/0A(8)
        {"HK3ABC", "Colombia (SA)"},
        // of two entries with the same whole call, the later in the file (Austria after Vienna Intl Ctr)
        {"4U1VIC", "Austria (EU)"},
        // WAE-only entities are countries of their own
        {"IT9ABC", "Sicily (EU)"},
        {"IG9ABC", "African Italy (AF)"},
        {"I1ABC", "Italy (EU)"},
        // built-in entries
        {"LU1ABC", "Argentina (SA)"},
        {"W1AW", "United States (NA)"},
        {"4U1WB", "United States (NA)"},
        {"PY2ABC", "Brazil (SA)"},
        {"VE3ABC", "Canada (NA)"},
        {"BY1AA", "China (AS)"},
        // with every prefix and whole callsign the file gives those countries
        {"VO1ABC", "Canada (NA)"},
        {"VY2ABC", "Canada (NA)"},
        {"CZ1ABC", "Canada (NA)"},
        {"XK0ABC", "Canada (NA)"},
        {"KG4DFX", "United States (NA)"},  // not Guantanamo Bay, whose prefix it begins with
        {"KG4ABC", "Guantanamo Bay (NA)"},
        // unknown, too short, or no prefix before the "/"
        {"Q1ABC", ""},
        {"0ABC", ""},
        {"EA4", ""},
        {"/EA4ABC", ""},
        {"", ""},
    };
    for (const auto& [call, country] : table) {
        EXPECT_EQ(countries_->CountryOfCallsign(call, 1), country) << call;
        const std::string name = country.empty() ? "" : country.substr(0, country.size() - 5);
        EXPECT_EQ(countries_->CountryOfCallsign(call, 0), name) << call;
    }
}

TEST_F(RealCountryFile, PrimaryPrefixes) {
    EXPECT_EQ(countries_->PrimaryPrefixOfCountry("Spain"), "EA");
    EXPECT_EQ(countries_->PrimaryPrefixOfCountry("SPAIN"), "EA");
    EXPECT_EQ(countries_->PrimaryPrefixOfCountry("Spain (EU)"), "EA");  // as CountryOfCallsign gives it
    // A whole name only: not "Equatorial Guinea" nor "Guinea-Bissau" for "Guinea".
    EXPECT_EQ(countries_->PrimaryPrefixOfCountry("Guinea"), "3X");
    EXPECT_EQ(countries_->PrimaryPrefixOfCountry("Equatorial Guinea"), "3C");
    EXPECT_EQ(countries_->PrimaryPrefixOfCountry("Sicily"), "IT9");  // without the WAE mark
    EXPECT_EQ(countries_->PrimaryPrefixOfCountry("Rotuma Island"), "3D2/r");
    EXPECT_EQ(countries_->PrimaryPrefixOfCountry("United States"), "K");
    EXPECT_EQ(countries_->PrimaryPrefixOfCountry("United States of America"), "");  // replaced
    EXPECT_EQ(countries_->PrimaryPrefixOfCountry("Asiatic Russia"), "UA9");
    EXPECT_EQ(countries_->PrimaryPrefixOfCountry("Atlantis"), "");
    EXPECT_EQ(countries_->PrimaryPrefixOfCountry(""), "");
    EXPECT_EQ(countries_->PrimaryPrefixOfCountry("Spain (EU"), "");
    // The chain the web spots use.
    EXPECT_EQ(countries_->PrimaryPrefixOfCountry(countries_->CountryOfCallsign("EA8/DL1ABC", 1)), "EA8");
}

TEST_F(RealCountryFile, KnowsTheCountriesOfPlausibleCallsigns) {
    const CountryKnown known = CountryKnownBy(*countries_);
    EXPECT_EQ(IsPlausibleCallsign("EA8/DL1ABC", known), "EA8/DL1ABC");
    EXPECT_EQ(IsPlausibleCallsign("ea4abc", known), "ea4abc");
    EXPECT_EQ(IsPlausibleCallsign("Q1ABC", known), "");
    EXPECT_EQ(CallsignAfterDe("CQ DE 1Q0ABC K", known), "");
    EXPECT_EQ(CallsignAfterDe("CQ CQ DE VO1ABC VO1ABC K", known), "VO1ABC");
}

// --- the built-in entries, on a small file of our own ---

TEST(CountryFileBuiltIns, JoinTheFileEntriesOrComeFirst) {
    CountryFile countries;
    ASSERT_TRUE(
        countries.LoadCountryText("Canada:   05:  09:  NA:  45.00:  80.00:  4.0:  VE:\n    VE,VO1,VY2;\n"
                                  "Antarctica:  13:  74:  SA:  -90.00:  0.00:  0.0:  CE9:\n    =KC4AAA,CE9;\n"
                                  "Land Nowhere:  13:  74:  SA:  -90.00:  0.00:  0.0:  XX9:\n    LU9,K4;\n"));
    EXPECT_EQ(countries.CountryCount(), 9u);  // one entry of the file and the eight built-in ones
    // Canada's built-in prefixes and the file's.
    EXPECT_EQ(countries.CountryOfCallsign("VA3ABC", 1), "Canada (NA)");
    EXPECT_EQ(countries.CountryOfCallsign("VO1ABC", 1), "Canada (NA)");
    EXPECT_EQ(countries.CountryOfCallsign("KC4AAA", 1), "Antarctica (SA)");
    EXPECT_EQ(countries.CountryOfCallsign("KC4AAB", 1), "United States (NA)");
    EXPECT_EQ(countries.CountryOfCallsign("R1ANA", 1), "Antarctica (SA)");
    EXPECT_EQ(countries.CountryOfCallsign("RI1ANC", 1), "Antarctica (SA)");
    EXPECT_EQ(countries.CountryOfCallsign("R1ABC", 1), "European Russia (EU)");
    // A built-in entry the file lacks is added before the file's entries, which win over it.
    EXPECT_EQ(countries.CountryOfCallsign("LU9ABC", 1), "Land Nowhere (SA)");
    EXPECT_EQ(countries.CountryOfCallsign("K4ABC", 1), "Land Nowhere (SA)");
    EXPECT_EQ(countries.CountryOfCallsign("K1ABC", 1), "United States (NA)");
    EXPECT_EQ(countries.CountryOfCallsign("LU1ABC", 1), "Argentina (SA)");
    EXPECT_EQ(countries.PrimaryPrefixOfCountry("European Russia"), "UA");
}

TEST(CountryFileBuiltIns, AsiaticRussiaHasItsBuiltInPrefixes) {
    CountryFile countries;
    ASSERT_TRUE(countries.LoadCountryText(""));
    EXPECT_EQ(countries.CountryOfCallsign("RJA0ABC", 1), "Asiatic Russia (AS)");
    EXPECT_EQ(countries.CountryOfCallsign("RJ0ABC", 1), "European Russia (EU)");  // RJA0, not RJ0
    EXPECT_EQ(countries.CountryOfCallsign("UI8ABC", 1), "Asiatic Russia (AS)");
    EXPECT_EQ(countries.CountryOfCallsign("UJ8ABC", 1), "European Russia (EU)");
}

// --- a small file of our own: line ends, blanks, overrides, and the matching rules ---

struct TestEntry {
    std::string name, continent, primary;
    std::vector<std::string> items;
};

const std::vector<TestEntry> kEntries = {
    {"Alpha Land", "EU", "AL", {"AL", "AL7(5)[9]", "=AL1XYZ", "=AL2/QQ3", "AL9{AS}", "AL8<1.0/2.0>~3.0~"}},
    {"Beta Islands", "OC", "*AL7B", {"AL7B", "=AL7ABC{NA}", "AL7C(1)"}},
    {"Gamma Republic", "AF", "G", {"G", "GA", "GAB[4]", "AL5"}},
    {"Delta", "SA", "DE", {"DE", "GA", "=GAB1CD"}},  // GA here wins over Gamma's: later in the file
};

// The file text, in one of several layouts: line ends, blanks around items and lines per item.
std::string Compose(const std::vector<TestEntry>& entries, int style) {
    const std::string eol = style % 2 ? "\r\n" : "\n";
    std::string text;
    for (const TestEntry& e : entries) {
        text += e.name + ":   14:   28:  " + e.continent + ":   40.00:   -3.00:   -1.0:  " + e.primary + ":" +
                eol;
        for (size_t i = 0; i < e.items.size(); ++i) {
            if (i == 0 || style >= 2) text += "    ";
            if (style == 3) text += " \t";
            text += e.items[i];
            if (style == 3) text += " ";
            text += i + 1 < e.items.size() ? "," : ";";
            if (style >= 2 || i + 1 == e.items.size()) text += eol;
        }
    }
    return text;
}

// Whether a clean item of kEntries ("AL7(5)[9]", "=AL1XYZ") gives the callsign (in capitals).
bool ItemMatches(const std::string& item, const std::string& call) {
    const bool whole = item[0] == '=';
    const std::string key = item.substr(whole ? 1 : 0, item.find_first_of("([<{~") - (whole ? 1 : 0));
    return whole ? call == key : call.compare(0, key.size(), key) == 0;
}

// The answer the rules give: a whole callsign first, else the longest matching prefix, the later entry
// winning between equals.
std::string Expected(const std::string& callsign) {
    std::string call = callsign;
    for (char& c : call)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (call.size() < 4) return "";
    std::string best;
    size_t bestLength = 0;
    bool whole = false;
    for (const TestEntry& e : kEntries)
        for (const std::string& item : e.items) {
            if (!ItemMatches(item, call)) continue;
            const bool isWhole = item[0] == '=';
            const size_t length = std::min(item.find_first_of("([<{~"), item.size());
            std::string continent = e.continent;
            if (const size_t brace = item.find('{'); brace != std::string::npos)
                continent = item.substr(brace + 1, 2);
            if (whole && !isWhole) continue;
            if (isWhole || length >= bestLength) {
                best = e.name + " (" + continent + ")";
                bestLength = isWhole ? std::string::npos : length;
                whole = whole || isWhole;
            }
        }
    return best;
}

TEST(CountryFileText, EveryLayoutGivesTheSameCountries) {
    const std::vector<std::string> calls = {"AL1ABC",  "AL1XYZ", "al1xyz", "AL2/QQ3", "AL2/QQ",   "AL7ABC",
                                            "AL7BCD",  "AL7CDE", "AL9ABC", "AL8ABC",  "GA1AB",    "GAB1CD",
                                            "GAB2CD",  "G4ABC",  "DE1ABC", "AL5ABC",  "AL/G4ABC", "G4ABC/AL7",
                                            "GB/AL7B", "XX1ABC", "AL7",    "GAB1CD/P"};
    for (int style = 0; style < 4; ++style) {
        CountryFile countries;
        ASSERT_TRUE(countries.LoadCountryText(Compose(kEntries, style)));
        EXPECT_EQ(countries.CountryCount(), kEntries.size() + 8);
        for (const std::string& call : calls) {
            EXPECT_EQ(countries.CountryOfCallsign(call, 1), Expected(call))
                << "style " << style << ": " << call;
        }
        EXPECT_EQ(countries.PrimaryPrefixOfCountry("beta islands"), "AL7B");
        EXPECT_EQ(countries.PrimaryPrefixOfCountry("Alpha"), "");
    }
}

TEST(CountryFileText, ExplicitAnswersOfTheRules) {
    CountryFile countries;
    ASSERT_TRUE(countries.LoadCountryText(Compose(kEntries, 3)));
    EXPECT_EQ(countries.CountryOfCallsign("AL7ABC", 1), "Beta Islands (NA)");    // whole call, {NA}
    EXPECT_EQ(countries.CountryOfCallsign("AL7ABD", 1), "Alpha Land (EU)");      // AL7(5)[9]
    EXPECT_EQ(countries.CountryOfCallsign("AL7BCD", 1), "Beta Islands (OC)");    // longer than AL7
    EXPECT_EQ(countries.CountryOfCallsign("AL9ABC", 1), "Alpha Land (AS)");      // AL9{AS}
    EXPECT_EQ(countries.CountryOfCallsign("AL8ABC", 1), "Alpha Land (EU)");      // <lat/long>, ~offset~
    EXPECT_EQ(countries.CountryOfCallsign("GA1ABC", 1), "Delta (SA)");           // GA in both: Delta later
    EXPECT_EQ(countries.CountryOfCallsign("GAB2CD", 1), "Gamma Republic (AF)");  // GAB[4] is longer
    EXPECT_EQ(countries.CountryOfCallsign("GAB1CD", 0), "Delta");
    EXPECT_EQ(countries.CountryOfCallsign("AL2/QQ3", 0), "Alpha Land");
    EXPECT_EQ(countries.CountryOfCallsign("AL/G4ABC", 0), "Alpha Land");
    EXPECT_EQ(countries.CountryOfCallsign("G4ABC/AL7", 0), "Gamma Republic");
    EXPECT_EQ(countries.CountryOfCallsign("AL7", 1), "");
}

TEST(CountryFileText, BrokenEntriesAreSkipped) {
    CountryFile countries;
    ASSERT_TRUE(countries.LoadCountryText(
        "Some words before the first entry\n"
        "Fine:  14:  28:  EU:  40.00:  -3.00:  -1.0:  FN:\n    FN,(5),=,FN7 X,FN8/;\n"
        "Short:  14:  28:  EU:  FS:\n    FS;\n"
        ":  14:  28:  EU:  40.00:  -3.00:  -1.0:  QN:\n    QN;\n"
        "Unended:  14:  28:  EU:  40.00:  -3.00:  -1.0:  QE:\n    QE,QF"));
    EXPECT_EQ(countries.CountryOfCallsign("FN1ABC", 1), "Fine (EU)");
    EXPECT_EQ(countries.CountryOfCallsign("FN8ABC", 1), "Fine (EU)");
    EXPECT_EQ(countries.CountryOfCallsign("FS1ABC", 1), "");
    EXPECT_EQ(countries.CountryOfCallsign("QN1ABC", 1), "");
    EXPECT_EQ(countries.CountryOfCallsign("QE1ABC", 1), "");
    EXPECT_EQ(countries.CountryCount(), 9u);
}

// --- finding and reading the file ---

class CountryFilePlaces : public testing::Test {
protected:
    test::ScratchFolder scratch_{"muv_country_file"};
    std::string Path(const std::string& name) const { return scratch_.Path(name); }
    const std::string entry_ = "Spain:  14:  37:  EU:  40.32:  3.43:  -1.0:  EA:\r\n    EA;\r\n";
    const std::string otherEntry_ = "Nowhere:  14:  37:  EU:  40.32:  3.43:  -1.0:  EA:\r\n    EA;\r\n";
};

TEST_F(CountryFilePlaces, TheFirstPresentPlaceWins) {
    fs::create_directories(Path("folder/cty.dat"));  // a folder of that name is no file
    WriteFile(Path("first.dat"), entry_);
    WriteFile(Path("second.dat"), otherEntry_);
    CountryFile countries;
    EXPECT_TRUE(countries.LoadCountryFile(
        {Path("missing.dat"), Path("folder/cty.dat"), Path("first.dat"), Path("second.dat")}));
    EXPECT_EQ(countries.CountryOfCallsign("EA4ABC", 1), "Spain (EU)");
}

TEST_F(CountryFilePlaces, WithoutAFileNothingIsKnown) {
    CountryFile countries;
    WriteFile(Path("cty.dat"), entry_);
    ASSERT_TRUE(countries.LoadCountryFile({Path("cty.dat")}));
    EXPECT_FALSE(countries.LoadCountryFile({Path("missing.dat")}));  // a new load forgets the old one
    EXPECT_EQ(countries.CountryCount(), 0u);
    EXPECT_EQ(countries.CountryOfCallsign("EA4ABC", 1), "");
    EXPECT_EQ(countries.CountryOfCallsign("LU1ABC", 1), "");
    EXPECT_EQ(countries.PrimaryPrefixOfCountry("Spain"), "");
    EXPECT_EQ(IsPlausibleCallsign("EA4ABC", CountryKnownBy(countries)), "");
}

TEST_F(CountryFilePlaces, AnOversizedFileIsNotRead) {
    std::string big = entry_;
    big.resize(kMaxCountryFileBytes + 1, ' ');
    WriteFile(Path("cty.dat"), big);
    CountryFile countries;
    EXPECT_FALSE(countries.LoadCountryFile({Path("cty.dat")}));
    EXPECT_EQ(countries.CountryCount(), 0u);
    big.resize(kMaxCountryFileBytes);
    WriteFile(Path("cty.dat"), big);
    EXPECT_TRUE(countries.LoadCountryFile({Path("cty.dat")}));
    EXPECT_EQ(countries.CountryOfCallsign("EA4ABC", 0), "Spain");
}

TEST_F(CountryFilePlaces, TheUsersOwnFileComesFirst) {
    const std::string settings = SettingsFolder();
    ASSERT_FALSE(settings.empty());
    fs::create_directories(settings);
    WriteFile(settings + "/cty.dat", otherEntry_);
    CountryFile countries;
    EXPECT_TRUE(countries.LoadCountryFile());
    fs::remove(settings + "/cty.dat");
    EXPECT_EQ(countries.CountryOfCallsign("EA4ABC", 0), "Nowhere");
}

// --- any text at all ---

std::string RandomText(std::mt19937& rng, size_t maxLength) {
    static const std::string alphabet =
        "::::;;;,,,,,===()[]<>{}~*/\r\n\n     \tAEKLUW0123456789abc.-\x80\xe9\xff";
    std::uniform_int_distribution<size_t> length(0, maxLength);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::string text(length(rng), ' ');
    for (char& c : text)
        c = alphabet[pick(rng)];
    return text;
}

std::string Mutated(std::mt19937& rng, std::string text) {
    std::uniform_int_distribution<int> count(1, 12), kind(0, 4), byte(0, 255);
    for (int n = count(rng); n > 0 && !text.empty(); --n) {
        std::uniform_int_distribution<size_t> at(0, text.size() - 1);
        const size_t p = at(rng);
        switch (kind(rng)) {
            case 0:
                text[p] = static_cast<char>(byte(rng));
                break;
            case 1:
                text.erase(p, std::min<size_t>(text.size() - p, 1 + p % 40));
                break;
            case 2:
                text.insert(p, 1, ":;,=([{<~*/\n"[p % 12]);
                break;
            case 3:
                text.insert(p, text.substr(at(rng), 1 + p % 200));
                break;
            default:
                text.resize(p);
                break;
        }
    }
    return text;
}

void CheckBounded(const std::string& input, std::mt19937& rng) {
    CountryFile countries;
    ASSERT_TRUE(countries.LoadCountryText(input));
    const size_t entries = static_cast<size_t>(std::count(input.begin(), input.end(), ';'));
    ASSERT_GE(countries.CountryCount(), 8u);
    ASSERT_LE(countries.CountryCount(), entries + 8);
    for (int i = 0; i < 20; ++i) {
        const std::string call = RandomText(rng, 12);
        const std::string country = countries.CountryOfCallsign(call, 1);
        ASSERT_LE(country.size(), input.size() + 64);
        countries.PrimaryPrefixOfCountry(country);
        countries.PrimaryPrefixOfCountry(call);
    }
}

TEST(CountryFileFuzz, RandomAndMutatedTextsLoadWithinBounds) {
    std::mt19937 rng(20240501);
    for (int round = 0; round < 3000; ++round)
        CheckBounded(RandomText(rng, 3000), rng);
    const std::string seed = Compose(kEntries, 3);
    for (int round = 0; round < 3000; ++round)
        CheckBounded(Mutated(rng, seed), rng);
}

TEST(CountryFileFuzz, MutatedRealFileLoadsWithinBounds) {
    const std::string real = ReadFile(kSystemCountryFile);
    if (real.empty()) GTEST_SKIP() << kSystemCountryFile << " is not installed (package hamradio-files)";
    std::mt19937 rng(7);
    std::uniform_int_distribution<size_t> at(0, real.size() - 1);
    for (int round = 0; round < 1500; ++round) {
        const size_t start = at(rng);
        CheckBounded(Mutated(rng, real.substr(start, 1 + start % 20000)), rng);
    }
    for (int round = 0; round < 10; ++round)
        CheckBounded(Mutated(rng, real), rng);
}

TEST(CountryFileFuzz, ReadingWritesNothing) {
    test::ScratchFolder scratch("muv_country_file");
    std::mt19937 rng(11);
    const std::string seed = Compose(kEntries, 0);
    for (int round = 0; round < 200; ++round) {
        const std::string text = Mutated(rng, seed);
        WriteFile(scratch.Path("cty.dat"), text);
        CountryFile countries;
        countries.LoadCountryFile({scratch.Path("cty.dat")});
        ASSERT_EQ(ReadFile(scratch.Path("cty.dat")), text);
        ASSERT_EQ(std::distance(fs::directory_iterator(scratch.Folder()), fs::directory_iterator()), 1);
    }
}

}  // namespace
}  // namespace muv
