#include "logbook/adif_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>
#include <unordered_set>

#include "common/cp1252.h"
#include "logbook/adif_record.h"
#include "platform/private_profile.h"

namespace muv {

namespace {

namespace fs = std::filesystem;

// A tag is at most this long from "<" to ">"; a longer one is taken for text.
constexpr size_t kMaxTagBytes = 256;
// Ten digits declare up to 9999999999 bytes, far more than any file that is read.
constexpr size_t kMaxLengthDigits = 10;
// The country look-ups remember this many answers, then start afresh.
constexpr size_t kMaxRemembered = 65536;

static_assert(AdifLog::kMaxFileBytes < std::numeric_limits<uint32_t>::max() / 2);

enum class TagKind { Field, EndOfRecord, EndOfHeader };

struct Tag {
    TagKind kind = TagKind::Field;
    std::string_view name, type, value;
    size_t next = 0;  // where the text goes on after the tag and its value
};

bool NameCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > ' ' && u < 0x7F && u != '<' && u != '>' && u != ':' && u != ',' && u != '{' && u != '}';
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 0x20);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 0x20);
        if (x != y) return false;
    }
    return true;
}

// Reads the tag whose "<" is at text[pos], looking no further than limit: "<NAME:n>" or "<NAME:n:T>"
// followed by n bytes of value (fewer when the limit comes first), or "<EOR>" / "<EOH>" in any case.
// False when what starts there is no tag.
bool ReadTag(std::string_view text, size_t pos, size_t limit, Tag& tag) {
    const size_t tagLimit = std::min(limit, pos + kMaxTagBytes);
    size_t i = pos + 1;
    while (i < tagLimit && NameCharacter(text[i]))
        ++i;
    if (i == pos + 1 || i >= tagLimit) return false;
    tag.name = text.substr(pos + 1, i - pos - 1);
    const bool endOfRecord = SameName(tag.name, "EOR");
    const bool endOfHeader = SameName(tag.name, "EOH");
    tag.kind = endOfRecord ? TagKind::EndOfRecord : endOfHeader ? TagKind::EndOfHeader : TagKind::Field;
    tag.type = {};
    tag.value = {};
    if (text[i] == '>') {
        tag.next = i + 1;
        return tag.kind != TagKind::Field;
    }
    if (text[i] != ':') return false;
    const size_t digits = ++i;
    uint64_t length = 0;
    while (i < tagLimit && i - digits < kMaxLengthDigits && text[i] >= '0' && text[i] <= '9')
        length = length * 10 + static_cast<uint64_t>(text[i++] - '0');
    if (i == digits || i >= tagLimit) return false;
    if (text[i] == ':') {
        const size_t type = ++i;
        while (i < tagLimit && NameCharacter(text[i]))
            ++i;
        if (i >= tagLimit) return false;
        tag.type = text.substr(type, i - type);
    }
    if (text[i] != '>') return false;
    ++i;
    if (tag.kind == TagKind::Field) {
        tag.value = text.substr(i, static_cast<size_t>(std::min<uint64_t>(length, limit - i)));
        i += tag.value.size();
    }
    tag.next = i;
    return true;
}

// Calls found(tag, position of its "<") for each tag in text[from, to), in order.
template <typename Found>
void ForEachTag(std::string_view text, size_t from, size_t to, Found&& found) {
    size_t pos = from;
    while (pos < to) {
        const void* open = std::memchr(text.data() + pos, '<', to - pos);
        if (!open) return;
        pos = static_cast<size_t>(static_cast<const char*>(open) - text.data());
        Tag tag;
        if (!ReadTag(text, pos, to, tag)) {
            ++pos;
            continue;
        }
        found(tag, pos);
        pos = tag.next;
    }
}

// The fields of text[from, to), their values decoded.
std::vector<AdifField> FieldsIn(std::string_view text, size_t from, size_t to) {
    std::vector<AdifField> fields;
    ForEachTag(text, from, to, [&](const Tag& tag, size_t) {
        if (tag.kind == TagKind::Field) fields.push_back({tag.name, tag.type, DecodeText(tag.value)});
    });
    return fields;
}

