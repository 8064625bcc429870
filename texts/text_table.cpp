#include "texts/text_table.h"

#include <set>

#include "texts/language_files.h"

namespace muv {

const std::string* LanguageTexts::Find(std::string_view key) const {
    for (const auto& [k, text] : rows)
        if (k == key) return &text;
    return nullptr;
}

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool KeyCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_';
}

}  // namespace

LanguageTexts ParseLanguageFile(std::string_view content, std::vector<std::string>* problems) {
    LanguageTexts texts;
    std::set<std::string, std::less<>> seen;
    size_t number = 0;
    while (!content.empty()) {
        const size_t end = content.find('\n');
        const std::string_view line = Trim(content.substr(0, end));
        content = end == std::string_view::npos ? std::string_view{} : content.substr(end + 1);
        ++number;
        if (line.empty() || line.front() == '#') continue;
        auto problem = [&](const char* why) {
            if (problems) problems->push_back("line " + std::to_string(number) + ": " + why);
        };
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            problem("no \"=\"");
            continue;
        }
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        bool keyOk = !key.empty();
        for (char c : key)
            keyOk = keyOk && KeyCharacter(c);
        if (!keyOk) {
            problem("not a window or control name");
            continue;
        }
        if (value.size() < 2 || value.front() != '"' || value.back() != '"') {
            problem("the text is not in double quotes");
            continue;
        }
        if (!seen.insert(std::string(key)).second) {
            problem("given twice");
            continue;
        }
        texts.rows.emplace_back(std::string(key), std::string(value.substr(1, value.size() - 2)));
    }
    return texts;
}

std::string_view BuiltInLanguageFile(int index) {
    return index >= 1 && index <= 11 ? kLanguageFiles[static_cast<size_t>(index - 1)] : std::string_view{};
}

const LanguageTexts& BuiltInLanguage(int index) {
    static const std::array<LanguageTexts, 11> languages = [] {
        std::array<LanguageTexts, 11> all;
        for (size_t i = 0; i < all.size(); ++i)
            all[i] = ParseLanguageFile(kLanguageFiles[i]);
        return all;
    }();
    static const LanguageTexts none;
    return index >= 1 && index <= 11 ? languages[static_cast<size_t>(index - 1)] : none;
}

}  // namespace muv
