#include "logbook/country_file.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <optional>

#include "common/cp1252.h"
#include "platform/program_folders.h"

namespace muv {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// A callsign or prefix in capitals (they are ASCII).
std::string UpperCase(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsCallsignCharacter(char c) {
    return IsLetter(c) || (c >= '0' && c <= '9') || c == '/';
}

// One prefix item: a prefix, or a whole callsign ("="), with the continent of its {} override.
struct Item {
    bool whole = false;
    std::string call;  // in capitals
    std::string continent;
};

std::optional<Item> ParseItem(std::string_view raw) {
    std::string_view s = Trim(raw);
    Item item;
    if (!s.empty() && s.front() == '=') {
        item.whole = true;
        s.remove_prefix(1);
    }
    const size_t end = std::min(s.find_first_of("([<{~"), s.size());
    const std::string_view call = s.substr(0, end);
    if (call.empty() || !std::all_of(call.begin(), call.end(), IsCallsignCharacter)) return std::nullopt;
    // A "/" belongs to whole callsigns; a prefix is what a callsign begins with before any "/".
    if (!item.whole && call.find('/') != std::string_view::npos) return std::nullopt;
    item.call = UpperCase(call);
    // The overrides; only the continent matters here. An unclosed one ends the item.
    for (size_t i = end; i < s.size();) {
        static constexpr std::string_view kOpen = "([<{~", kClose = ")]>}~";
        const size_t kind = kOpen.find(s[i]);
        if (kind == std::string_view::npos) {
            ++i;
            continue;
        }
        const size_t close = s.find(kClose[kind], i + 1);
        if (close == std::string_view::npos) break;
        // A continent is two letters; anything else in braces is no continent.
        const std::string_view inside = Trim(s.substr(i + 1, close - i - 1));
        if (s[i] == '{' && inside.size() == 2 && std::all_of(inside.begin(), inside.end(), IsLetter))
            item.continent = UpperCase(inside);
        i = close + 1;
    }
    return item;
}

// One entry of the file (or a built-in one), as views into its text.
struct Entry {
    std::string_view name;
    std::string_view continent;
    std::string_view primaryPrefix;
    std::string_view items;      // the prefix items, without the ";"
    std::string_view fileItems;  // a built-in entry's: the items of the file's entry it stands for
    bool builtIn = false;
};

// The entry text between two ";" (the ";" not included).
std::optional<Entry> ParseEntry(std::string_view text) {
    std::array<std::string_view, 8> fields;
    size_t p = 0;
    for (auto& field : fields) {
        const size_t colon = text.find(':', p);
        if (colon == std::string_view::npos) return std::nullopt;
        field = text.substr(p, colon - p);
        p = colon + 1;
    }
    // The name is on the header's line; whatever stands on lines before it is not part of the entry.
    std::string_view name = fields[0];
    const size_t lineBreak = name.find_last_of("\r\n");
    if (lineBreak != std::string_view::npos) name.remove_prefix(lineBreak + 1);
    name = Trim(name);
    if (name.empty()) return std::nullopt;

    Entry entry;
    entry.name = name;
    entry.continent = Trim(fields[3]);
    std::string_view primary = Trim(fields[7]);
    if (!primary.empty() && primary.front() == '*') primary.remove_prefix(1);  // a WAE-only entity
    entry.primaryPrefix = Trim(primary);
    entry.items = text.substr(p);
    return entry;
}

// The built-in entries, in the order in which they replace the file's.
struct BuiltIn {
    const char* name;
    const char* header;
    const char* prefixes;  // empty: built by AsiaticRussiaPrefixes
};

constexpr BuiltIn kBuiltIns[] = {
    {"Argentina", "Argentina:                13:  14:  SA:  -34.60:    58.40:     3.0:  LU:",
     "    AY,AZ,L2,L3,L4,L5,L6,L7,L8,L9,LO,LP,LQ,LR,LS,LT,LU,LV,LW;"},
    {"United States", "United States:            05:  08:  NA:   43.00:    87.90:     5.0:  K:",
     "     AA,AB,AC,AD,AE,AF,AG,AI,AJ,AK,K,N,W,4U1WB;"},
    {"China", "China:                    24:  44:  AS:   40.00:  -116.40:    -8.0:  BY:",
     "    3H,3I,3J,3K,3L,3M,3N,3O,3P,3Q,3R,3S,3T,3U,B1,B2,B3,BA,BG,BI,BL,BY,XS;"},
    {"Antarctica",
     "Antarctica:               13:  74:  SA:  -65.00:    64.00:    -4.0:  CE9:", "   ANT,AX0,R1AN,RI1AN;"},
    {"Brazil", "Brazil:                   11:  15:  SA:  -23.00:    43.20:     3.0:  PY:",
     "    PP,PQ,PR,PS,PT,PU,PV,PW,PX,PY,ZV,ZW,ZX,ZY,ZZ;"},
    {"European Russia",
     "European Russia:          16:  29:  EU:   55.80:   -37.60:    -3.0:  UA:", "    R,U,R7C,R90K;"},
    {"Asiatic Russia", "Asiatic Russia:           17:  30:  AS:   55.00:   -83.00:    -7.0:  UA9:", ""},
    {"Canada", "Canada:                   05:  09:  NA:   45.00:    80.00:     4.0:  VE:",
     "    CF,CG,CJ,CK,VA,VB,VC,VE,VG,VX,XL,XM;"},
};
constexpr size_t kBuiltInCount = std::size(kBuiltIns);

std::string AsiaticRussiaPrefixes() {
    std::vector<std::string> items = {"R0", "R8", "R9", "RA0", "RA8", "RA0", "RA8", "RA9"};
    for (char letter = 'B'; letter <= 'Z'; ++letter) {
        if (letter == 'U') continue;
        for (char digit : {'0', '8', '9'})
            items.push_back(letter == 'J' && digit == '0' ? std::string("RJA0")
                                                          : std::string{'R', letter, digit});
    }
    for (char digit : {'0', '8', '9'})
        items.push_back(std::string{'U', digit});
    for (char letter = 'A'; letter <= 'I'; ++letter)
        for (char digit : {'0', '8', '9'})
            items.push_back(std::string{'U', letter, digit});
    std::string line = "   ";
    for (size_t i = 0; i < items.size(); ++i)
        line += (i ? "," : "") + items[i];
    return line + ";";
}

// The built-in entries' texts (header, CR LF, prefix line without its ";"), made once.
const std::array<std::string, kBuiltInCount>& BuiltInTexts() {
    static const std::array<std::string, kBuiltInCount> texts = [] {
        std::array<std::string, kBuiltInCount> t;
        for (size_t i = 0; i < kBuiltInCount; ++i) {
            std::string prefixes = *kBuiltIns[i].prefixes ? kBuiltIns[i].prefixes : AsiaticRussiaPrefixes();
            prefixes.pop_back();
            t[i] = std::string(kBuiltIns[i].header) + "\r\n" + prefixes;
        }
        return t;
    }();
    return texts;
}

Entry BuiltInEntry(size_t i) {
    Entry entry = *ParseEntry(BuiltInTexts()[i]);
    entry.builtIn = true;
    return entry;
}

// Which file entry a built-in one replaces: the last with its name; failing that, the last whose name
// begins with it as whole words (the file's "United States of America" for "United States").
std::optional<size_t> EntryReplacedBy(const std::vector<Entry>& entries, const std::string& name) {
    const std::string wanted = Utf8ToUpper(name);
    std::optional<size_t> longer;
    for (size_t i = entries.size(); i-- > 0;) {
        if (entries[i].builtIn) continue;
        const std::string have = Utf8ToUpper(entries[i].name);
        if (have == wanted) return i;
        if (!longer && have.size() > wanted.size() && have.compare(0, wanted.size(), wanted) == 0 &&
            have[wanted.size()] == ' ')
            longer = i;
    }
    return longer;
}

// The file's text as UTF-8, each line decoded on its own (the file is ASCII in practice).
std::string DecodeLines(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t start = 0; start < bytes.size();) {
        const size_t end = std::min(bytes.find('\n', start), bytes.size() - 1) + 1;
        text += DecodeText(bytes.substr(start, end - start));
        start = end;
    }
    return text;
}

}  // namespace

