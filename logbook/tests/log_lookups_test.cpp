#include "logbook/log_lookups.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "common/memory_text_window.h"
#include "logbook/adif_record.h"
#include "logbook/country_file.h"
#include "logbook/logbook.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

constexpr const char* kCountries =
    "Spain:  14:  37:  EU:  40.32:  3.43:  -1.0:  EA:\n    AM,AN,AO,EA,EB,EC,ED,EE,EF,EG,EH;\n"
    "France:  14:  27:  EU:  46.00:  -2.00:  -1.0:  F:\n    F,HW,HX,HY,TH,TM,TO,TP,TQ,TV;\n"
    "Fed. Rep. of Germany:  14:  28:  EU:  51.00:  -10.00:  -1.0:  DL:\n    "
    "DA,DB,DC,DD,DE,DF,DG,DH,DJ,DK,DL,DM;\n"
    "Republic of Korea:  25:  44:  AS:  36.23:  -127.90:  -9.0:  HL:\n    6K,6L,6M,6N,D7,D8,D9,DS,DT,HL;\n"
    "Republic of the Congo:  36:  52:  AF:  -1.00:  -15.00:  -1.0:  TN:\n    TN;\n"
    "Guinea:  35:  46:  AF:  11.00:  10.00:  0.0:  3X:\n    3X;\n"
    "Equatorial Guinea:  36:  47:  AF:  1.70:  -10.33:  -1.0:  3C:\n    3C;\n"
    // A name as a Windows-1252 file would hold it.
    "S\xE3o Tom\xE9 e Pr\xEDncipe:  36:  47:  AF:  0.22:  -6.57:  0.0:  S9:\n    S9;\n";

// One contact as the log file holds it.
std::string Record(const std::string& call, const std::string& band, const std::string& date,
                   const std::string& more = "") {
    std::string r = AdifFieldText("CALL", call);
    if (!band.empty()) r += AdifFieldText("BAND", band);
    if (!date.empty()) r += AdifFieldText("QSO_DATE", date);
    return r + more + "<EOR>\r\n\r\n";
}

struct RecordedTraps : ErrorReporter {
    std::vector<std::pair<int, std::string>> reports;
    void ReportTrappedError(int number, const std::string& context) override {
        reports.emplace_back(number, context);
    }
};

// A receive window that fails on request.
struct FailingWindow : MemoryTextWindow {
    bool failBold = false;
    bool failColour = false;
    void SetSelBold(bool bold) override {
        if (failBold) throw std::runtime_error("window failure");
        MemoryTextWindow::SetSelBold(bold);
    }
    void SetSelColor(ColorRef colour) override {
        if (failColour) throw std::runtime_error("window failure");
        MemoryTextWindow::SetSelColor(colour);
    }
};

// The window's text from `from` on, with every bold run in [brackets].
std::string Marked(const MemoryTextWindow& w, int32_t from = 0) {
    std::string out;
    const std::string text = w.Text();
    bool bold = false;
    for (int32_t i = from; i < w.TextLength(); ++i) {
        if (w.BoldAt(i) != bold) out += bold ? "]" : "[";
        bold = w.BoldAt(i);
        out += text[i];
    }
    return out + (bold ? "]" : "");
}

// The window's text from `from` on, with every red run in {braces}.
std::string Red(const MemoryTextWindow& w, int32_t from = 0) {
    std::string out;
    const std::string text = w.Text();
    bool red = false;
    for (int32_t i = from; i < w.TextLength(); ++i) {
        const bool now = w.ColourAt(i) == kRed;
        if (now != red) out += red ? "}" : "{";
        red = now;
        out += text[i];
    }
    return out + (red ? "}" : "");
}