bool Blank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); });
}

// The fields that LogText keeps, by name in capitals.
bool KnownField(std::string_view upperName) {
    static const std::unordered_set<std::string_view> known = {
        "ADIF_VERS",  "PROGRAMID",     "PROGRAMVERSION", "NAME",     "QTH",      "BAND",
        "FREQ",       "QSO_DATE",      "TIME_ON",        "TIME_OFF", "OPERATOR", "MY_GRIDSQUARE",
        "NOTES",      "GRIDSQUARE",    "DISTANCE",       "RST_SENT", "RST_RCVD", "CONT",
        "MY_COUNTRY", "EQSL_QSL_SENT", "EQSL_QSL_RCVD",  "MODE",     "CALL",     "COUNTRY"};
    return known.count(upperName) > 0;
}

std::string UpperName(std::string_view name) {
    std::string upper(name);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    return upper;
}

// A UTF-8 value as LogText holds it: in capitals, with no line break, "<" or ">" in it.
std::string SearchableValue(std::string_view utf8) {
    std::string text = Utf8ToUpper(utf8);
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '<' || c == '>') c = ' ';
    return text;
}

void AppendField(std::string& out, std::string_view name, std::string_view value, std::string_view type) {
    out += '<';
    out += name;
    out += ':';
    out += std::to_string(value.size());
    if (!type.empty()) {
        out += ':';
        out += type;
    }
    out += '>';
    out += value;
    out += "\r\n";
}

// The type indicator as LogText keeps it: C, N, T, D and M are dropped, others are in capitals.
std::string SearchableType(std::string_view type) {
    if (type.size() == 1 && std::strchr("CNTDMcntdm", type[0])) return {};
    return UpperName(type);
}

