// A language file as any text: each key is taken once, nothing is made of lines that are not there, every
// line it skips is told, and the texts it read, written out again as a language file, read back the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "texts/text_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = muv::fuzz::Text(data, size);
    std::vector<std::string> problems;
    const muv::LanguageTexts read = muv::ParseLanguageFile(text, &problems);
    size_t lines = 1;
    for (char c : text)
        lines += c == '\n';
    MUV_FUZZ_REQUIRE(read.rows.size() + problems.size() <= lines);

    std::string written;
    for (size_t i = 0; i < read.rows.size(); ++i) {
        const auto& [key, value] = read.rows[i];
        MUV_FUZZ_REQUIRE(read.Find(key) == &value);
        MUV_FUZZ_REQUIRE(value.find('\n') == std::string::npos);
        written += key + " = \"" + value + "\"\r\n";
    }
    std::vector<std::string> again;
    MUV_FUZZ_REQUIRE(muv::ParseLanguageFile(written, &again).rows == read.rows);
    MUV_FUZZ_REQUIRE(again.empty());
    return 0;
}
