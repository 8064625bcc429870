#include "rig/rigctld_options.h"

#include <string_view>

namespace muv {

namespace {

enum class Takes {
    kNothing,  // a switch
    kValue,    // a value: the rest of its word, or the next word
    kOurs,     // MUV gives it, after the operator's words
    kEnd,      // rigctld prints something and ends at once
};

struct Option {
    char letter;       // 0 when no short form works
    const char* name;  // the long form, without "--"
    Takes takes;
};

// rigctld's option table (Hamlib 4.5). Its short -M takes no value by the table but fails without one,
// and -z is in the table but ends rigctld: neither is taken.
constexpr Option kOptions[] = {
    {'m', "model", Takes::kValue},
    {'r', "rig-file", Takes::kValue},
    {'p', "ptt-file", Takes::kValue},
    {'d', "dcd-file", Takes::kValue},
    {'P', "ptt-type", Takes::kValue},
    {'D', "dcd-type", Takes::kValue},
    {'s', "serial-speed", Takes::kValue},
    {'S', "separator", Takes::kValue},
    {'c', "civaddr", Takes::kValue},
    {'T', "listen-addr", Takes::kOurs},
    {'t', "port", Takes::kOurs},
    {'C', "set-conf", Takes::kValue},
    {'l', "list", Takes::kEnd},
    {'L', "show-conf", Takes::kNothing},
    {'u', "dump-caps", Takes::kEnd},
    {'o', "vfo", Takes::kNothing},
    {'v', "verbose", Takes::kNothing},
    {'h', "help", Takes::kEnd},
    {'V', "version", Takes::kEnd},
    {'W', "twiddle_timeout", Takes::kValue},
    {'w', "twiddle_rit", Takes::kValue},
    {'x', "uplink", Takes::kValue},
    {'Z', "debug-time-stamps", Takes::kNothing},
    {0, "multicast-addr", Takes::kValue},
    {'n', "multicast-port", Takes::kValue},
    {'A', "password", Takes::kValue},
    {'R', "rigctld-idle", Takes::kNothing},
};

const Option* ByLetter(char letter) {
    for (const Option& o : kOptions)
        if (o.letter != 0 && o.letter == letter) return &o;
    return nullptr;
}

// Only the whole name: getopt_long would also take a shortening of one ("--listen"), in its own way.
const Option* ByName(std::string_view name) {
    for (const Option& o : kOptions)
        if (name == o.name) return &o;
    return nullptr;
}

std::string Refusal(const Option& o, const std::string& shown) {
    if (o.takes == Takes::kOurs)
        return "the option " + shown +
               " is MUV's own (rigctld is reached on this computer, at the rig's address)";
    if (o.takes == Takes::kEnd) return "the option " + shown + " makes rigctld end at once";
    return {};
}

// The value of an option in the next word: getopt takes whatever word follows, so there must be one, and
// one that is no option (the operator left the value out).
std::string ValueInNextWord(const std::vector<std::string>& words, size_t& i, const std::string& shown) {
    if (i + 1 >= words.size()) return "the option " + shown + " needs a value";
    const std::string& value = words[i + 1];
    if (!value.empty() && value[0] == '-')
        return "the option " + shown + " needs a value, not \"" + value + "\"";
    ++i;
    return {};
}

// --name, --name=value or --name value.
std::string CheckLongOption(const std::vector<std::string>& words, size_t& i, bool& vfoMode) {
    const std::string& word = words[i];
    const size_t equals = word.find('=');
    const std::string name = word.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const std::string shown = "--" + name;
    const Option* o = ByName(name);
    if (!o) return "rigctld does not take the option " + shown;
    if (std::string why = Refusal(*o, shown); !why.empty()) return why;
    if (o->takes == Takes::kNothing) {
        if (equals != std::string::npos) return "the option " + shown + " takes no value";
        if (o->letter == 'o') vfoMode = true;
        return {};
    }
    if (equals == std::string::npos) return ValueInNextWord(words, i, shown);
    if (equals + 1 == word.size()) return "the option " + shown + " needs a value";
    return {};
}

// Letters, each a switch, up to one that takes a value: the rest of the word, or the next word.
std::string CheckShortOptions(const std::vector<std::string>& words, size_t& i, bool& vfoMode) {
    const std::string& word = words[i];
    for (size_t at = 1; at < word.size(); ++at) {
        const std::string shown = std::string("-") + word[at];
        const Option* o = ByLetter(word[at]);
        if (!o) return "rigctld does not take the option " + shown;
        if (std::string why = Refusal(*o, shown); !why.empty()) return why;
        if (o->takes == Takes::kValue) return at + 1 == word.size() ? ValueInNextWord(words, i, shown) : "";
        if (o->letter == 'o') vfoMode = true;
    }
    return {};
}

}  // namespace

RigctldWords CheckRigctldWords(const std::vector<std::string>& words) {
    RigctldWords checked;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        std::string why;
        if (word == "--")
            why = "\"--\" would hide MUV's own options from rigctld";
        else if (word.size() < 2 || word[0] != '-')
            why = "\"" + word + "\" is not a rigctld option";
        else if (word[1] == '-')
            why = CheckLongOption(words, i, checked.vfoMode);
        else
            why = CheckShortOptions(words, i, checked.vfoMode);
        if (!why.empty()) return {why, false};
    }
    return checked;
}

}  // namespace muv