class Lookups : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(countries.LoadCountryText(kCountries));
        lookups.LinkReceiveWindow({&window, &rxMessageStart, [this] { return modeColour; }, &traps});
    }

    void LoadLog(const std::string& records) { log.LoadText(AdifHeader() + "\r\n" + records); }

    // A received message in the window, as the receiver writes it: its header in the mode's colour, then
    // the text from RxMessageStart on.
    void Receive(const std::string& text) {
        window.SetSelStart(window.TextLength());
        window.SetSelColor(0xFF0000);
        window.SetSelText("\r\nRX16: ");
        window.SetSelColor(kBlack);
        window.SetSelText("12:00 @ 0.0 Hz: ");
        rxMessageStart = window.SelStart();
        window.SetSelText(text);
    }

    CountryFile countries;
    AdifLog log{AdifCountries{
        [this](const std::string& call) { return countries.CountryOfCallsign(call, 0); },
        [this](const std::string& name) { return !countries.PrimaryPrefixOfCountry(name).empty(); }}};
    FailingWindow window;
    int32_t rxMessageStart = 0;
    std::optional<ColorRef> modeColour = 0xFF0000;
    RecordedTraps traps;
    LogLookups lookups{
        log, LookupCountries{
                 [this](const std::string& text) { return CallsignAfterDe(text, CountryKnownBy(countries)); },
                 [this](const std::string& call) { return countries.CountryOfCallsign(call, 0); }}};
};

// --- earlier contacts ---

TEST_F(Lookups, EarlierContactsAreFoundAndMarked) {
    LoadLog(Record("EA4ABC", "20M", "20250101") + Record("dl1xyz", "40M", "20250202") +
            Record("EA4ABC", "15M", "20260303"));
    const std::string text = "CQ DE EA4ABC/P ea4abc Ea4abc DL1XYZ xDL1XYZ K";
    Receive(text);
    window.SetSelStart(3);
    window.SetSelLength(4);

    const PreviousContact found = lookups.ShowPreviousContacts(text, 1);
    EXPECT_EQ(found.Callsign, "EA4ABC");
    EXPECT_EQ(found.Band, "15M");
    EXPECT_EQ(found.Date, "2026/03/03");
    // Whole words in one case only; the header is not touched.
    EXPECT_EQ(Marked(window),
              "\r\nRX16: 12:00 @ 0.0 Hz: CQ DE [EA4ABC]/P [ea4abc] Ea4abc [DL1XYZ] xDL1XYZ K");
    // The operator's selection is where it was.
    EXPECT_EQ(window.SelStart(), 3);
    EXPECT_EQ(window.SelLength(), 4);
    EXPECT_TRUE(traps.reports.empty());
}

TEST_F(Lookups, WithoutMarkingNothingChangesInTheWindow) {
    LoadLog(Record("EA4ABC", "20M", "20250101"));
    Receive("DE EA4ABC");
    const std::string before = window.TextRTF();
    EXPECT_EQ(lookups.ShowPreviousContacts("DE EA4ABC", 0).Band, "20M");
    EXPECT_EQ(window.TextRTF(), before);
    // The contact window asks with a bare callsign.
    EXPECT_EQ(lookups.ShowPreviousContacts("EA4ABC", 0).Date, "2025/01/01");
}

TEST_F(Lookups, TheLatestContactInTheLogWins) {
    LoadLog(Record("EA4ABC", "20M", "20250101") + Record("DL1XYZ", "40M", "20250202"));
    const PreviousContact found = lookups.ShowPreviousContacts("DL1XYZ DE EA4ABC", 0);
    EXPECT_EQ(found.Callsign, "DL1XYZ");
    EXPECT_EQ(found.Band, "40M");
    // A contact with no date gives it empty, even when an earlier one had one.
    LoadLog(Record("EA4ABC", "20M", "20250101") + Record("EA4ABC", "", ""));
    const PreviousContact bare = lookups.ShowPreviousContacts("DE EA4ABC", 0);
    EXPECT_EQ(bare.Callsign, "EA4ABC");
    EXPECT_EQ(bare.Date, "");
}

