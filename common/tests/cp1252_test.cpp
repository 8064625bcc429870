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

TEST(TextRule, WhatWindows1252HoldsIsWrittenInItAndEverythingElseAsUtf8) {
    EXPECT_EQ(EncodeText("Jos\xC3\xA9 \xE2\x82\xAC"), "Jos\xE9 \x80");  // as older stations wrote it
    EXPECT_EQ(EncodeText("Gy\xC5\x91r"), "Gy\xC5\x91r");                // o double acute: UTF-8, whole
    EXPECT_EQ(EncodeText("\xD0\x96 \xC3\xA9"), "\xD0\x96 \xC3\xA9");    // one character decides the value
    // Reading takes multi-byte UTF-8 as it is and anything else as Windows-1252, so each value
    // written comes back as it was, and a Windows-written file reads as before.
    for (const std::string value :
         {"", "EA4ABC", "Jos\xC3\xA9", "Plze\xC5\x88", "\xD0\x96\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB",
          "\xC3\x83\xC2\xA9", "\xF0\x9F\x93\xBB 73"})
        EXPECT_EQ(DecodeText(EncodeText(value)), value) << value;
    EXPECT_EQ(DecodeText("Jos\xE9"), "Jos\xC3\xA9");
    EXPECT_EQ(DecodeText("\xC3\xA9\xFF"), "\xC3\x83\xC2\xA9\xC3\xBF");  // not valid UTF-8 as a whole
    EXPECT_EQ(DecodeText("\xC0\xAF"), "\xC3\x80\xC2\xAF");              // an overlong form is no UTF-8
    EXPECT_TRUE(IsMultiByteUtf8(DecodeText("\x81\x8D\xFF\x00\xC3")));
}

// What counts as UTF-8 decides between keeping a value's bytes and reading them as Windows-1252: a
// surrogate, a code point past U+10FFFF, an overlong form or a cut sequence is not UTF-8.
TEST(TextRule, OnlyWellFormedUtf8CountsAsUtf8) {
    for (const std::string good :
         {"", "73", "Jos\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x93\xBB", "\xF4\x8F\xBF\xBF"})
        EXPECT_TRUE(IsValidUtf8(good)) << good;
    for (const std::string bad : {"\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE0\x80\xAF", "\xC0\xAF", "\xC3",
                                  "\xE2\x82", "\x80", "\xF8\x88\x80\x80\x80"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
}

TEST(TextRule, CutsAndCapitalsNeverBreakACharacter) {
    const std::string name = "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD";  // four Cyrillic letters
    EXPECT_EQ(Utf8Length(name), 4u);
    EXPECT_EQ(Utf8Left(name, 2), "\xD0\x98\xD0\xB2");
    EXPECT_EQ(Utf8Head(name, 5), "\xD0\x98\xD0\xB2");
    EXPECT_EQ(Utf8Head("ab", 9), "ab");
    EXPECT_EQ(Utf8ToUpper("dvo\xC5\x99\xC3\xA1k ea4abc/p"), "DVO\xC5\x98\xC3\x81K EA4ABC/P");
    EXPECT_EQ(Utf8ToUpper(name), "\xD0\x98\xD0\x92\xD0\x90\xD0\x9D");
    EXPECT_EQ(Utf8ToUpper("\xC3\xBF\xFF"), "\xC5\xB8\xFF");  // a stray byte stays as it was
}

}  // namespace
}  // namespace muv
