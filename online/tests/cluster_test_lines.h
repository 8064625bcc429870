// Lines as the cluster sends them, for the cluster link's tests.
#pragma once

#include <string>

namespace muv::test {

// A cluster spot laid out by its columns: "DX de ", the spotter and ":", the frequency ending at column
// 24 (or right after ": " when longer), two blanks and the spotted callsign, the comment from column
// 40, a blank, the time from column 71 with "Z", and CR LF.
inline std::string DxSpotLine(const std::string& spotter, const std::string& frequency,
                              const std::string& spotted, const std::string& comment,
                              const std::string& time) {
    auto padTo = [](std::string& s, size_t column) {
        if (s.size() < column - 1) s.resize(column - 1, ' ');
    };
    std::string line = "DX de " + spotter + ":";
    if (line.size() + 1 + frequency.size() <= 24)
        padTo(line, 25 - frequency.size());
    else
        line += ' ';
    line += frequency + "  " + spotted;
    padTo(line, 40);
    line += comment.substr(0, 30);
    padTo(line, 71);
    return line + time + "Z\r\n";
}

}  // namespace muv::test
