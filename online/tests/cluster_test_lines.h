// Lines as the cluster sends them, for the cluster link's tests.
#pragma once

#include <string>

#include "common/cp1252.h"

namespace muv::test {

// A cluster spot laid out by its columns, counted in characters: "DX de ", the spotter and ":", the
// frequency ending at column 24 (or right after ": " when longer), two blanks and the spotted callsign,
// the comment from column 40, a blank, the time from column 71 with "Z", and CR LF. The texts are the
// line's own bytes, UTF-8 or Windows-1252.
inline std::string DxSpotLine(const std::string& spotter, const std::string& frequency,
                              const std::string& spotted, const std::string& comment,
                              const std::string& time) {
    auto padTo = [](std::string& s, size_t column) {
        const size_t length = Utf8Length(s);
        if (length < column - 1) s.append(column - 1 - length, ' ');
    };
    std::string line = "DX de " + spotter + ":";
    if (line.size() + 1 + frequency.size() <= 24)
        padTo(line, 25 - frequency.size());
    else
        line += ' ';
    line += frequency + "  " + spotted;
    padTo(line, 40);
    line += Utf8Left(comment, 30);
    padTo(line, 71);
    return line + time + "Z\r\n";
}

}  // namespace muv::test
