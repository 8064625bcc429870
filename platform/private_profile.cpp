#include "platform/private_profile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "common/cp1252.h"
#include "platform/program_folders.h"

namespace muv {

namespace {

// One line of the text: where it starts, where its content ends (before its line end: CR LF, LF or a
// lone CR, as editors of every system leave them) and where the next line starts.
struct Line {
    size_t start, end, next;
};

// The mark some editors put before the first line of a file they save in UTF-8. It belongs to no line:
// the first line starts after it, and a write keeps it where it is.
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    size_t start = text.starts_with(kUtf8Mark) ? kUtf8Mark.size() : 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        size_t next = end;
        if (next < text.size()) next += text.compare(next, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back({start, end, next});
        start = next;
    }
    return lines;
}

// The line end that new lines take: the one the file's first line ends with; CR LF in a new file, as
// Windows writes. A lone CR before a line that starts with LF would make one line end of the two: CR LF
// goes there instead.
std::string LineEnd(std::string_view text, const std::vector<Line>& lines, size_t before) {
    std::string eol = "\r\n";
    if (!lines.empty() && lines[0].next > lines[0].end)
        eol = text.substr(lines[0].end, lines[0].next - lines[0].end);
    if (eol == "\r" && before < text.size() && text[before] == '\n') eol = "\r\n";
    return eol;
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
    // A NUL ends the text a caller's buffer holds.
    value = value.substr(0, value.find('\0'));
    // The buffer counts characters: one byte each in Windows-1252, never part of one in UTF-8.
    return Utf8Left(DecodeText(value), bufferLength - 1);
}

std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value) {
    const std::string s = Clean(section), k = Clean(key), v = EncodeText(Clean(value));
    const std::vector<Line> lines = SplitLines(text);
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
    // A new line starts on a line of its own: after the line end of the line before it, which is added
    // when the text's last line has none.
    if (place.section) {
        const Line& after = lines[place.lastContent];
        const std::string eol = LineEnd(text, lines, after.next);
        out.append(text.substr(0, after.next));
        if (after.next == after.end) out.append(eol);
        out.append(keyLine + eol);
        out.append(text.substr(after.next));
        return out;
    }
    const std::string eol = LineEnd(text, lines, text.size());
    out.append(text);
    if (!lines.empty() && lines.back().next == lines.back().end) out.append(eol);
    out.append("[" + s + "]" + eol + keyLine + eol);
    return out;
}

// ------------------------------------------------------------------ the file

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

constexpr const char* kTooLarge = "the file is larger than a settings file can be";

// Why what stands at a path cannot be taken for a file of settings: "" for a regular file.
std::string NotAFile(mode_t mode) {
    if (S_ISREG(mode)) return {};
    const char* what = S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                 ? "a named pipe"
                       : S_ISSOCK(mode)                 ? "a socket"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                                                        : "something else";
    return std::string("it is ") + what + ", not a file";
}

// The file a path names once its symbolic links are followed (the path itself when it is no link); a
// link to a file not yet there names where that file will be. False when the links go round.
bool FollowLinks(const std::string& path, std::string& target) {
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::string link(4096, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) return false;
        if (n == 0 || static_cast<size_t>(n) >= link.size()) {
            errno = ENAMETOOLONG;
            return false;
        }
        link.resize(static_cast<size_t>(n));
        target = link.front() == '/' ? link : FolderOf(target) + "/" + link;
    }
    errno = ELOOP;
    return false;
}

// The six characters mkstemp puts after "<file>." in the name of a temporary file of ours. Six small
// letters are a word somebody chose ("MUV.ini.backup"), so the program never names a file of its own so.
bool IsTemporaryTail(std::string_view tail) {
    if (tail.size() != 6) return false;
    bool word = true;
    for (const char c : tail) {
        const bool small = c >= 'a' && c <= 'z';
        if (!small && !(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9')) return false;
        word = word && small;
    }
    return !word;
}

// The leftovers beside one file: "<name>.XXXXXX" files of this user, private as the program makes
// them, that no save holds.
void RemoveLeftoversBeside(const std::string& file) {
    const std::string folder = FolderOf(file), prefix = NameOf(file) + ".";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(prefix) || !IsTemporaryTail(name.substr(prefix.size()))) continue;
        const std::string path = folder + "/" + std::string(name);
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat held {};
        struct stat named {};
        // A save holds its temporary file locked until it has taken the settings file's place.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
            held.st_uid == ::geteuid() && (held.st_mode & 07777) == 0600 &&
            ::lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino)
            ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(dir);
}

}  // namespace

