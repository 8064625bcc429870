#include "receiver/varicode_decoder.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "common/memory_text_window.h"

namespace muv {
namespace {

const RxTextStyle kStyle{RGB(0, 0, 255), 14};
const VaricodeTableType& kTable = StandardVaricodeTable();

TEST(VaricodeTable, EntriesAreDistinctSelfDelimitingCodewords) {
    EXPECT_EQ(std::set<std::string>(kTable.begin(), kTable.end()).size(), 256u);
    std::map<size_t, int> countByCodewordLength;
    for (const std::string& e : kTable) {
        // Begins with 1, ends in the separator, and no 1 ever follows two 0s inside: "001" in a stream
        // always marks a boundary.
        EXPECT_TRUE(e.starts_with("1") && e.ends_with("00") && e.find("001") == std::string::npos) << e;
        ++countByCodewordLength[e.size() - 2];
    }
    // Every codeword of lengths 1 to 9 and the first 35 of length 10.
    const std::map<size_t, int> expected = {{1, 1},  {2, 2},  {3, 4},  {4, 7},  {5, 12},
                                            {6, 20}, {7, 33}, {8, 54}, {9, 88}, {10, 35}};
    EXPECT_EQ(countByCodewordLength, expected);
}

TEST(VaricodeTable, TellingEntries) {
    const std::map<int, std::string> telling = {
        {32, "100"},          {101, "1000"},        {111, "10000"},       {8, "10101000"},
        {13, "10101100"},     {0, "11101011100"},   {255, "11101011000"}, {159, "101101111100"},
        {30, "100000000000"}, {127, "101010000000"}};
    for (const auto& [code, entry] : telling)
        EXPECT_EQ(kTable[static_cast<size_t>(code)], entry) << code;
}

// A window whose next insertion fails when armed.
struct FailingWindow : MemoryTextWindow {
    bool failNext = false;
    void SetSelText(const std::string& text) override {
        if (std::exchange(failNext, false)) throw std::runtime_error("window failure");
        MemoryTextWindow::SetSelText(text);
    }
};

struct RecordingReporter : ErrorReporter {
    std::vector<std::pair<int, std::string>> reports;
    void ReportTrappedError(int number, const std::string& context) override {
        reports.emplace_back(number, context);
    }
};

class FullSetDecoder : public ::testing::Test {
protected:
    FailingWindow window;
    RecordingReporter reporter;
    VaricodeDecoder decoder{window, kTable, &reporter};
    bool leadingOneSent = false;

    void Reset() {
        decoder.VaricodeDecodeBit(0, true, kStyle);
        leadingOneSent = false;
    }
    void Feed(const std::string& bits) {
        for (char ch : bits)
            decoder.VaricodeDecodeBit(ch == '1' ? 1 : 0, false, kStyle);
    }
    // Sends the entries, then the 1 that completes the last one and begins whatever is sent next.
    void Send(const std::string& text) {
        std::string bits;
        for (char ch : text)
            bits += kTable[static_cast<uint8_t>(ch)];
        Feed(bits.substr(leadingOneSent && !bits.empty() ? 1 : 0) + "1");
        leadingOneSent = true;
    }
};

TEST_F(FullSetDecoder, EveryPrintableCodeRoundTrips) {
    std::string all;
    for (int c = 32; c <= 255; ++c)
        all.push_back(static_cast<char>(c));
    Reset();
    Send(all);
    EXPECT_EQ(decoder.RxText, all);
    EXPECT_EQ(window.Text(), all);
}

TEST_F(FullSetDecoder, ControlCodesShowNothingButCarriageReturn) {
    std::string sent = "a";
    for (char c = 0; c < 32; ++c) {
        if (c != 8 && c != 13) sent.push_back(c);
    }
    Reset();
    Send(sent + "b\rc");
    EXPECT_EQ(decoder.RxText, "ab\r\nc");
    EXPECT_EQ(window.Text(), "ab\r\nc");
}

TEST_F(FullSetDecoder, CharacterShowsWhenNextOneBegins) {
    Reset();
    Feed("1000");
    EXPECT_EQ(decoder.RxText, "");
    Feed("1");  // fifth bit
    EXPECT_EQ(decoder.RxText, "e");
    Feed("100");
    EXPECT_EQ(decoder.RxText, "e");
    Feed("1");  // ninth bit
    EXPECT_EQ(window.Text(), "et");
}

TEST_F(FullSetDecoder, OverlongRunsShowNothingAndDecodingResumes) {
    const std::vector<std::string> garbage = {
        std::string(13, '1') + "00",     // 13 bits without a boundary
        std::string(14, '1') + "00",     // overflow followed by what looks like "1100" (t)
        "1" + std::string(20, '0'),      // long zero run ending like "100" (space)
        "1010101010101010101010101000",  // long alternating run
    };
    for (const std::string& run : garbage) {
        window.SetText("");
        Reset();
        Feed(kTable['a'] + run + kTable['b'] + kTable[159] + kTable['c'] + "1");
        EXPECT_EQ(window.Text(),
                  "ab\x9f"
                  "c")
            << run;
    }
    // Any number of 0s before the first 1 after a reset only lengthen the run that shows nothing.
    for (int zeros = 0; zeros <= 40; ++zeros) {
        Reset();
        Feed(std::string(static_cast<size_t>(zeros), '0') + "10001");
        EXPECT_EQ(decoder.RxText, "e") << zeros;
    }
}

TEST_F(FullSetDecoder, TextGoesToTheEndInReceiveFormatAndSelectionSurvives) {
    window.SetText("hello world");
    window.SetSelStart(6);
    window.SetSelLength(5);
    Reset();
    Send("ab\r");
    EXPECT_EQ(window.Text(), "hello worldab\r\n");
    EXPECT_EQ(decoder.RxText, "ab\r\n");
    EXPECT_EQ(window.ColourAt(10), kBlack);
    EXPECT_EQ(window.ColourAt(11), kStyle.colour);
    EXPECT_EQ(window.FontSizeAt(14), kStyle.fontSize);
    EXPECT_EQ(window.SelStart(), 6);
    EXPECT_EQ(window.SelLength(), 5);
}

TEST_F(FullSetDecoder, BackspaceRedrawsMessageWithoutLastCharacter) {
    window.SetText("xyz");
    Reset();
    Send("\b");
    EXPECT_EQ(window.Text(), "xyz");
    EXPECT_EQ(decoder.RxText, "");
    Send("ab\b");
    EXPECT_EQ(window.Text(), "xyza");
    EXPECT_EQ(decoder.RxText, "a");
    EXPECT_EQ(window.ColourAt(2), kBlack);
    EXPECT_EQ(window.ColourAt(3), kStyle.colour);
    EXPECT_EQ(window.FontSizeAt(3), kStyle.fontSize);
    Send("\b\bc");
    EXPECT_EQ(window.Text(), "xyzc");
    EXPECT_EQ(decoder.RxText, "c");
    window.SetText("");  // the operator clears the window
    Send("\b");
    EXPECT_EQ(window.Text(), "");
    EXPECT_EQ(decoder.RxText, "c");
}

TEST_F(FullSetDecoder, FailureIsReportedOnceAndDecodingGoesOn) {
    Reset();
    Send("a");
    window.failNext = true;
    Send("b");  // the 1 that would show "b" fails
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0], std::make_pair(7, std::string("1")));
    EXPECT_EQ(decoder.RxText, "a");
    Reset();
    Send("cd");
    EXPECT_EQ(decoder.RxText, "cd");
    EXPECT_EQ(reporter.reports.size(), 1u);
}