void CountryFile::Clear() {
    countries_.clear();
    wholeCallsigns_.clear();
    prefixes_.clear();
    longestPrefix_ = 0;
    countryByName_.clear();
}

bool CountryFile::LoadCountryFile() {
    return LoadCountryFile(CountryFileCandidates(SettingsFolder(), ProgramDataFolder()));
}

bool CountryFile::LoadCountryFile(const std::vector<std::string>& places) {
    Clear();
    for (const std::string& place : places) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(place, ec)) continue;
        std::ifstream in(place, std::ios::binary);
        if (!in) return false;
        // Read up to one block past the limit, whatever size the file claims.
        std::string text;
        std::array<char, 65536> block;
        while (text.size() <= kMaxCountryFileBytes && in.read(block.data(), block.size()).gcount() > 0)
            text.append(block.data(), static_cast<size_t>(in.gcount()));
        if (in.bad()) return false;
        return LoadCountryText(text);
    }
    return false;
}

bool CountryFile::LoadCountryText(std::string_view fileBytes) {
    Clear();
    if (fileBytes.size() > kMaxCountryFileBytes) return false;
    const std::string decoded = DecodeLines(fileBytes);
    const std::string_view fileText(decoded);

    std::vector<Entry> entries;
    for (size_t start = 0;;) {
        const size_t end = fileText.find(';', start);
        if (end == std::string_view::npos) break;  // text after the last ";" is no whole entry
        if (auto entry = ParseEntry(fileText.substr(start, end - start))) entries.push_back(*entry);
        start = end + 1;
    }
    // A built-in entry takes the place of the file's, with the file's items as well as its own: the file
    // gives what the built-in prefixes lack (Canada's VO1, VY2, CZ, XK..., the whole callsigns of the
    // United States that would otherwise go by another country's prefix). One the file lacks goes first,
    // so that an entry of the file wins over it where both give the same item.
    for (size_t i = 0; i < kBuiltInCount; ++i) {
        if (auto replaced = EntryReplacedBy(entries, kBuiltIns[i].name)) {
            Entry builtIn = BuiltInEntry(i);
            builtIn.fileItems = entries[*replaced].items;
            entries[*replaced] = builtIn;
        } else {
            entries.insert(entries.begin(), BuiltInEntry(i));
        }
    }

    // Later entries overwrite earlier ones: of two entries with the same item, the later one counts.
    countries_.reserve(entries.size());
    for (const Entry& entry : entries) {
        const auto index = static_cast<uint32_t>(countries_.size());
        countries_.push_back(
            {std::string(entry.name), std::string(entry.continent), std::string(entry.primaryPrefix)});
        countryByName_.insert_or_assign(Utf8ToUpper(entry.name), index);
        // The file's items after the built-in ones: where both give an item, the file's overrides count.
        for (const std::string_view items : {entry.items, entry.fileItems}) {
            for (size_t start = 0; start <= items.size();) {
                const size_t comma = std::min(items.find(',', start), items.size());
                if (std::optional<Item> item = ParseItem(items.substr(start, comma - start))) {
                    Target target{index, {}};
                    if (!item->continent.empty()) target.continent = {item->continent[0], item->continent[1]};
                    if (item->whole) {
                        wholeCallsigns_.insert_or_assign(std::move(item->call), target);
                    } else {
                        longestPrefix_ = std::max(longestPrefix_, item->call.size());
                        prefixes_.insert_or_assign(std::move(item->call), target);
                    }
                }
                start = comma + 1;
            }
        }
    }
    return true;
}

