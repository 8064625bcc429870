#include "common/vb.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace muv {

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    double floor = std::floor(value);
    double diff = value - floor;
    if (diff < 0.5) return floor;
    if (diff > 0.5) return floor + 1.0;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

namespace {

template <typename T>
T ConvertRounded(double value) {
    double r = RoundHalfEven(value);
    if (!(r >= static_cast<double>(std::numeric_limits<T>::min()) &&
          r <= static_cast<double>(std::numeric_limits<T>::max()))) {
        throw VbError(6, "Overflow");
    }
    return static_cast<T>(r);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

int16_t CInt(double value) {
    return ConvertRounded<int16_t>(value);
}
int32_t CLng(double value) {
    return ConvertRounded<int32_t>(value);
}
uint8_t CByte(double value) {
    return ConvertRounded<uint8_t>(value);
}

double Val(std::string_view text) {
    // Blanks are ignored wherever they stand, so work on the text without them.
    std::string s;
    s.reserve(text.size());
    for (char c : text) {
        if (!IsBlank(c)) s.push_back(c);
    }

    size_t i = 0;
    if (s.size() >= 2 && s[0] == '&') {
        char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(s[1])));
        int base = kind == 'H' ? 16 : (kind == 'O' ? 8 : 0);
        if (base == 0) return 0.0;
        uint64_t v = 0;
        size_t digits = 0;
        for (i = 2; i < s.size(); ++i) {
            int d;
            char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i])));
            if (c >= '0' && c <= '9') {
                d = c - '0';
            } else if (base == 16 && c >= 'A' && c <= 'F') {
                d = c - 'A' + 10;
            } else {
                break;
            }
            if (d >= base) break;
            v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
            if (++digits > 16) break;
        }
        // Up to four hex digits (six octal) are a 16-bit value, longer ones 32-bit, both signed.
        if (base == 16 ? digits <= 4 : digits <= 6)
            return static_cast<double>(static_cast<int16_t>(v & 0xFFFF));
        return static_cast<double>(static_cast<int32_t>(v & 0xFFFFFFFFu));
    }

    std::string number;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) number.push_back(s[i++]);
    bool anyDigit = false;
    bool seenPoint = false;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c >= '0' && c <= '9') {
            number.push_back(c);
            anyDigit = true;
        } else if (c == '.' && !seenPoint) {
            number.push_back(c);
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!anyDigit) return 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::string exponent = "e";
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
        size_t start = j;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9')
            exponent.push_back(s[j++]);
        if (j > start) number += exponent;
    }
    double value = 0.0;
    const char* first = number.c_str();
    if (*first == '+') ++first;  // from_chars takes no plus sign
    std::from_chars(first, number.c_str() + number.size(), value);
    return value;
}

std::string Format(double value, std::string_view picture) {
    size_t point = picture.find('.');
    int intDigits = static_cast<int>(point == std::string_view::npos ? picture.size() : point);
    int decimals = point == std::string_view::npos ? 0 : static_cast<int>(picture.size() - point - 1);
    if (intDigits < 1) intDigits = 1;
    if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : (value > 0 ? "Inf" : "-Inf");

    // The decimal digits of the value at 15 significant digits, as d.dddddddddddddde+XX.
    char buf[64];
    auto written =
        std::to_chars(buf, buf + sizeof buf - 1, std::fabs(value), std::chars_format::scientific, 14);
    *written.ptr = '\0';
    std::string mantissa;
    for (const char* p = buf; *p && *p != 'e'; ++p) {
        if (*p != '.') mantissa.push_back(*p);
    }
    int exponent = std::atoi(std::strchr(buf, 'e') + 1);

    // digits[k] is the decimal digit of weight 10^(exponent - k). Keep those of weight >= 10^-decimals.
    int keep = exponent + decimals + 1;  // number of mantissa digits kept
    std::string digits;
    bool roundUp = false;
    if (keep <= 0) {
        // Everything lies below the last kept place: only the first digit can round it up to one unit.
        digits = keep == 0 && mantissa[0] >= '5' ? "1" : "0";
    } else {
        while (static_cast<int>(mantissa.size()) < keep)
            mantissa.push_back('0');
        digits = mantissa.substr(0, keep);
        roundUp = keep < static_cast<int>(mantissa.size()) && mantissa[keep] >= '5';
    }
    if (roundUp) {
        int k = static_cast<int>(digits.size()) - 1;
        while (k >= 0 && digits[k] == '9')
            digits[k--] = '0';
        if (k >= 0) {
            ++digits[k];
        } else {
            digits.insert(digits.begin(), '1');
        }
    }
    // digits is now the value times 10^decimals as a whole number.
    while (static_cast<int>(digits.size()) < decimals + intDigits)
        digits.insert(digits.begin(), '0');
    size_t firstNonZero = digits.find_first_not_of('0');
    std::string integer = digits.substr(0, digits.size() - decimals);
    size_t lead = integer.find_first_not_of('0');
    if (lead == std::string::npos) lead = integer.size();
    if (static_cast<int>(integer.size() - lead) < intDigits) lead = integer.size() - intDigits;
    std::string out = integer.substr(lead);
    if (decimals > 0) out += "." + digits.substr(digits.size() - decimals);
    if (value < 0 && firstNonZero != std::string::npos) out.insert(out.begin(), '-');
    return out;
}

std::string Str(double value) {
    char buf[64];
    auto written = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string text(buf, written.ptr);
    for (char& c : text) {
        if (c == 'e') c = 'E';
    }
    return value >= 0 ? " " + text : text;
}

std::string Mid(std::string_view text, long start, long length) {
    if (start < 1 || length == 0 || static_cast<size_t>(start) > text.size()) return {};
    const size_t from = static_cast<size_t>(start - 1);
    const size_t count = length < 0 ? std::string_view::npos : static_cast<size_t>(length);
    return std::string(text.substr(from, count));
}

long InStr(long start, std::string_view text, std::string_view find) {
    if (start < 1 || static_cast<size_t>(start) > text.size() + 1) return 0;
    const size_t at = text.find(find, static_cast<size_t>(start - 1));
    return at == std::string_view::npos ? 0 : static_cast<long>(at) + 1;
}

}  // namespace muv