TEST_F(Lookups, AContactWhoseBandTheLogDoesNotTellIsStillAContact) {
    // FREQ 0 (an empty frequency box), a frequency outside every band, none at all: the band is "?",
    // never empty, so that the station is no new one.
    for (const std::string frequency : {"0", "13.000", ""}) {
        LoadLog(Record("EA4ABC", "", "20250101", frequency.empty() ? "" : AdifFieldText("FREQ", frequency)));
        const PreviousContact found = lookups.ShowPreviousContacts("CQ DE EA4ABC K", 0);
        EXPECT_EQ(found.Callsign, "EA4ABC") << frequency;
        EXPECT_EQ(found.Band, "?") << frequency;
        EXPECT_EQ(found.Date, "2025/01/01") << frequency;
    }
}

TEST_F(Lookups, PortableCallsignsGoByTheirBase) {
    LoadLog(Record("EA4ABC/P", "20M", "20250101") + Record("F/DL1XYZ", "40M", "20250202") +
            Record("EA8/G4ABC/M", "10M", "20250303"));
    EXPECT_EQ(lookups.ShowPreviousContacts("de ea4abc", 0).Callsign, "EA4ABC/P");
    EXPECT_EQ(lookups.ShowPreviousContacts("DE DL1XYZ/QRP", 0).Callsign, "F/DL1XYZ");
    EXPECT_EQ(lookups.ShowPreviousContacts("G4ABC", 0).Callsign, "EA8/G4ABC/M");
}

TEST_F(Lookups, ALoggedCallsignIsNoPartOfALongerOne) {
    LoadLog(Record("EA4A", "20M", "20250101") + Record("EA4ABC-1", "40M", "20250202"));
    Receive("DE EA4ABC 1EA4A EA4A. EA4ABC-1 EA4ABC-12");
    const PreviousContact found = lookups.ShowPreviousContacts("DE EA4ABC 1EA4A EA4A. EA4ABC-1 EA4ABC-12", 1);
    EXPECT_EQ(found.Callsign, "EA4ABC-1");
    EXPECT_EQ(Marked(window, rxMessageStart), "DE EA4ABC 1EA4A [EA4A]. [EA4ABC-1] EA4ABC-12");
    EXPECT_EQ(lookups.ShowPreviousContacts("EA4ABCD", 0).Band, "");
}

TEST_F(Lookups, EmptyAndBrokenCallsignsMatchNothing) {
    LoadLog("<CALL:0>\r\n<BAND:3>20M\r\n<EOR>\r\n" + Record("A/B/C/D", "20M", "20250101") +
            Record("/", "20M", "20250101") + Record("EA4ABC", "30M", "2025"));
    for (const std::string text : {"", " ", "CQ CQ", "A/B/C/D B C", "/"})
        EXPECT_EQ(lookups.ShowPreviousContacts(text, 1).Band, "") << text;
    // A date too short keeps what it has.
    EXPECT_EQ(lookups.ShowPreviousContacts("EA4ABC", 0).Date, "2025//");
    EXPECT_EQ(lookups.CallInLog(""), 0);
    // An empty log finds nothing.
    LoadLog("");
    EXPECT_EQ(lookups.ShowPreviousContacts("EA4ABC", 1).Callsign, "");
}

TEST_F(Lookups, MarksFollowTheWindowsLineEnds) {
    LoadLog(Record("EA4ABC", "20M", "20250101") + Record("DL1XYZ", "40M", "20250202"));
    // A lone LF or CR of the text is a CR LF in the window.
    const std::string text = "CQ\nDE EA4ABC\rK\r\nDL1XYZ";
    Receive(text);
    lookups.ShowPreviousContacts(text, 1);
    EXPECT_EQ(Marked(window, rxMessageStart), "CQ\r\nDE [EA4ABC]\r\nK\r\n[DL1XYZ]");
    // Where the window no longer holds the message, nothing is marked, but the contact is found.
    window.SetText("CQ CQ");
    rxMessageStart = 0;
    EXPECT_EQ(lookups.ShowPreviousContacts(text, 1).Callsign, "DL1XYZ");
    EXPECT_EQ(Marked(window), "CQ CQ");
}

