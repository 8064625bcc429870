// The two character sets: full varicode (kind 1) and the reduced upper-case 6-bit set (kind 2), the
// varicode table that encoder and decoder share, and the transmit character filter.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace muv {

// Entry c: the codeword of character c followed by the two-zero separator, as '0' and '1' characters.
using VaricodeTableType = std::array<std::string, 256>;

void BuildVaricodeTable(VaricodeTableType& table);
// The table, built once on first use and never changed afterwards.
const VaricodeTableType& StandardVaricodeTable();

// The character whose entry is exactly bits[1..count] (bits[0] unused); 0 when none matches or when the
// match is a control code other than 8 and 13.
uint8_t LookupVaricode(const VaricodeTableType& table, const uint8_t* bits, int count);

// The value the encoder codes for one transmit character (code 0..255) in a mode of the given charset
// kind: kind 1 the code itself, otherwise the 6-bit value 0..63 of the reduced set.
uint8_t FilterTxCharacter(int code, uint8_t charsetKind);
// In the reduced set (kind 2) a lower-case letter becomes upper case; otherwise the code is unchanged.
uint8_t UpperCaseTxCharacter(int code, uint8_t charsetKind);

}  // namespace muv