class ReducedSetDecoder : public ::testing::Test {
protected:
    MemoryTextWindow window;
    VaricodeDecoder decoder{window};

    void Reset() { decoder.VaricodeDecodeBitReduced(0, true, kStyle); }
    void Feed(const std::string& bits) {
        for (char ch : bits)
            decoder.VaricodeDecodeBitReduced(ch == '1' ? 1 : 0, false, kStyle);
    }
};

TEST_F(ReducedSetDecoder, TransmittedCharactersComeBackUpperCased) {
    window.SetText(">");
    Reset();
    std::string expected;
    for (int code = 0; code < 256; ++code) {
        if (code == 8) continue;
        const uint8_t v = FilterTxCharacter(code, 2);
        for (int i = 5; i >= 0; --i)
            decoder.VaricodeDecodeBitReduced((v >> i) & 1, false, kStyle);
        if (code == 32) {
            expected += ' ';
        } else if ((code > 32 && code <= 95 && code != 39 && code != 59) || (code >= 97 && code <= 122)) {
            expected += static_cast<char>(UpperCaseTxCharacter(code, 2));
        }
    }
    EXPECT_EQ(decoder.RxText, expected);
    EXPECT_EQ(window.Text(), ">" + expected);
}

TEST_F(ReducedSetDecoder, IdleSpaceAndBackspace) {
    window.SetText("rx:");
    Reset();
    Feed("011011");  // backspace with nothing received
    Feed("000000");
    EXPECT_EQ(window.Text(), "rx:");
    Feed("100001000111100010");
    EXPECT_EQ(window.Text(), "rx:A B");
    Feed("011011");
    EXPECT_EQ(window.Text(), "rx:A ");
    EXPECT_EQ(decoder.RxText, "A ");
    EXPECT_EQ(window.ColourAt(3), kStyle.colour);
    // A reset mid-character restarts the six-bit count.
    Feed("101");
    Reset();
    Feed("100001");
    EXPECT_EQ(decoder.RxText, "A");
}

TEST(TxCharacterFilter, MappingAndUpperCasing) {
    const std::map<int, int> reduced = {{'a', 33}, {'z', 58}, {'Z', 58}, {' ', 7}, {8, 27},
                                        {13, 0},   {';', 0},  {'\'', 0}, {'`', 0}, {'{', 0},
                                        {200, 0},  {'0', 16}, {'_', 63}};
    for (const auto& [code, value] : reduced)
        EXPECT_EQ(FilterTxCharacter(code, 2), value) << code;
    for (int code = 0; code < 256; ++code) {
        EXPECT_LT(FilterTxCharacter(code, 2), 64) << code;
        EXPECT_EQ(FilterTxCharacter(code, 1), code);
        EXPECT_EQ(UpperCaseTxCharacter(code, 1), code);
    }
    EXPECT_EQ(UpperCaseTxCharacter('a', 2), 'A');
    EXPECT_EQ(UpperCaseTxCharacter('z', 2), 'Z');
    EXPECT_EQ(UpperCaseTxCharacter('{', 2), '{');
}

}  // namespace
}  // namespace muv