TEST_F(Lookups, LookupsFollowTheLog) {
    LoadLog(Record("EA4ABC", "20M", "20250101"));
    EXPECT_EQ(lookups.CallInLog("EA4ABC"), 1);
    // Another log replaces the first.
    LoadLog(Record("DL1XYZ", "40M", "20250202"));
    EXPECT_EQ(lookups.CallInLog("EA4ABC"), 0);
    EXPECT_EQ(lookups.ShowPreviousContacts("EA4ABC DL1XYZ", 0).Callsign, "DL1XYZ");
    EXPECT_EQ(lookups.CountryInLog("Spain"), 0);
    EXPECT_EQ(lookups.CountryInLog("Fed. Rep. of Germany"), 1);
}

TEST_F(Lookups, FiftyThousandContacts) {
    std::string records;
    std::vector<std::string> calls;
    for (int i = 0; i < 50000; ++i) {
        const std::string call = "EA" + std::to_string(i % 10) + std::string(1, char('A' + i / 10 % 26)) +
                                 std::string(1, char('A' + i / 260 % 26)) +
                                 std::string(1, char('A' + i / 6760));
        calls.push_back(call);
        records += Record(call, i % 2 ? "20M" : "40M", "2025" + std::string(i % 2 ? "0102" : "0304"));
    }
    LoadLog(records);
    EXPECT_EQ(lookups.CallInLog(calls[0]), 1);
    EXPECT_EQ(lookups.CallInLog(calls[49999]), 1);
    EXPECT_EQ(lookups.CallInLog("EA9ZZZ"), 0);
    const std::string text = "CQ " + calls[7] + " DE " + calls[49998] + " " + calls[123] + " K";
    Receive(text);
    const PreviousContact found = lookups.ShowPreviousContacts(text, 1);
    EXPECT_EQ(found.Callsign, calls[49998]);
    EXPECT_EQ(found.Band, "40M");
    EXPECT_EQ(found.Date, "2025/03/04");
    EXPECT_EQ(Marked(window, rxMessageStart),
              "CQ [" + calls[7] + "] DE [" + calls[49998] + "] [" + calls[123] + "] K");
    EXPECT_EQ(lookups.CountryInLog("Spain"), 1);
}

// --- new countries ---

TEST_F(Lookups, ANewCountryIsColouredRed) {
    LoadLog(Record("DL1XYZ", "40M", "20250202"));
    const std::string text = "XEA4ABC de ea4abc. K";
    Receive(text);
    EXPECT_EQ(lookups.HighlightNewCountry(text), 1);
    // The callsign where it was read, not the first place its letters stand.
    EXPECT_EQ(Red(window, rxMessageStart), "XEA4ABC de {ea4abc}. K");
    // Germany is in the log.
    Receive("CQ DE DL2ABC K");
    EXPECT_EQ(lookups.HighlightNewCountry("CQ DE DL2ABC K"), 0);
    EXPECT_EQ(Red(window, rxMessageStart), "CQ DE DL2ABC K");
}

TEST_F(Lookups, NoSenderOrNoCountryIsNothingNew) {
    LoadLog("");
    EXPECT_EQ(lookups.HighlightNewCountry(""), 0);
    EXPECT_EQ(lookups.HighlightNewCountry("CQ CQ EA4ABC"), 0);    // no "DE "
    EXPECT_EQ(lookups.HighlightNewCountry("CQ DE XX9ABC K"), 0);  // no country
    EXPECT_EQ(lookups.HighlightNewCountry("CQ DE EA4"), 0);       // no callsign
    // An empty log knows no country: every sender's country is new.
    EXPECT_EQ(lookups.HighlightNewCountry("CQ DE EA4ABC"), 1);
    // With no country look-ups at all nothing is new.
    LogLookups bare(log, {});
    EXPECT_EQ(bare.HighlightNewCountry("CQ DE EA4ABC"), 0);
}