bool EndsInAdi(const std::string& path) {
    return path.size() >= 3 && SameName(std::string_view(path).substr(path.size() - 3), "ADI");
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string Cause(int error) {
    return std::generic_category().message(error);
}

// Returns 0 or the errno of the failure.
int WriteAll(int fd, std::string_view data, const FileWriter& write = nullptr) {
    while (!data.empty()) {
        const ssize_t n = write ? write(fd, data.data(), data.size()) : ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

// Reads a plain file of at most maxBytes. Returns 0 or the errno of the failure (EFBIG when larger,
// EINVAL when it is no plain file).
int ReadFile(const std::string& path, size_t maxBytes, std::string& text) {
    // Not blocking: a pipe or a device at the path is refused, not waited for.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno;
    struct stat st {};
    int error = 0;
    if (::fstat(fd, &st) != 0) {
        error = errno;
    } else if (!S_ISREG(st.st_mode)) {
        error = EINVAL;
    } else if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        error = EFBIG;
    } else {
        // One byte more than the file has finds its end at once; one byte more than allowed shows a file
        // that grew past the limit while it was read.
        text.resize(static_cast<size_t>(st.st_size) + 1);
        size_t done = 0;
        while (!error && done <= maxBytes) {
            if (done == text.size()) text.resize(std::min(maxBytes + 1, 2 * text.size()));
            const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
            if (n < 0) {
                if (errno != EINTR) error = errno;
            } else if (n == 0) {
                break;
            } else {
                done += static_cast<size_t>(n);
            }
        }
        if (!error && done > maxBytes) error = EFBIG;
        text.resize(error ? 0 : done);
    }
    ::close(fd);
    return error;
}

}  // namespace

AdifLog::AdifLog(AdifCountries countries) : countries_(std::move(countries)) {}

void AdifLog::Clear() {
    text_.clear();
    text_.shrink_to_fit();
    records_.clear();
    records_.shrink_to_fit();
    headerFields_.clear();
    headerText_ = {};
    hasHeader_ = false;
    logText_.clear();
    logText_.shrink_to_fit();
    ++generation_;
    knownCountries_.clear();
    callCountries_.clear();
}

AdifLoadResult AdifLog::LoadLogBook(const std::string& path) {
    Clear();
    if (!EndsInAdi(path) || !Exists(path)) return {};
    const auto failure = [](const std::string& cause) {
        return AdifLoadResult{false, "Error in ADIF file", "ADIF Error", cause};
    };
    try {
        std::string text;
        const int error = ReadFile(path, kMaxFileBytes, text);
        if (error == EFBIG)
            return failure("the file is larger than " + std::to_string(kMaxFileBytes >> 20) + " MB");
        if (error == EINVAL) return failure("it is not a plain file");
        if (error) return failure(Cause(error));
        if (text.size() < 2) return failure(text.empty() ? "the file is empty" : "the file is too short");
        LoadText(std::move(text));
        return {true, "", "", ""};
    } catch (const std::exception& e) {
        Clear();
        return failure(e.what());
    }
}

void AdifLog::LoadText(std::string text) {
    Clear();
    if (text.size() > kMaxFileBytes) return;
    text_ = std::move(text);
    Read(0, text_.size(), true);
    logText_.reserve(text_.size() + text_.size() / 8);
    AppendHeaderLogText();
    for (const Range& record : records_)
        AppendLogText(record);
}

void AdifLog::Read(size_t from, size_t to, bool fileStart) {
    size_t pending = std::string::npos;  // where the fields not yet ended by "<EOR>" or "<EOH>" begin
    bool firstTag = fileStart;
    const auto range = [](size_t begin, size_t end, bool ended) {
        return Range{static_cast<uint32_t>(begin), static_cast<uint32_t>(end), ended};
    };
    ForEachTag(text_, from, to, [&](const Tag& tag, size_t pos) {
        if (firstTag) {
            if (!Blank(std::string_view(text_).substr(from, pos - from)))
                headerText_ = range(from, pos, false);
            firstTag = false;
        }
        switch (tag.kind) {
            case TagKind::Field:
                if (pending == std::string::npos) pending = pos;
                break;
            case TagKind::EndOfRecord:
                if (pending != std::string::npos) records_.push_back(range(pending, pos, true));
                pending = std::string::npos;
                break;
            case TagKind::EndOfHeader:
                // Fields before "<EOH>" belong to the header, also those of a second header (two files
                // put together).
                hasHeader_ = true;
                if (pending != std::string::npos) headerFields_.push_back(range(pending, pos, true));
                pending = std::string::npos;
                break;
        }
    });
    if (firstTag && !Blank(std::string_view(text_).substr(from, to - from)))
        headerText_ = range(from, to, false);
    if (pending != std::string::npos) records_.push_back(range(pending, to, false));
}

bool AdifLog::CountryKnown(const std::string& name) {
    if (!countries_.CountryTextHolds) return true;
    if (const auto found = knownCountries_.find(name); found != knownCountries_.end()) return found->second;
    if (knownCountries_.size() >= kMaxRemembered) knownCountries_.clear();
    const bool known = countries_.CountryTextHolds(name);
    knownCountries_.emplace(name, known);
    return known;
}

std::string AdifLog::CountryOf(const std::string& callsign) {
    if (!countries_.CountryOfCallsign) return {};
    if (const auto found = callCountries_.find(callsign); found != callCountries_.end()) return found->second;
    if (callCountries_.size() >= kMaxRemembered) callCountries_.clear();
    std::string country = SearchableValue(countries_.CountryOfCallsign(callsign));
    callCountries_.emplace(callsign, country);
    return country;
}

void AdifLog::AppendHeaderLogText() {
    if (!hasHeader_) return;
    for (const Range& stretch : headerFields_) {
        ForEachTag(text_, stretch.begin, stretch.end, [&](const Tag& tag, size_t) {
            if (tag.kind != TagKind::Field) return;
            const std::string name = UpperName(tag.name);
            if (KnownField(name))
                AppendField(logText_, name, SearchableValue(DecodeText(tag.value)), SearchableType(tag.type));
        });
    }
    logText_ += "<EOH>\r\n";
}

void AdifLog::AppendLogText(const Range& range) {
    bool any = false, haveCall = false, haveCountry = false;
    std::string callsign;
    ForEachTag(text_, range.begin, range.end, [&](const Tag& tag, size_t) {
        if (tag.kind != TagKind::Field) return;
        const std::string name = UpperName(tag.name);
        if (!KnownField(name)) return;
        std::string value = SearchableValue(DecodeText(tag.value));
        if (name == "COUNTRY") {
            if (haveCountry || (!value.empty() && !CountryKnown(value))) return;
            haveCountry = true;
        } else if ((name == "TIME_ON" || name == "TIME_OFF") && value.size() == 4) {
            value += "00";
        } else if (name == "CALL" && !haveCall) {
            haveCall = true;
            callsign = value;
        }
        AppendField(logText_, name, value, SearchableType(tag.type));
        any = true;
    });
    if (haveCall && !haveCountry) AppendField(logText_, "COUNTRY", CountryOf(callsign), {});
    if (any) logText_ += "<EOR>\r\n";
}

std::vector<AdifField> AdifLog::Fields(size_t record) const {
    const Range& range = records_.at(record);
    return FieldsIn(text_, range.begin, range.end);
}

std::string AdifLog::FieldValue(size_t record, std::string_view name) const {
    const Range& range = records_.at(record);
    std::string_view value;
    bool found = false;
    ForEachTag(text_, range.begin, range.end, [&](const Tag& tag, size_t) {
        if (!found && tag.kind == TagKind::Field && SameName(tag.name, name)) {
            value = tag.value;
            found = true;
        }
    });
    return DecodeText(value);
}

std::string AdifLog::HeaderText() const {
    return DecodeText(RawHeaderText());
}

std::string_view AdifLog::RawHeaderText() const {
    return std::string_view(text_).substr(headerText_.begin, headerText_.end - headerText_.begin);
}

std::vector<AdifField> AdifLog::HeaderFields() const {
    std::vector<AdifField> fields;
    for (const Range& stretch : headerFields_) {
        const std::vector<AdifField> some = FieldsIn(text_, stretch.begin, stretch.end);
        fields.insert(fields.end(), some.begin(), some.end());
    }
    return fields;
}

std::string AdifLog::AdifText() const {
    std::string out;
    out.reserve(text_.size() + text_.size() / 8);
    // The file's own bytes: a value goes out as it came in, whatever its encoding.
    const auto appendFields = [&](const Range& range) {
        ForEachTag(text_, range.begin, range.end, [&](const Tag& tag, size_t) {
            if (tag.kind == TagKind::Field) AppendField(out, tag.name, tag.value, tag.type);
        });
    };
    if (hasHeader_ || !RawHeaderText().empty()) {
        out += RawHeaderText();
        for (const Range& stretch : headerFields_)
            appendFields(stretch);
        out += "<EOH>\r\n\r\n\r\n";
    }
    for (const Range& record : records_) {
        appendFields(record);
        if (record.ended) out += "<EOR>\r\n\r\n";
    }
    return out;
}

AdifAppendResult AdifLog::AppendAdifRecord(const std::string& path, const std::string& record,
                                           const FileWriter& write) {
    AdifAppendResult result;
    // A full disk or a read-only log is no fault of the program: the operator is told what happened
    // and why, and the contact stays in its window for another try.
    const auto failed = [&](const std::string& cause) {
        result.result = 0;
        result.cause = cause;
        result.message = record.empty() ? "The log '" + path + "' could not be made: " + cause + "."
                                        : "The contact was not logged: '" + path + "' cannot be written (" +
                                              cause + "). It is kept in the contact window for another try.";
        result.title = "ADIF File Error";
        result.icon = BoxIcon::Exclamation;
        return result;
    };
    if (!record.empty() && (!EndsInAdi(path) || !Exists(path))) {
        result.message = "ADI file not found";
        result.title = "ADIF File Error";
        result.icon = BoxIcon::Critical;
        result.noLogFile = true;
        return result;
    }

    // A new file starts with the header, and the log in memory with it.
    if (!Exists(path)) {
        const std::string header = AdifHeader() + "\r\n";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0) return failed(Cause(errno));
        int error = WriteAll(fd, header, write);
        if (!error && ::fsync(fd) != 0) error = errno;
        if (::close(fd) != 0 && !error) error = errno;
        if (error) {
            ::unlink(path.c_str());
            return failed(Cause(error));
        }
        LoadText(header);
    }

    if (!record.empty()) {
        // Not blocking: a pipe at the path is refused, not waited for.
        int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0 && errno == EACCES)
            fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return failed(Cause(errno));
        struct stat st {};
        const int statError = ::fstat(fd, &st) != 0 ? errno : 0;
        if (statError || !S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) == 0) {
            ::close(fd);
            // A log made read-only stays as it is, whoever runs the program.
            return failed(statError              ? Cause(statError)
                          : !S_ISREG(st.st_mode) ? std::string("it is not a plain file")
                                                 : std::string("the file is read-only"));
        }
        // A file that does not end in a line end (written so by another program) gets one first.
        char last = '\n';
        if (st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) != 1) last = '\n';
        std::string block = last == '\n' ? "" : "\r\n";
        block += record;
        block += "\r\n";
        int error = WriteAll(fd, block, write);
        if (!error && ::fsync(fd) != 0) error = errno;
        // What part of the record reached the file goes again: the file stays as it was.
        bool restored = !error || ::ftruncate(fd, st.st_size) == 0;
        // The closing may be the first to tell of a failed write (on a network share); the descriptor
        // is gone then, whatever it says.
        if (::close(fd) != 0 && !error) {
            error = errno;
            restored = ::truncate(path.c_str(), st.st_size) == 0;
        }
        if (error)
            return failed(restored
                              ? Cause(error)
                              : Cause(error) + "; part of the record may be left at the end of the file");

        // The record is in the file; the log in memory follows as far as it can.
        const size_t from = text_.size();
        if (from + block.size() <= std::numeric_limits<uint32_t>::max() / 2) {
            try {
                const size_t before = records_.size();
                text_ += block;
                Read(from, text_.size(), false);
                for (size_t i = before; i < records_.size(); ++i)
                    AppendLogText(records_[i]);
            } catch (const std::exception&) {
            }
        }
    }
    result.result = 1;
    return result;
}