bool ReplaceFileAtomically(const std::string& path, std::string_view content, mode_t mode,
                           std::string& error) {
    // A link (a settings file kept with other dotfiles) stays a link: the file it points to is replaced.
    std::string target;
    if (!FollowLinks(path, target)) {
        error = std::strerror(errno);
        return false;
    }
    // A file made read-only stays as it is, whoever runs the program; what is no file at all (a pipe, a
    // device, a folder) is never put aside for one.
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (std::string why = NotAFile(st.st_mode); !why.empty()) {
            error = std::move(why);
            return false;
        }
        if ((st.st_mode & S_IWUSR) == 0 || ::access(target.c_str(), W_OK) != 0) {
            error = "the file is read-only";
            return false;
        }
    }
    // The temporary file is locked until it has taken the file's place (the lock goes with the
    // descriptor): a program clearing up what a save cut short left behind leaves this one alone.
    std::string temp;
    int fd = -1;
    for (;;) {
        temp = target + ".XXXXXX";
        fd = ::mkstemp(temp.data());
        if (fd < 0) {
            error = std::strerror(errno);
            return false;
        }
        if (!IsTemporaryTail(std::string_view(temp).substr(target.size() + 1))) {
            // A name that looks chosen by a person: another.
            ::unlink(temp.c_str());
            ::close(fd);
            continue;
        }
        if (::flock(fd, LOCK_EX) != 0) {
            error = std::strerror(errno);
            ::unlink(temp.c_str());
            ::close(fd);
            return false;
        }
        struct stat made {};
        if (::fstat(fd, &made) == 0 && made.st_nlink > 0) break;
        ::close(fd);  // cleared away in the moment before it was locked: another
    }
    auto fail = [&](int err) {
        error = std::strerror(err);
        ::unlink(temp.c_str());
        ::close(fd);
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
    if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno);
    // What close could report, fsync has reported already.
    ::close(fd);
    if (const int dir = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void RemoveLeftoverTemporaries(const std::string& path) {
    RemoveLeftoversBeside(path);
    std::string target;
    if (FollowLinks(path, target) && target != path) RemoveLeftoversBeside(target);
}

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {}

ProfileFile::Stamp ProfileFile::Current() const {
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) return {};
    return {true,
            st.st_dev,
            st.st_ino,
            st.st_size,
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            st.st_mode};
}

void ProfileFile::Refresh() {
    // Values written but not yet on disk are ours; another program's change does not replace them.
    if (dirty_) return;
    const Stamp now = Current();
    if (loaded_ && now == stamp_) return;
    // A file gone from under the program (its folder cleared away) takes none of the values with it:
    // they stay, and the next write puts them back on disk.
    if (loaded_ && !now.exists) {
        stamp_ = now;
        refused_.clear();
        return;
    }
    stamp_ = now;
    if (!now.exists) {
        loaded_ = true;
        text_.clear();
        refused_.clear();
        return;
    }
    // What cannot be a settings file is neither read nor ever replaced. Read at all, a pipe or a device
    // would hold the program up for as long as nothing comes out of it.
    std::string why = NotAFile(now.mode);
    if (why.empty() && static_cast<size_t>(now.size) > kMaxFileBytes) why = kTooLarge;
    std::string text;
    if (why.empty()) {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        struct stat st {};
        // Put in its place in the moment since it was looked at: looked at again as it is open.
        if (fd >= 0 && ::fstat(fd, &st) == 0) why = NotAFile(st.st_mode);
        if (fd >= 0 && why.empty()) {
            char buffer[65536];
            while (text.size() <= kMaxFileBytes) {
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) break;
                text.append(buffer, static_cast<size_t>(n));
            }
            if (text.size() > kMaxFileBytes) why = kTooLarge;
        }
        if (fd >= 0) ::close(fd);
    }
    refused_ = why;
    // A file that became one that cannot be taken while the program runs leaves the values as they were.
    if (!why.empty() && loaded_) return;
    loaded_ = true;
    text_ = why.empty() ? std::move(text) : std::string();
}

std::string ProfileFile::Get(std::string_view section, std::string_view key, size_t bufferLength) {
    Refresh();
    return GetProfileValue(text_, section, key, bufferLength);
}

bool ProfileFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    Refresh();
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
    // A file that could not be taken is never replaced; what this run chose stays here until it ends.
    if (!refused_.empty()) {
        error_ = refused_;
        return false;
    }
    bool written = ReplaceFileAtomically(path_, text_, 0600, error_);
    // The folder removed while the program runs (a clean-up of the configuration): made again as the
    // program makes it at its first start, so that what this run holds still reaches the disk.
    if (!written) {
        const std::string folder = FolderOf(path_);
        struct stat st {};
        if (::lstat(folder.c_str(), &st) != 0 && errno == ENOENT && MakeUserFolder(folder))
            written = ReplaceFileAtomically(path_, text_, 0600, error_);
    }
    if (!written) return false;
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
