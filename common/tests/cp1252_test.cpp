#include "common/cp1252.h"

#include <gtest/gtest.h>

namespace muv {
namespace {

TEST(Cp1252, EveryCharacterRoundTripsThroughUtf8) {
    for (int c = 0; c < 256; ++c) {
        const std::string one(1, static_cast<char>(c));
        EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << c;
    }
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(Cp1252ToUtf8("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
}

TEST(Cp1252, UnmappableAndBrokenUtf8BecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1252("\xE2\x98\x83"), "?");  // snowman: not in the code page
    EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");        // cut short
    EXPECT_EQ(Utf8ToCp1252("\xFF"
                           "b"),
              "?b");                                     // never valid in UTF-8
    EXPECT_EQ(Utf8ToCp1252("\xC3(x"), "?(x");            // bad continuation byte
    EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80!"), "?!");  // outside the basic plane
    // Overlong forms never stand for the character they spell: not a path separator, not a NUL.
    EXPECT_EQ(Utf8ToCp1252("a\xC0\xAF"), "a?");
    EXPECT_EQ(Utf8ToCp1252("\xE0\x80\xAF/"), "?/");
    EXPECT_EQ(Utf8ToCp1252("\xF0\x80\x80\xAF"), "?");
    EXPECT_EQ(Utf8ToCp1252("\xC0\x80"), "?");
    EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "?");          // a surrogate half
    EXPECT_EQ(Utf8ToCp1252("\xF4\x90\x80\x80"), "?");      // beyond U+10FFFF
    EXPECT_EQ(Utf8ToCp1252("\xC2\x80\xC3\xA9"), "?\xE9");  // the shortest forms still decode
}

}  // namespace
}  // namespace muv
