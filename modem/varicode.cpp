#include "modem/varicode.h"

#include <vector>

namespace muv {

namespace {

constexpr int kTableSize = 256;

// Character codes in the order they receive the codewords, shortest codewords first: frequent letters
// get the short ones, the control codes and the upper half of the code page the long ones.
std::vector<uint8_t> CodeOrder() {
    std::vector<uint8_t> order = {
        32,                                                                // 1 bit
        101, 116,                                                          // 2 bits
        111, 97,  105, 110,                                                // 3 bits
        114, 115, 108, 104, 100, 99, 117,                                  // 4 bits
        109, 102, 112, 103, 121, 98, 119, 118, 107, 67, 113, 81,           // 5 bits
        106, 44,  8,   13,  84,  83, 69,  65,  73,  79, 120, 82, 68, 48,   // 6 bits
        77,  80,  49,  76,  70,  45,                                       //
        66,  50,  71,  51,  72,  85, 53,  87,  54,  88, 52,  89, 75, 56,   // 7 bits
        55,  86,  57,  122, 74,  90, 39,  33,  63,  46, 78,  61, 43, 47,   //
        58,  41,  40,  59,  34,                                            //
        38,  64,  37,  36,  96,  95, 42,  124, 62,  60, 92,  94, 35, 123,  // 8 bits
        125, 91,  93,  126,                                                //
    };
    auto appendRange = [&order](int first, int last) {
        for (int c = first; c <= last; ++c)
            order.push_back(static_cast<uint8_t>(c));
    };
    appendRange(160, 195);  // rest of the 8-bit codewords
    appendRange(196, 255);  // 9 bits
    appendRange(0, 7);
    appendRange(9, 12);
    appendRange(14, 29);
    appendRange(30, 31);  // 10 bits
    appendRange(127, 159);
    return order;
}

// A codeword begins with 1 and never has a 1 after two consecutive 0s, so that two 0s followed by a 1
// always mark the end of a character.
bool IsCodeword(unsigned value, int length) {
    if (((value >> (length - 1)) & 1u) == 0) return false;
    int zeros = 0;
    for (int i = length - 1; i >= 0; --i) {
        if ((value >> i) & 1u) {
            if (zeros >= 2) return false;
            zeros = 0;
        } else {
            ++zeros;
        }
    }
    return true;
}

std::string BitString(unsigned value, int length) {
    std::string s(static_cast<size_t>(length), '0');
    for (int i = 0; i < length; ++i) {
        if ((value >> (length - 1 - i)) & 1u) s[static_cast<size_t>(i)] = '1';
    }
    return s;
}

}  // namespace

void BuildVaricodeTable(VaricodeTableType& table) {
    const std::vector<uint8_t> order = CodeOrder();
    size_t k = 0;
    for (int length = 1; k < order.size(); ++length) {
        for (unsigned value = 1u << (length - 1); value < (2u << (length - 1)) && k < order.size(); ++value) {
            if (IsCodeword(value, length)) table[order[k++]] = BitString(value, length) + "00";
        }
    }
}

const VaricodeTableType& StandardVaricodeTable() {
    static const VaricodeTableType table = [] {
        VaricodeTableType t;
        BuildVaricodeTable(t);
        return t;
    }();
    return table;
}

uint8_t LookupVaricode(const VaricodeTableType& table, const uint8_t* bits, int count) {
    if (count < 1) return 0;
    for (int c = 0; c < kTableSize; ++c) {
        const std::string& entry = table[static_cast<size_t>(c)];
        if (static_cast<int>(entry.size()) != count) continue;
        bool same = true;
        for (int i = 1; i <= count && same; ++i) {
            same = (entry[static_cast<size_t>(i - 1)] == '1') == (bits[i] != 0);
        }
        if (!same) continue;
        if (c < 32 && c != 8 && c != 13) return 0;
        return static_cast<uint8_t>(c);
    }
    return 0;
}

uint8_t FilterTxCharacter(int code, uint8_t charsetKind) {
    if (charsetKind == 1) return static_cast<uint8_t>(code);
    int mapped;
    if (code == 8) {
        mapped = 59;
    } else if (code >= 97 && code <= 122) {
        // Upper-cased as in kind 2 whatever the kind, so that the value always fits in six bits.
        mapped = UpperCaseTxCharacter(code, 2);
    } else if (code == 32) {
        mapped = 39;
    } else if (code < 32 || code > 122 || code == 39 || code == 59 || code == 96) {
        mapped = 32;
    } else {
        mapped = code;
    }
    return static_cast<uint8_t>(mapped - 32);
}

uint8_t UpperCaseTxCharacter(int code, uint8_t charsetKind) {
    if (charsetKind == 2 && code >= 97 && code <= 122) return static_cast<uint8_t>(code - 32);
    return static_cast<uint8_t>(code);
}

}  // namespace muv
