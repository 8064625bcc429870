// The receive window's word pick on its own: which word a caret stands on, and where a word goes.
#include <gtest/gtest.h>

#include <string>

#include "session/word_pick.h"

namespace muv {
namespace {

std::string WordAt(const std::string& text, int32_t caret) {
    const WordSpan span = WordAtCaret(text, caret, TextCoding::kCp1252);
    EXPECT_EQ(span.word, text.substr(static_cast<size_t>(span.start), static_cast<size_t>(span.length)));
    return span.word;
}

TEST(WordPick, TheWordAroundTheCaret) {
    const std::string text = "CQ DE EA1ABC, IN80ab.\r\nqth Madrid";
    EXPECT_EQ(WordAt(text, 0), "CQ");  // the first word of the text
    EXPECT_EQ(WordAt(text, 1), "CQ");
    EXPECT_EQ(WordAt(text, 2), "CQ");  // after its last letter
    EXPECT_EQ(WordAt(text, 3), "DE");  // before its first letter
    EXPECT_EQ(WordAt(text, 8), "EA1ABC");
    EXPECT_EQ(WordAt(text, 12), "EA1ABC");
    EXPECT_EQ(WordAt(text, 16), "IN80ab");
    EXPECT_EQ(WordAt(text, 23), "qth");  // the first word of a line
    EXPECT_EQ(WordAt(text, 30), "Madrid");
    EXPECT_EQ(WordAt(text, 33), "Madrid");  // the last word of the text
    EXPECT_EQ(WordAt(text, 500), "Madrid");
    // On no word: between two blanks, between the line end's two characters, in an empty text.
    EXPECT_EQ(WordAtCaret("A  B", 2, TextCoding::kCp1252).length, 0);
    EXPECT_EQ(WordAtCaret(text, 22, TextCoding::kCp1252).length, 0);
    EXPECT_EQ(WordAtCaret("", 0, TextCoding::kCp1252).length, 0);
    EXPECT_EQ(WordAtCaret("Pepe", -3, TextCoding::kCp1252).length, 4);
}

TEST(WordPick, PositionsCountAsTheWindowCountsThemAndTheWordComesAsUtf8) {
    // The receive window's Windows-1252: a byte is a character, and the word comes out in UTF-8.
    const WordSpan rx = WordAtCaret("QTH M\xE1laga", 6, TextCoding::kCp1252);
    EXPECT_EQ(rx.start, 4);
    EXPECT_EQ(rx.length, 6);
    EXPECT_EQ(rx.word, "M\xC3\xA1laga");
    // A cluster row's UTF-8: a character of two or three bytes is one position, one beyond the 16-bit
    // range two; the word is taken as it stands.
    const std::string row = "Gy\xC5\x91r \xE2\x82\xAC \xF0\x9F\x93\xBB EA1ABC";
    const WordSpan call = WordAtCaret(row, 12, TextCoding::kUtf8);
    EXPECT_EQ(call.start, 10);
    EXPECT_EQ(call.length, 6);
    EXPECT_EQ(call.word, "EA1ABC");
    const WordSpan town = WordAtCaret(row, 2, TextCoding::kUtf8);
    EXPECT_EQ(town.start, 0);
    EXPECT_EQ(town.length, 4);
    EXPECT_EQ(town.word, "Gy\xC5\x91r");
    EXPECT_EQ(WordAtCaret(row, 7, TextCoding::kUtf8).word, "\xF0\x9F\x93\xBB");
}

TEST(WordPick, EachWordGoesToTheFieldItFits) {
    EXPECT_EQ(PickedWordTarget("IN80ab", true), WordTarget::Qth);  // Ctrl first, even for a locator
    EXPECT_EQ(PickedWordTarget("IN80ab", false), WordTarget::Locator);
    EXPECT_EQ(PickedWordTarget("EA1ABC", false), WordTarget::Callsign);
    EXPECT_EQ(PickedWordTarget("ea1abc", false), WordTarget::Callsign);
    EXPECT_EQ(PickedWordTarget("Pepe", false), WordTarget::Name);
    EXPECT_EQ(PickedWordTarget("599", false), WordTarget::None);
    EXPECT_EQ(PickedWordTarget("Jos\xC3\xA9", false), WordTarget::None);
    EXPECT_EQ(PickedWordTarget("", false), WordTarget::None);
    EXPECT_EQ(PickedWordTarget("", true), WordTarget::None);
}

}  // namespace
}  // namespace muv