TEST_F(Lookups, CountriesCompareByTheirWholeNames) {
    EXPECT_EQ(lookups.CountryInLog("Spain"), 0);  // nothing loaded
    LoadLog(Record("HL1ABC", "20M", "20250101") + Record("3C1ABC", "20M", "20250101") +
            Record("F5ABC", "20M", "20250101",
                   AdifFieldText("NOTES", "SPAIN NEXT YEAR") + AdifFieldText("MY_COUNTRY", "Spain")));
    EXPECT_EQ(lookups.CountryInLog("Republic of Korea"), 1);
    EXPECT_EQ(lookups.CountryInLog("france"), 1);
    EXPECT_EQ(lookups.CountryInLog("France (EU)"), 1);  // as CountryOfCallsign gives it with the continent
    // Only contacts' countries count, and whole names: not notes, not the operator's own country, not a
    // name that another name ends with.
    EXPECT_EQ(lookups.CountryInLog("Spain"), 0);
    EXPECT_EQ(lookups.CountryInLog("Guinea"), 0);
    EXPECT_EQ(lookups.CountryInLog("Equatorial Guinea"), 1);
    EXPECT_EQ(lookups.CountryInLog(""), 0);
    // Capitals in every script.
    LoadLog(Record("S92ABC", "20M", "20250101"));
    EXPECT_EQ(lookups.CountryInLog("são tomé e príncipe"), 1);
    EXPECT_EQ(lookups.CountryInLog("SÃO TOMÉ"), 0);
}

// Names that begin alike, on the real country file: each is a country of its own, and a COUNTRY written
// cut short still counts for the country of its callsign.
TEST(LogbookLookups, CountriesThatBeginAlikeAreNewCountries) {
    test::ScratchFolder folder("muv_logbook");
    const std::string path = folder.Path("log.adi");
    Logbook book;
    if (!book.LoadCountryFile()) GTEST_SKIP() << "no country file installed (package hamradio-files)";
    MemoryTextWindow window;
    int32_t start = 0;
    book.LinkReceiveWindow({&window, &start, {}, nullptr});
    ASSERT_EQ(book.AppendAdifRecord(path, "").result, 1);
    // South Sudan's COUNTRY cut to its first nine characters.
    const std::string records = Record("HL1ABC", "20M", "20261208") + Record("UA3ABC", "20M", "20261208") +
                                Record("Z81ABC", "20M", "20261208", AdifFieldText("COUNTRY", "REPUBLIC "));
    ASSERT_EQ(book.AppendAdifRecord(path, records).result, 1);
    ASSERT_TRUE(book.LoadLogBook(path).loaded);
    for (const char* sender : {"TN2ABC", "Z60ABC", "TA1ABC"}) {
        const std::string text = std::string("CQ DE ") + sender + " K";
        window.SetText(text);
        EXPECT_EQ(book.HighlightNewCountry(text), 1) << sender;
        EXPECT_EQ(book.CountryInLog(book.Countries().CountryOfCallsign(sender, 0)), 0) << sender;
    }
    EXPECT_EQ(book.CountryInLog("Republic of Korea"), 1);
    EXPECT_EQ(book.CountryInLog("European Russia"), 1);
    EXPECT_EQ(book.CountryInLog("Republic of South Sudan"), 1);
}

// --- callsigns in the log ---

