// The edits of the fuzz-style tests: a text mutated in place by random byte changes, cuts and
// insertions of characters that matter to the parser under test.
#pragma once

#include <random>
#include <string>
#include <string_view>

namespace muv::test {

// Up to `edits` edits, each one of: a byte replaced by any byte, up to maxCut bytes cut out, or one to
// five copies of a character from `inserts` put in.
inline void MutateText(std::string& text, std::mt19937& random, int edits, size_t maxCut,
                       std::string_view inserts) {
    for (int e = 0; e < edits && !text.empty(); ++e) {
        const size_t at = random() % text.size();
        switch (random() % 3) {
            case 0:
                text[at] = static_cast<char>(random() % 256);
                break;
            case 1:
                text.erase(at, random() % (maxCut + 1));
                break;
            default:
                text.insert(at, std::string(1 + random() % 5, inserts[random() % inserts.size()]));
                break;
        }
    }
}

}  // namespace muv::test
