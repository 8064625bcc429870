// Number conversions and formats with the exact behaviour that stored files, network lines and the
// modem's arithmetic rely on: integer conversion rounding half to even, Val, and the fixed "0"-style
// formats, always written with "." as the decimal separator.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace muv {

// A run-time error with its classic error number (6 overflow, 9 subscript out of range, ...).
class VbError : public std::runtime_error {
public:
    VbError(int number, const std::string& what) : std::runtime_error(what), number_(number) {}
    int number() const { return number_; }

private:
    int number_;
};

// Rounds to the nearest whole number, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

// Conversion to a 16-bit / 32-bit / 8-bit integer, rounding half to even; out of range raises error 6.
int16_t CInt(double value);
int32_t CLng(double value);
uint8_t CByte(double value);

// The numeric value of the leading number in a text: blanks, tabs and line feeds are skipped anywhere,
// an optional sign, digits with one ".", an exponent (E or D), or a "&H" / "&O" prefixed integer.
// Parsing stops at the first character that cannot continue the number; no number gives 0.
double Val(std::string_view text);

// Formats a number by a picture of zeros with an optional "." and decimals ("0", "0.0", "000", "0.000"):
// at least as many integer digits as zeros before the ".", exactly as many decimals as zeros after it,
// rounded half away from zero on the number's 15-significant-digit decimal value. The separator is
// always ".". A value that rounds to zero is written without a minus sign.
std::string Format(double value, std::string_view picture);

// A number as Str writes it: a blank in front of a value that is not negative, "." as the decimal
// separator, only the decimals the value has (up to 15 significant digits).
std::string Str(double value);

// The characters of text from the 1-based position start on, at most length of them (all of the rest
// when length is negative); a start beyond the text, or a length of 0, gives "". Never fails: remote
// text is cut with it whatever its length.
std::string Mid(std::string_view text, long start, long length = -1);

// The 1-based position of the first occurrence of find in text at or after the 1-based position
// start; 0 when there is none, or when start lies beyond the text. An empty find is found at start.
long InStr(long start, std::string_view text, std::string_view find);

}  // namespace muv