AdifRewriteResult RewriteAdifLog(const std::string& path, const AdifLog& log) {
    AdifRewriteResult result;
    std::error_code ec;
    // Through a link, the file the link leads to is the one replaced.
    const fs::path real = fs::canonical(path, ec);
    const std::string target = ec ? path : real.string();
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        result.error = Cause(errno);
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.error = "it is not a plain file";
        return result;
    }
    if ((st.st_mode & S_IWUSR) == 0 || ::access(target.c_str(), W_OK) != 0) {
        result.error = "the file is read-only";
        return result;
    }
    const mode_t mode = st.st_mode & 07777;

    // The former file becomes the backup: a second name for it, put in place of the old backup at once;
    // where the file system has no second names, a copy.
    const std::string backup = target + ".bak";
    const std::string link = backup + "." + std::to_string(::getpid()) + ".new";
    ::unlink(link.c_str());
    if (::link(target.c_str(), link.c_str()) == 0) {
        if (::rename(link.c_str(), backup.c_str()) != 0) {
            result.error = Cause(errno);
            ::unlink(link.c_str());
            return result;
        }
    } else {
        std::string former;
        if (const int error = ReadFile(target, std::numeric_limits<size_t>::max() / 2, former)) {
            result.error = Cause(error);
            return result;
        }
        if (!ReplaceFileAtomically(backup, former, mode, result.error)) return result;
    }
    result.backup = backup;
    if (!ReplaceFileAtomically(target, log.AdifText(), mode, result.error)) return result;
    result.written = true;
    return result;
}

}  // namespace muv