std::string CountryFile::CountryOfCallsign(std::string_view callsign, uint8_t withContinent) const {
    if (callsign.size() < 4 || countries_.empty()) return "";
    const std::string call = UpperCase(callsign);
    const Target* target = nullptr;
    if (auto whole = wholeCallsigns_.find(call); whole != wholeCallsigns_.end()) target = &whole->second;
    // A prefix before a "/" stands for the country; a suffix after one does not change it.
    const std::string_view head = std::string_view(call).substr(0, call.find('/'));
    for (size_t n = std::min(head.size(), longestPrefix_); !target && n > 0; --n)
        if (auto prefix = prefixes_.find(head.substr(0, n)); prefix != prefixes_.end())
            target = &prefix->second;
    if (!target) return "";
    const Country& country = countries_[target->country];
    if (withContinent != 1) return country.name;
    const std::string continent =
        target->continent[0] ? std::string(target->continent.data(), 2) : country.continent;
    return country.name + " (" + continent + ")";
}

std::string CountryFile::PrimaryPrefixOfCountry(std::string_view countryName) const {
    std::string name = Utf8ToUpper(Trim(countryName));
    auto found = countryByName_.find(name);
    // The name as CountryOfCallsign gives it with the continent: "SPAIN (EU)".
    if (found == countryByName_.end() && name.size() > 5 && name.compare(name.size() - 5, 2, " (") == 0 &&
        name.back() == ')')
        found = countryByName_.find(std::string_view(name).substr(0, name.size() - 5));
    return found == countryByName_.end() ? "" : countries_[found->second].primaryPrefix;
}

CountryKnown CountryKnownBy(const CountryFile& countries) {
    return [&countries](const std::string& baseCallsign) {
        return !countries.CountryOfCallsign(baseCallsign, 0).empty();
    };
}

}  // namespace muv
