// The receive window's word pick on its own: which word a caret stands on, and where a word goes.
#include <gtest/gtest.h>

#include <string>

#include "session/word_pick.h"

namespace muv {
namespace {

std::string WordAt(const std::string& text, int32_t caret) {
    const WordSpan span = WordAtCaret(text, caret);
    return text.substr(static_cast<size_t>(span.start), static_cast<size_t>(span.length));
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
    EXPECT_EQ(WordAtCaret("A  B", 2).length, 0);
    EXPECT_EQ(WordAtCaret(text, 22).length, 0);
    EXPECT_EQ(WordAtCaret("", 0).length, 0);
    EXPECT_EQ(WordAtCaret("Pepe", -3).length, 4);
}

TEST(WordPick, EachWordGoesToTheFieldItFits) {
    EXPECT_EQ(PickedWordTarget("IN80ab", true), WordTarget::Qth);  // Ctrl first, even for a locator
    EXPECT_EQ(PickedWordTarget("IN80ab", false), WordTarget::Locator);
    EXPECT_EQ(PickedWordTarget("EA1ABC", false), WordTarget::Callsign);
    EXPECT_EQ(PickedWordTarget("ea1abc", false), WordTarget::Callsign);
    EXPECT_EQ(PickedWordTarget("Pepe", false), WordTarget::Name);
    EXPECT_EQ(PickedWordTarget("599", false), WordTarget::None);
    EXPECT_EQ(PickedWordTarget("Jos\xE9", false), WordTarget::None);
    EXPECT_EQ(PickedWordTarget("", false), WordTarget::None);
    EXPECT_EQ(PickedWordTarget("", true), WordTarget::None);
}

}  // namespace
}  // namespace muv
