// The cluster's received text: cut into lines whatever the reads hold, and each line read by its
// columns and marks without ever reading past its end.
#include <gtest/gtest.h>

#include <random>

#include "common/cp1252.h"
#include "online/cluster_lines.h"
#include "online/tests/cluster_test_lines.h"

namespace muv {
namespace {

using test::DxSpotLine;
using namespace std::string_literals;

TEST(ClusterLineSplitterTest, LinesKeepTheirEndsWhateverTheReadsHold) {
    ClusterLineSplitter s;
    // Two lines in one read, the second followed by the start of a third.
    std::vector<std::string> lines = s.Feed("first\r\nsecond\a\a\r\nthi");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "first\r\n");
    EXPECT_EQ(lines[1], "second\a\a\r\n");
    EXPECT_EQ(s.PendingSize(), 3u);
    // The third completed over two more reads, its CR and LF apart.
    EXPECT_TRUE(s.Feed("rd\r").empty());
    lines = s.Feed("\nlast\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "third\r\n");
    EXPECT_EQ(lines[1], "last\n");
    EXPECT_EQ(s.PendingSize(), 0u);
    // Clearing forgets a partial line.
    s.Feed("half");
    s.Clear();
    lines = s.Feed("new\r\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "new\r\n");
}

TEST(ClusterLineSplitterTest, ALineBeyondTheCapIsHandedOnInPieces) {
    ClusterLineSplitter s;
    const size_t cap = ClusterLineSplitter::kMaxLineBytes;
    // Exactly the cap with its line feed is one line.
    std::vector<std::string> lines = s.Feed(std::string(cap - 1, 'a') + "\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), cap);
    // A peer that never sends a line feed: the buffer never holds more than the cap.
    std::string handed;
    for (int i = 0; i < 100; ++i) {
        for (const std::string& line : s.Feed(std::string(1000, 'b'))) {
            EXPECT_EQ(line.size(), cap);
            handed += line;
        }
        EXPECT_LT(s.PendingSize(), cap);
    }
    lines = s.Feed("\r\n");
    ASSERT_EQ(lines.size(), 1u);
    handed += lines[0];
    EXPECT_EQ(handed, std::string(100000, 'b') + "\r\n");  // nothing lost, nothing doubled
}

TEST(ParseClusterLineTest, ASpotOfTheOwnStationIsReadByColumns) {
    const std::string line = DxSpotLine("DL1ABC", "14070.0", "EA4XYZ/P", "MUV16 loud and clear", "1234");
    const auto spot = ParseClusterLine(line, "EA4XYZ", 9, 5);
    ASSERT_TRUE(spot);
    EXPECT_EQ(spot->kind, 1);
    EXPECT_EQ(spot->sender, "DL1ABC");
    EXPECT_EQ(spot->addressee, "");
    EXPECT_EQ(spot->frequency, "14070.0");
    EXPECT_EQ(spot->text, "MUV16 loud and clear          ");  // 30 characters from column 40
    EXPECT_EQ(spot->time, "1234");                            // the cluster's time, not the clock's

    // Another station's spot, and any spot for an operator without a callsign, show nothing.
    EXPECT_FALSE(ParseClusterLine(DxSpotLine("DL1ABC", "14070.0", "EA4XYZA", "x", "1234"), "EA4XYZ", 9, 5));
    EXPECT_FALSE(ParseClusterLine(line, "", 9, 5));
    EXPECT_FALSE(ParseClusterLine(DxSpotLine("DL1ABC", "14070.0", "", "x", "1234"), "", 9, 5));
    // A 10 GHz frequency shifts the columns of the call but not of comment and time.
    const auto far =
        ParseClusterLine(DxSpotLine("G4AAA", "10368100.0", "EA4XYZ", "eme", "2359"), "EA4XYZ", 0, 0);
    ASSERT_TRUE(far);
    EXPECT_EQ(far->frequency, "10368100.0");
    EXPECT_EQ(far->time, "2359");
}

TEST(ParseClusterLineTest, BadSpotLinesAreDropped) {
    const std::string good = DxSpotLine("DL1ABC", "14070.0", "EA4XYZ", "hi", "1234");
    ASSERT_TRUE(ParseClusterLine(good, "EA4XYZ", 0, 0));
    // Shorter than the time's columns (with or without its line end).
    EXPECT_FALSE(ParseClusterLine(good.substr(0, 73), "EA4XYZ", 0, 0));
    EXPECT_FALSE(ParseClusterLine(good.substr(0, 73) + "\r\n", "EA4XYZ", 0, 0));
    EXPECT_TRUE(ParseClusterLine(good.substr(0, 74), "EA4XYZ", 0, 0));
    // No ":" after the spotter, no "." in the frequency, a "." only inside the spotter's name.
    std::string noColon = good;
    noColon[12] = ' ';
    EXPECT_FALSE(ParseClusterLine(noColon, "EA4XYZ", 0, 0));
    EXPECT_FALSE(ParseClusterLine(DxSpotLine("DL1ABC", "140700", "EA4XYZ", "hi", "1234"), "EA4XYZ", 0, 0));
    EXPECT_FALSE(ParseClusterLine(DxSpotLine("DL.ABC", "140700", "EA4XYZ", "hi", "1234"), "EA4XYZ", 0, 0));
    // No blank after the spotted callsign.
    EXPECT_FALSE(ParseClusterLine("DX de DL1ABC: 14070.0  " + std::string(60, 'X'), "EA4XYZ", 0, 0));
    // Other text.
    EXPECT_FALSE(ParseClusterLine("dx de " + good.substr(6), "EA4XYZ", 0, 0));
    EXPECT_FALSE(ParseClusterLine("login: ", "EA4XYZ", 0, 0));
    EXPECT_FALSE(ParseClusterLine("", "EA4XYZ", 0, 0));
}

TEST(ParseClusterLineTest, ChatLinesToAllSpotsAndPersonalMessages) {
    const auto all = ParseClusterLine("MUV de EA4XYZ: 14070.0#ALL#hello all\a\a\r\n", "G4AAA", 7, 3);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->kind, 3);
    EXPECT_EQ(all->sender, "EA4XYZ");
    EXPECT_EQ(all->addressee, "ALL");
    EXPECT_EQ(all->frequency, "14070.0");
    EXPECT_EQ(all->text, "hello all");
    EXPECT_EQ(all->time, "0703");  // chat lines take the clock's hour and minute

    const auto spot =
        ParseClusterLine("MUV de EA4XYZ: 7040.0#DL1ABC##MUV16 +3 dB in Madrid\a\a\r\n", "G4AAA", 23, 59);
    ASSERT_TRUE(spot);
    EXPECT_EQ(spot->kind, 3);
    EXPECT_EQ(spot->addressee, "DL1ABC");
    EXPECT_EQ(spot->frequency, "7040.0");
    EXPECT_EQ(spot->text, "MUV16 +3 dB in Madrid");
    EXPECT_EQ(spot->time, "2359");

    const auto personal =
        ParseClusterLine("MUV de EA4XYZ: 14070.0#g4aaa#are you there?\a\a\r\n", "G4AAA", 0, 0);
    ASSERT_TRUE(personal);
    EXPECT_EQ(personal->kind, 2);
    EXPECT_EQ(personal->addressee, "");
    EXPECT_EQ(personal->text, "are you there?");
    // The same message for someone else, or with an operator who has no callsign.
    EXPECT_FALSE(ParseClusterLine("MUV de EA4XYZ: 14070.0#G4AAB#are you there?\a\a\r\n", "G4AAA", 0, 0));
    EXPECT_FALSE(ParseClusterLine("MUV de EA4XYZ: 14070.0#G4AAA#are you there?\a\a\r\n", "", 0, 0));
    // "##" before the rest's 5th character does not make a spot; "ALL" needs its "#".
    EXPECT_FALSE(ParseClusterLine("MUV de EA4XYZ: 14070.0#K1##x\a\a\r\n", "G4AAA", 0, 0));
    EXPECT_FALSE(ParseClusterLine("MUV de EA4XYZ: 14070.0#ALLhello\a\a\r\n", "G4AAA", 0, 0));
    // Too short for the trailing characters, no "#", "#" before ":", no ":".
    EXPECT_FALSE(ParseClusterLine("MUV de EA4XYZ: 1#AL", "G4AAA", 0, 0));
    EXPECT_FALSE(ParseClusterLine("MUV de EA4XYZ: 14070.0 ALL hello\r\n", "G4AAA", 0, 0));
    EXPECT_FALSE(ParseClusterLine("MUV de EA#XYZ: 14070.0#ALL#hello\a\a\r\n", "G4AAA", 0, 0));
    EXPECT_FALSE(ParseClusterLine("MUV de EA4XYZ 14070.0#ALL#hello\a\a\r\n", "G4AAA", 0, 0));
    // The rest may be empty: "ALL#" itself is then missing.
    EXPECT_FALSE(ParseClusterLine("MUV de EA4XYZ: 14070.0#\a\a\r\n", "G4AAA", 0, 0));
}

// Whether the text is valid UTF-8 (what DecodeText gives back unchanged).
bool IsUtf8(const std::string& text) {
    return DecodeText(text) == text;
}

// Random and mutated text through the splitter and the reader: no crash, nothing read beyond a line, the
// buffer bounded, every byte handed on exactly once, and every field valid UTF-8 whatever the bytes (a
// multi-byte character cut, a stray byte, Windows-1252 beside UTF-8).
TEST(ClusterLinesFuzzTest, RandomAndMutatedTextIsCutAndReadSafely) {
    std::mt19937 rng(20240611);
    const std::vector<std::string> seeds = {
        DxSpotLine("DL1ABC", "14070.0", "EA4XYZ/P", "MUV16 loud and clear", "1234"),
        DxSpotLine("UA3AAA", "14070.0", "EA4XYZ", "Привет из Москвы", "1234"),
        "MUV de EA4XYZ: 14070.0#ALL#hello\a\a\r\n",
        "MUV de UA3AAA: 14070.0#ALL#Привет, ő €\a\a\r\n",
        "MUV de EA1AAA: 14070.0#EA4XYZ#Jos\xE9 \x80\a\a\r\n",
        "MUV de EA4XYZ: 14070.0#DL1ABC##MUV16 +3 dB in Madrid\a\a\r\n",
        "MUV de EA4XYZ: 14070.0#EA4XYZ hi\a\a\r\n",
        "login: ",
    };
    const std::string alphabet =
        "DX de MUV:#.ALL\r\n\a\0\xff\xe9"
        "0123456789EA4XYZ/ "s;
    auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };

    ClusterLineSplitter splitter;
    std::string fed, handed;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        switch (pick(4)) {
            case 0:  // random bytes
                for (size_t i = pick(120); i > 0; --i)
                    text += static_cast<char>(rng());
                break;
            case 1:  // random text from the protocol's own characters
                for (size_t i = pick(120); i > 0; --i)
                    text += alphabet[pick(alphabet.size())];
                break;
            case 2: {  // a good line mutated
                text = seeds[pick(seeds.size())];
                for (size_t m = pick(4); m > 0 && !text.empty(); --m) {
                    const size_t at = pick(text.size());
                    switch (pick(3)) {
                        case 0:
                            text.erase(at, 1);
                            break;
                        case 1:
                            text.insert(at, 1, alphabet[pick(alphabet.size())]);
                            break;
                        default:
                            text[at] = static_cast<char>(rng());
                            break;
                    }
                }
                if (pick(3) == 0) text.resize(pick(text.size() + 1));
                break;
            }
            default:  // a long line
                text = std::string(1000 + pick(9000), alphabet[pick(alphabet.size())]);
        }
        fed += text;
        for (const std::string& line : splitter.Feed(text)) {
            ASSERT_LE(line.size(), ClusterLineSplitter::kMaxLineBytes);
            handed += line;
            const auto own = pick(2) ? std::string("EA4XYZ") : std::string();
            if (const auto parsed = ParseClusterLine(line, own, 12, 0)) {
                EXPECT_GE(parsed->kind, 1);
                EXPECT_LE(parsed->kind, 3);
                EXPECT_LE(parsed->sender.size() + parsed->frequency.size() + parsed->text.size(),
                          DecodeText(line).size());
                for (const std::string* field :
                     {&parsed->sender, &parsed->addressee, &parsed->frequency, &parsed->text, &parsed->time})
                    ASSERT_TRUE(IsUtf8(*field)) << *field;
                if (parsed->kind != 3) {
                    EXPECT_FALSE(own.empty());
                }
            }
        }
        // The read alone, unsplit, must be as safe.
        (void)ParseClusterLine(text, "EA4XYZ", 12, 0);
        ASSERT_LE(splitter.PendingSize(), ClusterLineSplitter::kMaxLineBytes);
        if (fed.size() > 1000000) break;
    }
    std::vector<std::string> rest = splitter.Feed("\n");
    for (const std::string& line : rest)
        handed += line;
    EXPECT_EQ(handed, fed + "\n");
}

}  // namespace
}  // namespace muv