TEST_F(Lookups, CallsignsInTheLog) {
    LoadLog(Record("EA4ABC", "20M", "20250101") + Record("G4XYZ/P", "20M", "20250101") +
            Record("F5ABC", "20M", "20250101", AdifFieldText("NAME", "DL1XYZ") + AdifFieldText("NOTES", "")));
    EXPECT_EQ(lookups.CallInLog("EA4ABC"), 1);
    EXPECT_EQ(lookups.CallInLog("ea4abc"), 1);
    EXPECT_EQ(lookups.CallInLog("G4XYZ/P"), 1);
    EXPECT_EQ(lookups.CallInLog("G4XYZ"), 1);  // the same station
    EXPECT_EQ(lookups.CallInLog("EA4AB"), 0);
    EXPECT_EQ(lookups.CallInLog("EA4ABCD"), 0);
    EXPECT_EQ(lookups.CallInLog("DL1XYZ"), 0);  // a name, not a callsign
    EXPECT_EQ(lookups.CallInLog(""), 0);        // though the log has an empty field
}

// --- a callsign just logged ---

TEST_F(Lookups, ALoggedCallsignIsMarkedEverywhere) {
    window.SetText("CQ DE EA4ABC EA4ABCD ea4abc/p\r\nEA4ABC");
    window.SetSelStart(6);
    window.SetSelLength(6);
    window.SetSelColor(kRed);  // the new-country colour
    window.SetSelStart(1);
    window.SetSelLength(2);
    lookups.MarkLoggedCall("ea4abc");
    EXPECT_EQ(Marked(window), "CQ DE [EA4ABC] EA4ABCD [ea4abc]/p\r\n[EA4ABC]");
    EXPECT_EQ(window.ColourAt(6), 0xFF0000);  // back in the mode's colour
    EXPECT_EQ(window.ColourAt(13), kBlack);
    EXPECT_EQ(window.SelStart(), 1);
    EXPECT_EQ(window.SelLength(), 2);

    // Without a receive mode the red stays.
    window.SetText("DE EA4ABC");
    window.SetSelStart(3);
    window.SetSelLength(6);
    window.SetSelColor(kRed);
    modeColour.reset();
    lookups.MarkLoggedCall("EA4ABC");
    EXPECT_EQ(Marked(window), "DE [EA4ABC]");
    EXPECT_EQ(window.ColourAt(3), kRed);

    // An empty callsign marks nothing.
    const std::string before = window.TextRTF();
    lookups.MarkLoggedCall("");
    EXPECT_EQ(window.TextRTF(), before);
}

// --- the S/N bar ---

TEST_F(Lookups, SnBar) {
    EXPECT_EQ(lookups.SnBar("-29"), "_-29dB");
    EXPECT_EQ(lookups.SnBar("-20"), "|||||||||_-20dB");
    EXPECT_EQ(lookups.SnBar("-35"), "_-35dB");
    EXPECT_EQ(lookups.SnBar("+3"), std::string(32, '|') + "_+3dB");
    EXPECT_EQ(lookups.SnBar("-28.5"), "_-28.5dB");  // half to even
    EXPECT_EQ(lookups.SnBar("-27.5"), "||_-27.5dB");
    EXPECT_EQ(lookups.SnBar(""), std::string(29, '|') + "_dB");
    EXPECT_TRUE(traps.reports.empty());
}

// --- faults ---

TEST_F(Lookups, FaultsAreTrappedWithTheirNumbers) {
    LoadLog(Record("EA4ABC", "20M", "20250101"));
    Receive("DE EA4ABC");

    window.failBold = true;
    EXPECT_EQ(lookups.ShowPreviousContacts("DE EA4ABC", 1).Callsign, "");
    window.failBold = false;
    Receive("CQ DE DL1XYZ");
    window.failColour = true;
    EXPECT_EQ(lookups.HighlightNewCountry("CQ DE DL1XYZ"), 0);
    window.failColour = false;
    EXPECT_EQ(lookups.SnBar("1E9"), "");
    EXPECT_EQ(traps.reports,
              (std::vector<std::pair<int, std::string>>{{5, "DE EA4ABC"}, {4, "CQ DE DL1XYZ"}, {15, "1E9"}}));

    // A fault in the country look-up is the same trap.
    LogLookups failing(
        log, LookupCountries{[](const std::string&) -> std::string { throw std::runtime_error("x"); },
                             [](const std::string&) { return std::string(); }});
    failing.LinkReceiveWindow({nullptr, nullptr, {}, &traps});
    EXPECT_EQ(failing.HighlightNewCountry("CQ"), 0);
    EXPECT_EQ(traps.reports.back(), (std::pair<int, std::string>{4, "CQ"}));
}

