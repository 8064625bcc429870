#include "rig/rig_catalogue.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "common/cp1252.h"

namespace muv {

namespace {

constexpr size_t kModelsMax = 10000;
constexpr size_t kFieldMax = 64;
constexpr size_t kDescriptionMax = 200;
constexpr size_t kRigFilesMax = 1000;
constexpr std::uintmax_t kRigFileBytesMax = 64 * 1024;
constexpr int kModelNumberMax = 99999999;
constexpr int kSpeedMax = 10000000;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string Field(std::string_view s) {
    return std::string(Trim(s).substr(0, kFieldMax));
}

// A whole number of digits only, from 1 to the most given.
std::optional<int> Number(std::string_view s, int most) {
    if (s.empty() || s.size() > 9) return std::nullopt;
    int n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n < 1 || n > most) return std::nullopt;
    return n;
}

struct Word {
    size_t begin, end;
};

std::vector<Word> Words(std::string_view line) {
    std::vector<Word> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i == line.size()) break;
        const size_t begin = i;
        while (i < line.size() && !IsBlank(line[i]))
            ++i;
        words.push_back({begin, i});
    }
    return words;
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// Splits "maker model" where the model column starts, else at the first gap of two blanks or more,
// else after the first word.
void SplitMakerAndModel(std::string_view line, size_t begin, size_t end, size_t modelColumn,
                        HamlibModel& row) {
    size_t at = std::string_view::npos;
    if (modelColumn != std::string_view::npos && modelColumn > begin && modelColumn < end &&
        IsBlank(line[modelColumn - 1]) && !IsBlank(line[modelColumn]) &&
        !Trim(line.substr(begin, modelColumn - begin)).empty())
        at = modelColumn;
    if (at == std::string_view::npos) {
        const std::string_view middle = Trim(line.substr(begin, end - begin));
        begin = static_cast<size_t>(middle.data() - line.data());
        end = begin + middle.size();
        for (size_t i = begin; i + 1 < end; ++i)
            if (IsBlank(line[i]) && IsBlank(line[i + 1])) {
                at = i;
                break;
            }
        if (at == std::string_view::npos) {
            at = begin;
            while (at < end && !IsBlank(line[at]))
                ++at;
        }
    }
    row.maker = Field(line.substr(begin, at - begin));
    row.model = Field(line.substr(at, end - at));
    if (row.model.empty()) std::swap(row.maker, row.model);
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::vector<HamlibModel> ParseRigctlList(std::string_view text) {
    std::vector<HamlibModel> rows;
    std::set<int> numbers;
    size_t modelColumn = std::string_view::npos;
    for (std::string_view line : Lines(text)) {
        if (rows.size() >= kModelsMax) break;
        if (StartsWith(Trim(line), "Rig #")) {
            modelColumn = line.find("Model");
            continue;
        }
        std::vector<Word> words = Words(line);
        auto word = [&line](const Word& w) { return line.substr(w.begin, w.end - w.begin); };
        auto digitFirst = [&](size_t fromEnd) {
            return std::isdigit(static_cast<unsigned char>(line[words[words.size() - fromEnd].begin])) != 0;
        };
        // Hamlib's macro name ("RIG_MODEL_DUMMY", or "(null)"), when the table has that column: it follows
        // the status, which follows the version.
        if (words.size() >= 5 && !digitFirst(2) && digitFirst(3)) words.pop_back();
        if (words.size() < 4) continue;
        const std::optional<int> number = Number(word(words[0]), kModelNumberMax);
        if (!number || !digitFirst(2)) continue;
        const std::string_view version = word(words[words.size() - 2]);
        HamlibModel row;
        row.number = *number;
        row.version = Field(version);
        row.status = Field(word(words.back()));
        SplitMakerAndModel(line, words[0].end, words[words.size() - 2].begin, modelColumn, row);
        if (row.model.empty() || !numbers.insert(row.number).second) continue;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::optional<RigArguments> ParseRigArguments(std::string_view line) {
    std::vector<std::string> words;
    for (const Word& w : Words(line))
        words.emplace_back(line.substr(w.begin, w.end - w.begin));
    RigArguments a;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        // The option's letter or long name, and its value: attached ("-m1", "--model=1") or the next word.
        std::string option, value;
        bool attached = false;
        static const char* const kLong[][2] = {{"--model", "m"},        {"--rig-file", "r"},
                                               {"--serial-speed", "s"}, {"--ptt-type", "P"},
                                               {"--port", "t"},         {"--listen-addr", "T"}};
        if (w.size() >= 2 && w[0] == '-' && w[1] != '-' &&
            std::string("mrsPtT").find(w[1]) != std::string::npos) {
            option = w.substr(1, 1);
            attached = w.size() > 2;
            if (attached) value = w.substr(2);
        } else {
            for (const auto& [name, letter] : kLong) {
                const std::string_view n = name;
                if (w == n || (StartsWith(w, n) && w.size() > n.size() && w[n.size()] == '=')) {
                    option = letter;
                    attached = w.size() > n.size();
                    if (attached) value = w.substr(n.size() + 1);
                }
            }
        }
        if (option.empty()) {
            a.extra.push_back(w);
            continue;
        }
        if (!attached) {
            if (i + 1 == words.size()) return std::nullopt;
            value = words[++i];
        }
        if (option == "m") {
            const std::optional<int> model = Number(value, kModelNumberMax);
            if (!model) return std::nullopt;
            a.model = *model;
        } else if (option == "r") {
            if (value.size() > kRigArgumentsTextMax) return std::nullopt;
            a.device = value;
        } else if (option == "s") {
            const std::optional<int> speed = Number(value, kSpeedMax);
            if (!speed) return std::nullopt;
            a.speed = *speed;
        } else if (option == "P") {
            std::string method = value;
            for (char& c : method)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (method == "RIG" || method == "RTS" || method == "DTR" || method == "NONE") {
                a.ptt = method;
            } else {
                a.extra.push_back("-P");
                a.extra.push_back(value);
            }
        }
        // -t and -T: MUV's own.
    }
    if (a.model == 0) return std::nullopt;
    size_t length = 0;
    for (const std::string& w : a.extra)
        length += w.size() + 1;
    if (length > kRigArgumentsTextMax + 1) return std::nullopt;
    return a;
}

std::optional<RigFile> ParseRigFile(const std::string& name, std::string_view text) {
    RigFile file;
    file.name = name;
    bool described = false;
    for (std::string_view line : Lines(text)) {
        const std::string_view t = Trim(line);
        if (t.empty()) continue;
        if (t[0] == '#') {
            // A rig file from a Windows installation writes its comment in Windows-1252.
            if (!described) file.description = Utf8Left(DecodeText(Trim(t.substr(1))), kDescriptionMax);
            described = true;
            continue;
        }
        std::optional<RigArguments> arguments = ParseRigArguments(t);
        if (!arguments) return std::nullopt;
        file.arguments = std::move(*arguments);
        return file;
    }
    return std::nullopt;
}

std::vector<RigFile> ReadRigFiles(const std::vector<std::string>& folders) {
    namespace fs = std::filesystem;
    std::vector<RigFile> files;
    std::set<std::string> names;
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        std::error_code ec;
        std::vector<fs::path> paths;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            if (paths.size() >= kRigFilesMax) break;
            paths.push_back(it->path());
        }
        for (const fs::path& path : paths) {
            const std::string name = path.filename().string();
            if (name.empty() || name[0] == '.' || name.back() == '~') continue;
            if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) > kRigFileBytesMax || ec) continue;
            if (!names.insert(name).second) continue;
            std::ifstream in(path, std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (std::optional<RigFile> file = ParseRigFile(name, text)) files.push_back(std::move(*file));
        }
    }
    auto lower = [](std::string s) {
        for (char& c : s)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    std::sort(files.begin(), files.end(),
              [&lower](const RigFile& a, const RigFile& b) { return lower(a.name) < lower(b.name); });
    return files;
}

}  // namespace muv
