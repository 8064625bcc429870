#include "platform/private_profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace muv {

namespace {

// One line of the text: where it starts, where its content ends (before CR LF or LF) and where the next
// line starts.
struct Line {
    size_t start, end, next;
};

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        const size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
        size_t end = nl == std::string_view::npos ? text.size() : nl;
        if (end > start && text[end - 1] == '\r') --end;
        lines.push_back({start, end, next});
        start = next;
    }
    return lines;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

unsigned char Fold(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
    switch (c) {
        case 0x8A:
            return 0x9A;  // Š
        case 0x8C:
            return 0x9C;  // Œ
        case 0x8E:
            return 0x9E;  // Ž
        case 0x9F:
            return 0xFF;  // Ÿ
        default:
            return c;
    }
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// A section header's name, or nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

// A key line's name and value (value untrimmed); nullopt for lines without "=", comments and headers.
struct KeyLine {
    std::string_view name, value;
};
std::optional<KeyLine> ParseKey(std::string_view line) {
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return KeyLine{Trim(line.substr(0, eq)), line.substr(eq + 1)};
}

// Where a key lies: the section's header line, the key's line (or none), and the line after which a
// new key of the section goes.
struct Place {
    std::optional<size_t> section, key;
    size_t lastContent = 0;
};
Place Find(std::string_view text, const std::vector<Line>& lines, std::string_view section,
           std::string_view key) {
    Place place;
    bool inside = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = text.substr(lines[i].start, lines[i].end - lines[i].start);
        if (const auto name = SectionName(line)) {
            if (inside) break;  // the first matching section ends here
            if (SameName(*name, section)) {
                inside = true;
                place.section = i;
                place.lastContent = i;
            }
            continue;
        }
        if (!inside) continue;
        if (!Trim(line).empty()) place.lastContent = i;
        if (const auto k = ParseKey(line); k && SameName(k->name, key)) {
            place.key = i;
            break;
        }
    }
    return place;
}

std::string Clean(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    std::erase(out, '\0');
    return out;
}

}  // namespace

std::string GetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            size_t bufferLength) {
    if (bufferLength < 2) return {};
    const std::vector<Line> lines = SplitLines(text);
    const Place place = Find(text, lines, section, key);
    if (!place.key) return {};
    const Line& l = lines[*place.key];
    const std::string_view line = text.substr(l.start, l.end - l.start);
    std::string_view value = Trim(ParseKey(line)->value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    std::string out(value.substr(0, bufferLength - 1));
    // A NUL ends the text a caller's buffer holds.
    if (const size_t nul = out.find('\0'); nul != std::string::npos) out.resize(nul);
    return out;
}

std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value) {
    const std::string s = Clean(section), k = Clean(key), v = Clean(value);
    const std::vector<Line> lines = SplitLines(text);
    // New lines end as the file's first line does; CR LF in a new file, as Windows writes.
    std::string eol = "\r\n";
    if (!lines.empty() && lines[0].next > lines[0].end && text[lines[0].end] == '\n') eol = "\n";
    const std::string keyLine = k + "=" + v;

    const Place place = Find(text, lines, s, k);
    std::string out;
    if (place.key) {
        const Line& l = lines[*place.key];
        out.append(text.substr(0, l.start));
        out.append(keyLine);
        out.append(text.substr(l.end));
        return out;
    }
    if (place.section) {
        const Line& after = lines[place.lastContent];
        out.append(text.substr(0, after.next));
        if (after.next == after.end) out.append(eol);  // the last line had no line end
        out.append(keyLine + eol);
        out.append(text.substr(after.next));
        return out;
    }
    out.append(text);
    if (!out.empty() && out.back() != '\n') out.append(eol);
    out.append("[" + s + "]" + eol + keyLine + eol);
    return out;
}

// ------------------------------------------------------------------ the file

bool ReplaceFileAtomically(const std::string& path, std::string_view content, mode_t mode,
                           std::string& error) {
    // A file made read-only stays as it is, whoever runs the program.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 &&
        ((st.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0)) {
        error = "the file is read-only";
        return false;
    }
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    auto fail = [&](int err) {
        error = std::strerror(err);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    };
    if (::fchmod(fd, mode) != 0) return fail(errno);
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) return fail(errno);
    if (::close(fd) != 0) {
        error = std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        error = std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {}

ProfileFile::Stamp ProfileFile::Current() const {
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) return {};
    return {true, st.st_dev, st.st_ino, st.st_size,
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

void ProfileFile::Refresh() {
    // Values written but not yet on disk are ours; another program's change does not replace them.
    if (dirty_) return;
    const Stamp now = Current();
    if (loaded_ && now == stamp_) return;
    loaded_ = true;
    stamp_ = now;
    text_.clear();
    tooLarge_ = false;
    if (!now.exists) return;
    if (static_cast<size_t>(now.size) > kMaxFileBytes) {
        tooLarge_ = true;
        return;
    }
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    char buffer[65536];
    while (text_.size() <= kMaxFileBytes) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text_.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    if (text_.size() > kMaxFileBytes) {
        text_.clear();
        tooLarge_ = true;
    }
}

std::string ProfileFile::Get(std::string_view section, std::string_view key, size_t bufferLength) {
    Refresh();
    return GetProfileValue(text_, section, key, bufferLength);
}

bool ProfileFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    Refresh();
    if (tooLarge_) {
        error_ = "the file is larger than a settings file can be";
        return false;
    }
    text_ = SetProfileValue(text_, section, key, value);
    dirty_ = true;
    if (batchDepth_ > 0) return true;
    return Flush();
}

void ProfileFile::BeginBatch() {
    ++batchDepth_;
}

bool ProfileFile::EndBatch() {
    if (batchDepth_ > 0) --batchDepth_;
    if (batchDepth_ > 0 || !dirty_) return true;
    return Flush();
}

bool ProfileFile::Flush() {
    if (!ReplaceFileAtomically(path_, text_, 0600, error_)) return false;
    ++replacements_;
    dirty_ = false;
    stamp_ = Current();
    return true;
}

// ------------------------------------------------------------------ in memory

std::optional<std::string> MemoryProfileStore::Read(std::string_view section, std::string_view key,
                                                    size_t bufferLength) {
    std::string value = GetProfileValue(text_, section, key, bufferLength);
    if (value.empty()) return std::nullopt;
    return value;
}

void MemoryProfileStore::Write(std::string_view section, std::string_view key, std::string_view value) {
    ++writes;
    text_ = SetProfileValue(text_, section, key, value);
}

}  // namespace muv
