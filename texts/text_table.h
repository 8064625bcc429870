// The interface texts of the eleven languages. Each language is a plain text file in texts/languages/
// that a translator edits without touching the program: one line per text, the window and control (or
// the window alone for its title, or a message's name), " = ", and the text in double quotes exactly as
// shown. A text a language leaves out keeps what the control showed before. The files are built into the
// program.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace muv {

// The languages in the order of the language menu (index 1 to 11), by their file names.
inline constexpr std::array<const char*, 11> kLanguageCodes = {"en", "es", "fr", "it", "de", "nl",
                                                               "cs", "pt", "ru", "eu", "hu"};

struct LanguageTexts {
    // Key and text (UTF-8), in the order they are set.
    std::vector<std::pair<std::string, std::string>> rows;
    // The text of a key; nullptr when the language leaves it out.
    const std::string* Find(std::string_view key) const;
};

// Reads a language file. Blank lines and lines starting with "#" are skipped; a line that is not
// `key = "text"`, or whose key came before, is skipped and told in problems (with its line number).
LanguageTexts ParseLanguageFile(std::string_view content, std::vector<std::string>* problems = nullptr);

// The texts built into the program of language 1 to 11; an empty table for any other index.
const LanguageTexts& BuiltInLanguage(int index);
// The language file of language 1 to 11 as it was built in ("" for any other index).
std::string_view BuiltInLanguageFile(int index);

}  // namespace muv
