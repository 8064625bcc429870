#include "common/vb.h"

#include <gtest/gtest.h>

#include <clocale>

namespace muv {
namespace {

TEST(VbRounding, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(CInt(2.5), 2);
    EXPECT_EQ(CInt(3.5), 4);
    EXPECT_EQ(CInt(-2.5), -2);
    EXPECT_EQ(CInt(-3.5), -4);
    EXPECT_EQ(CInt(0.5), 0);
    EXPECT_EQ(CInt(1.5), 2);
    EXPECT_EQ(CInt(2.4999), 2);
    EXPECT_EQ(CInt(2.5001), 3);
    EXPECT_EQ(CLng(100000.5), 100000);
    EXPECT_EQ(CLng(-7.7), -8);
    EXPECT_EQ(CByte(254.5), 254);
}

TEST(VbRounding, OutOfRangeRaisesOverflow) {
    EXPECT_EQ(CInt(32767.4), 32767);
    EXPECT_EQ(CInt(-32768.5), -32768);  // rounds to the even -32768, still in range
    try {
        CInt(32767.5);
        FAIL() << "no overflow";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number(), 6);
    }
    EXPECT_THROW(CByte(-1), VbError);
    EXPECT_THROW(CByte(255.5), VbError);
    EXPECT_THROW(CLng(3e9), VbError);
}

TEST(VbVal, ReadsTheLeadingNumberOnly) {
    EXPECT_DOUBLE_EQ(Val("14070.5"), 14070.5);
    EXPECT_DOUBLE_EQ(Val("  -3.25 dB"), -3.25);
    EXPECT_DOUBLE_EQ(Val("1 2 3"), 123);  // blanks are skipped anywhere
    EXPECT_DOUBLE_EQ(Val("12abc"), 12);
    EXPECT_DOUBLE_EQ(Val("1.2.3"), 1.2);
    EXPECT_DOUBLE_EQ(Val("2E3"), 2000);
    EXPECT_DOUBLE_EQ(Val("2e"), 2);
    EXPECT_DOUBLE_EQ(Val(".5"), 0.5);
    EXPECT_DOUBLE_EQ(Val("+7"), 7);
    EXPECT_DOUBLE_EQ(Val(""), 0);
    EXPECT_DOUBLE_EQ(Val("abc"), 0);
    EXPECT_DOUBLE_EQ(Val("-"), 0);
    EXPECT_DOUBLE_EQ(Val("14,070"), 14);  // the comma is never a decimal separator
}

TEST(VbVal, ReadsHexAndOctalIntegers) {
    EXPECT_DOUBLE_EQ(Val("&HFF"), 255);
    EXPECT_DOUBLE_EQ(Val("&hff"), 255);
    EXPECT_DOUBLE_EQ(Val("&HFFFF"), -1);  // four hex digits are a signed 16-bit value
    EXPECT_DOUBLE_EQ(Val("&H10000"), 65536);
    EXPECT_DOUBLE_EQ(Val("&O17"), 15);
    EXPECT_DOUBLE_EQ(Val("&HG"), 0);
    EXPECT_DOUBLE_EQ(Val("&X1"), 0);
}

TEST(VbFormat, ZeroPictures) {
    EXPECT_EQ(Format(3.14159, "0"), "3");
    EXPECT_EQ(Format(2.5, "0"), "3");  // half away from zero, unlike the integer conversion
    EXPECT_EQ(Format(-2.5, "0"), "-3");
    EXPECT_EQ(Format(7, "000"), "007");
    EXPECT_EQ(Format(1234, "000"), "1234");
    EXPECT_EQ(Format(-7, "000"), "-007");
    EXPECT_EQ(Format(-23.04, "0.0"), "-23.0");
    EXPECT_EQ(Format(0.05, "0.0"), "0.1");
    EXPECT_EQ(Format(0.0, "0.0"), "0.0");
    EXPECT_EQ(Format(-0.04, "0.0"), "0.0");
    EXPECT_EQ(Format(9.96, "0.0"), "10.0");
    EXPECT_EQ(Format(99.9996, "0.000"), "100.000");
    EXPECT_EQ(Format(14070.123456, "0.000"), "14070.123");
    EXPECT_EQ(Format(0.0004, "0.000"), "0.000");
    EXPECT_EQ(Format(0.0005, "0.000"), "0.001");
    EXPECT_EQ(Format(5, "00"), "05");
}

TEST(VbFormat, RoundsTheDecimalValueNotItsBinaryNeighbour) {
    // 2.675 and 1.005 are stored just below their decimal values; the formats round what is written.
    EXPECT_EQ(Format(2.675, "0.00"), "2.68");
    EXPECT_EQ(Format(1.005, "0.00"), "1.01");
    EXPECT_EQ(Format(static_cast<double>(0.1f), "0.000"), "0.100");
    EXPECT_EQ(Format(1e-20, "0.0"), "0.0");
    EXPECT_EQ(Format(123456789.0, "0"), "123456789");
}

TEST(VbStr, PlainNumbersWithABlankForPositives) {
    EXPECT_EQ(Str(14071500), " 14071500");
    EXPECT_EQ(Str(14071500.5), " 14071500.5");
    EXPECT_EQ(Str(-3), "-3");
    EXPECT_EQ(Str(0), " 0");
    EXPECT_EQ(Str(0.25), " 0.25");
    EXPECT_EQ(Str(1e20), " 1E+20");
}

TEST(VbFormat, UsesThePointWhateverTheLocale) {
    // A locale whose decimal separator is a comma; the formats must not follow it.
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.UTF-8")) {
        GTEST_SKIP() << "no locale with a decimal comma on this machine";
    }
    EXPECT_EQ(Format(1.5, "0.0"), "1.5");
    EXPECT_DOUBLE_EQ(Val("1.5"), 1.5);
    std::setlocale(LC_ALL, "C");
}

TEST(VbMidInStr, CutsAndFindsWithoutEverFailingOnPositionsOutOfRange) {
    EXPECT_EQ(Mid("DX de EA4XYZ:", 7, 6), "EA4XYZ");
    EXPECT_EQ(Mid("abc", 2), "bc");
    EXPECT_EQ(Mid("abc", 2, 10), "bc");
    EXPECT_EQ(Mid("abc", 4, 1), "");
    EXPECT_EQ(Mid("abc", 0, 2), "");
    EXPECT_EQ(Mid("abc", -5, 2), "");
    EXPECT_EQ(Mid("abc", 1, 0), "");
    EXPECT_EQ(InStr(1, "a##b##c", "##"), 2);
    EXPECT_EQ(InStr(3, "a##b##c", "##"), 5);
    EXPECT_EQ(InStr(6, "a##b##c", "##"), 0);
    EXPECT_EQ(InStr(9, "a##b##c", "##"), 0);
    EXPECT_EQ(InStr(0, "abc", "a"), 0);
    EXPECT_EQ(InStr(4, "abc", ""), 4);
}

}  // namespace
}  // namespace muv