// --- against a plain search of every logged callsign, on random logs and texts ---

TEST(LookupsFuzz, AgreeWithAPlainSearchOfEveryRecord) {
    std::mt19937 rng(7);
    const std::string alphabet = "EA4BCDL1XYZ/ -.\r\nea4bcdl";
    const auto pick = [&](const std::string& from, int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += from[rng() % from.size()];
        return s;
    };
    const auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
    for (int round = 0; round < 300; ++round) {
        struct Contact {
            std::string call, band, date;
        };
        std::vector<Contact> contacts;
        std::string records;
        const int n = 1 + static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i) {
            Contact c{pick("EA4BCDL1/-", 1 + static_cast<int>(rng() % 7)), std::to_string(i) + "M",
                      "2025" + std::to_string(1000 + i)};
            contacts.push_back(c);
            records += Record(c.call, c.band, c.date);
        }
        AdifLog log;
        log.LoadText(records);
        MemoryTextWindow window;
        window.SetText("> ");
        const int32_t start = window.TextLength();
        const std::string text = pick(alphabet, static_cast<int>(rng() % 60));
        window.SetSelStart(start);
        window.SetSelText(text);
        LogLookups lookups(log, {});
        lookups.LinkReceiveWindow({&window, &start, {}, nullptr});
        const PreviousContact found = lookups.ShowPreviousContacts(text, 1);

        // The plain search: every record's base callsign, every whole-word occurrence in one case.
        const std::string upper = UpperCaseCp1252(text);
        std::set<std::pair<size_t, size_t>> expectedMarks;
        const Contact* expected = nullptr;
        for (const Contact& c : contacts) {
            const std::string base = BaseCallsign(c.call);
            if (base.empty()) continue;
            for (size_t p = upper.find(base); p != std::string::npos; p = upper.find(base, p + 1)) {
                const size_t e = p + base.size();
                if (word(base.front()) && p > 0 && word(upper[p - 1])) continue;
                if (word(base.back()) && e < upper.size() && word(upper[e])) continue;
                const std::string seen = text.substr(p, base.size());
                const bool upperSeen =
                    std::any_of(seen.begin(), seen.end(), [](char ch) { return ch >= 'A' && ch <= 'Z'; });
                const bool lowerSeen =
                    std::any_of(seen.begin(), seen.end(), [](char ch) { return ch >= 'a' && ch <= 'z'; });
                if (upperSeen && lowerSeen) continue;
                expected = &c;
                expectedMarks.insert({p, base.size()});
            }
        }
        ASSERT_EQ(found.Callsign, expected ? UpperCaseCp1252(expected->call) : "") << text;
        ASSERT_EQ(found.Band, expected ? expected->band : "");
        // Every marked character belongs to an occurrence; each occurrence is marked whole. (The window
        // counts a lone CR or LF of the text as two characters.)
        std::string windowText = window.Text().substr(start);
        std::vector<bool> wanted(text.size(), false);
        for (const auto& [p, len] : expectedMarks)
            for (size_t i = p; i < p + len; ++i)
                wanted[i] = true;
        size_t w = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            ASSERT_EQ(window.BoldAt(static_cast<int32_t>(start + w)), wanted[i]) << text << " at " << i;
            const bool pair = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
            if (pair) {
                w += 2;
                ++i;
            } else {
                w += (text[i] == '\r' || text[i] == '\n') ? 2 : 1;
            }
        }
        ASSERT_EQ(w, windowText.size());
    }
}

TEST(LookupsFuzz, EveryLoggedCallsignIsFoundInAnyLog) {
    std::mt19937 rng(11);
    const std::string pieces[] = {"<CALL:6>EA4ABC",
                                  "<call:5>g4xyz",
                                  "<CALL:0>",
                                  "<CALL:3:S>K1A",
                                  "<EOR>",
                                  "<EOH>",
                                  "<COUNTRY:5>SPAIN",
                                  "<BAND:3>20M",
                                  "\r\n",
                                  " ",
                                  "<",
                                  ">",
                                  ":",
                                  "<CALL:8>EA4A\r\nBC",
                                  "<QSO_DATE:8>20250101",
                                  "<NOTES:4><3 >",
                                  "x"};
    for (int round = 0; round < 500; ++round) {
        std::string text;
        const int n = static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i)
            text += pieces[rng() % std::size(pieces)];
        AdifLog log;
        log.LoadText(text);
        LogLookups lookups(log, {});
        for (size_t r = 0; r < log.RecordCount(); ++r) {
            std::string call = UpperCaseCp1252(log.FieldValue(r, "CALL"));
            for (char& c : call)
                if (c == '\r' || c == '\n' || c == '<' || c == '>') c = ' ';
            call = call.substr(0, call.find_first_of(" \t"));
            if (!call.empty()) {
                ASSERT_EQ(lookups.CallInLog(call), 1) << text;
            }
        }
        // Whatever the log, the look-ups end.
        lookups.ShowPreviousContacts(text, 0);
        lookups.CountryInLog("SPAIN");
    }
}

// --- through the logbook, on a log file ---

TEST(LogbookLookups, AContactLoggedIsFoundAtOnce) {
    test::ScratchFolder folder("muv_logbook");
    const std::string path = folder.Path("log.adi");
    Logbook book;
    if (!book.LoadCountryFile()) GTEST_SKIP() << "no country file installed (package hamradio-files)";
    MemoryTextWindow window;
    int32_t start = 0;
    RecordedTraps traps;
    book.LinkReceiveWindow({&window, &start, [] { return std::optional<ColorRef>(0xFF0000); }, &traps});

    ASSERT_EQ(book.AppendAdifRecord(path, "").result, 1);
    ASSERT_TRUE(book.LoadLogBook(path).loaded);
    EXPECT_EQ(book.CallInLog("EA4ABC"), 0);
    window.SetText("CQ DE EA4ABC K");
    EXPECT_EQ(book.HighlightNewCountry("CQ DE EA4ABC K"), 1);

    ASSERT_EQ(book.AppendAdifRecord(path, Record("EA4ABC", "20M", "20261208")).result, 1);
    EXPECT_EQ(book.CallInLog("EA4ABC"), 1);
    const PreviousContact found = book.ShowPreviousContacts("CQ DE EA4ABC K", 1);
    EXPECT_EQ(found.Date, "2026/12/08");
    EXPECT_EQ(found.Band, "20M");
    EXPECT_EQ(Marked(window), "CQ DE [EA4ABC] K");
    EXPECT_EQ(book.CountryInLog("Spain"), 1);
    EXPECT_EQ(book.HighlightNewCountry("CQ DE EA1XYZ K"), 0);
    book.MarkLoggedCall("EA4ABC");
    EXPECT_EQ(window.ColourAt(6), 0xFF0000);

    // Loaded again from the file, the log says the same.
    ASSERT_TRUE(book.LoadLogBook(path).loaded);
    EXPECT_EQ(book.ShowPreviousContacts("EA4ABC", 0).Band, "20M");
    EXPECT_EQ(book.SnBar("-20"), "|||||||||_-20dB");
    EXPECT_TRUE(traps.reports.empty());
}

}  // namespace
}  // namespace muv
