#include "logbook/adif_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

#include "common/cp1252.h"
#include "common/large_pages.h"
#include "logbook/adif_record.h"

namespace muv {

namespace {

// A tag is at most this long from "<" to ">"; a longer one is taken for text.
constexpr size_t kMaxTagBytes = 256;
// How far ahead of a value the text is looked at for bytes beyond ASCII.
constexpr size_t kAsciiLookAhead = 4096;
// Ten digits declare up to 9999999999 bytes, far more than any file that is read.
constexpr size_t kMaxLengthDigits = 10;
// The country look-ups remember this many answers, then start afresh.
constexpr size_t kMaxRemembered = 65536;
// Fields of a record (or header) being read are held until its end up to this many; those of a longer
// one are read again at its end, so that a file of nothing but fields takes no memory beyond its own.
constexpr size_t kMaxHeldFields = 256;

static_assert(AdifLog::kMaxFileBytes < std::numeric_limits<uint32_t>::max() / 2);

enum class TagKind { Field, EndOfRecord, EndOfHeader };

struct Tag {
    TagKind kind = TagKind::Field;
    std::string_view name, type, value;
    size_t next = 0;      // where the text goes on after the tag and its value
    uint64_t length = 0;  // the value's declared length
    bool ascii = true;    // whether the value is all ASCII
};

constexpr std::array<bool, 256> kNameCharacters = [] {
    std::array<bool, 256> table{};
    for (unsigned u = '!'; u < 0x7F; ++u)
        table[u] = u != '<' && u != '>' && u != ':' && u != ',' && u != '{' && u != '}';
    return table;
}();

bool NameCharacter(char c) {
    return kNameCharacters[static_cast<unsigned char>(c)];
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

// Where the first byte beyond ASCII in text[from, to) is, or `to`: 32 bytes at a time.
size_t NextNonAscii(std::string_view text, size_t from, size_t to) {
    constexpr uint64_t kHighBits = 0x8080808080808080u;
    for (; from + 32 <= to; from += 32) {
        uint64_t words[4];
        std::memcpy(words, text.data() + from, sizeof words);
        if ((words[0] | words[1] | words[2] | words[3]) & kHighBits) break;
    }
    while (from < to && static_cast<unsigned char>(text[from]) < 0x80)
        ++from;
    return from;
}

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Whether text[from, limit) holds nothing but blanks before its next "<" (or its end): a value that ends
// at `from` ends cleanly before the next field.
bool EndsCleanly(std::string_view text, size_t from, size_t limit) {
    while (from < limit && IsBlank(text[from]))
        ++from;
    return from == limit || text[from] == '<';
}

// Where a value of `characters` UTF-8 characters that starts at text[from] ends, when it is valid UTF-8
// ending cleanly before the next field, and holds no "<" beyond `bytesEnd` (where the same length in
// bytes ends): that "<" would begin the next field. 0 when it is not so.
size_t CharacterCountedEnd(std::string_view text, size_t from, uint64_t characters, size_t bytesEnd,
                           size_t limit) {
    size_t end = from;
    for (uint64_t n = 0; n < characters; ++n) {
        if (end >= limit) return 0;
        const auto lead = static_cast<unsigned char>(text[end]);
        if (lead == '<' && end >= bytesEnd) return 0;
        const size_t length = lead < 0x80           ? 1
                              : (lead >> 5) == 0x6  ? 2
                              : (lead >> 4) == 0xE  ? 3
                              : (lead >> 3) == 0x1E ? 4
                                                    : 0;
        if (length == 0 || limit - end < length) return 0;
        end += length;
    }
    if (!EndsCleanly(text, end, limit) || !IsValidUtf8(text.substr(from, end - from))) return 0;
    return end;
}

// For ReadTag, a value text[from, end) of tag.length bytes that may hold bytes beyond ASCII (nonAscii <
// end): whether it does (tag.ascii), and where it ends, by bytes or, as a logger that counts characters
// wrote it, by characters.
[[gnu::noinline]] size_t ValueBeyondAscii(std::string_view text, size_t from, size_t end, size_t limit,
                                          Tag& tag, size_t& nonAscii) {
    // The text is looked at a little ahead, as it is read, not all at once.
    const auto scanFrom = [&](size_t at) {
        nonAscii = NextNonAscii(text, at, std::min(limit, std::max(end, at + kAsciiLookAhead)));
    };
    if (nonAscii < from) {
        scanFrom(from);
    } else if (static_cast<unsigned char>(text[nonAscii]) < 0x80) {
        scanFrom(nonAscii);
    }
    tag.ascii = nonAscii >= end;
    // Only a value beyond ASCII that does not end cleanly can have been counted in characters.
    if (!tag.ascii && tag.length <= limit - from && !EndsCleanly(text, end, limit)) {
        if (const size_t characters = CharacterCountedEnd(text, from, tag.length, end, limit))
            return characters;
    }
    return end;
}

// Reads the tag whose "<" is at text[pos], looking no further than limit: "<NAME:n>" or "<NAME:n:T>"
// followed by n bytes of value (fewer when the limit comes first), or "<EOR>" / "<EOH>" in any case.
// A value of n bytes that leaves something before the next field (a character cut in two, or more
// letters), where n UTF-8 characters end cleanly before it, is those n characters, as a logger that
// counts characters wrote it. False when what starts there is no tag. The reader keeps nonAscii as it
// goes: from some place before the tag up to it the text is ASCII, and there is a byte beyond ASCII or
// text not looked at yet.
bool ReadTag(std::string_view text, size_t pos, size_t limit, Tag& tag, size_t& nonAscii) {
    const size_t tagLimit = std::min(limit, pos + kMaxTagBytes);
    size_t i = pos + 1;
    while (i < tagLimit && NameCharacter(text[i]))
        ++i;
    if (i == pos + 1 || i >= tagLimit) return false;
    tag.name = text.substr(pos + 1, i - pos - 1);
    const bool endOfRecord = tag.name.size() == 3 && SameName(tag.name, "EOR");
    const bool endOfHeader = tag.name.size() == 3 && SameName(tag.name, "EOH");
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
    tag.length = length;
    if (tag.kind == TagKind::Field) {
        size_t end = i + static_cast<size_t>(std::min<uint64_t>(length, limit - i));
        if (nonAscii < end) end = ValueBeyondAscii(text, i, end, limit, tag, nonAscii);
        tag.value = text.substr(i, end - i);
        i = end;
    }
    tag.next = i;
    return true;
}

// Calls found(tag, position of its "<") for each tag in text[from, to), in order. Returns where the
// last tag ends (npos when there is none).
template <typename Found>
size_t ForEachTag(std::string_view text, size_t from, size_t to, Found&& found) {
    size_t pos = from;
    size_t nonAscii = from;
    size_t last = std::string_view::npos;
    while (pos < to) {
        // The next tag is mostly a line end away: the first bytes are looked at here, the rest by memchr.
        const size_t near = std::min(to, pos + 4);
        while (pos < near && text[pos] != '<')
            ++pos;
        if (pos == near) {
            if (pos == to) break;
            const void* open = std::memchr(text.data() + pos, '<', to - pos);
            if (!open) break;
            pos = static_cast<size_t>(static_cast<const char*>(open) - text.data());
        }
        Tag tag;
        if (!ReadTag(text, pos, to, tag, nonAscii)) {
            ++pos;
            continue;
        }
        found(tag, pos);
        pos = last = tag.next;
    }
    return last;
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

// A field that LogText keeps: its name in capitals, and what LogText does with it.
enum class KnownKind : uint8_t { Plain, Country, Time, Call };
struct KnownField {
    std::string_view name;
    KnownKind kind;
};

constexpr KnownField kKnownFields[] = {{"ADIF_VERS", KnownKind::Plain},
                                       {"PROGRAMID", KnownKind::Plain},
                                       {"PROGRAMVERSION", KnownKind::Plain},
                                       {"NAME", KnownKind::Plain},
                                       {"QTH", KnownKind::Plain},
                                       {"BAND", KnownKind::Plain},
                                       {"FREQ", KnownKind::Plain},
                                       {"QSO_DATE", KnownKind::Plain},
                                       {"TIME_ON", KnownKind::Time},
                                       {"TIME_OFF", KnownKind::Time},
                                       {"OPERATOR", KnownKind::Plain},
                                       {"MY_GRIDSQUARE", KnownKind::Plain},
                                       {"NOTES", KnownKind::Plain},
                                       {"GRIDSQUARE", KnownKind::Plain},
                                       {"DISTANCE", KnownKind::Plain},
                                       {"RST_SENT", KnownKind::Plain},
                                       {"RST_RCVD", KnownKind::Plain},
                                       {"CONT", KnownKind::Plain},
                                       {"MY_COUNTRY", KnownKind::Plain},
                                       {"EQSL_QSL_SENT", KnownKind::Plain},
                                       {"EQSL_QSL_RCVD", KnownKind::Plain},
                                       {"MODE", KnownKind::Plain},
                                       {"CALL", KnownKind::Call},
                                       {"COUNTRY", KnownKind::Country}};
constexpr size_t kLongestKnownName = 14;

// Where a name (of any case) is looked for among the known ones: by its length and its first and last
// letters.
constexpr size_t KnownSlot(size_t length, char first, char last) {
    return (length * 6 + (static_cast<unsigned char>(first) & 0xDFu) * 4 +
            (static_cast<unsigned char>(last) & 0xDFu)) &
           63;
}

// The known field (its index plus one) at each slot; 0 where none is.
constexpr std::array<uint8_t, 64> kKnownSlots = [] {
    std::array<uint8_t, 64> slots{};
    for (size_t i = 0; i < std::size(kKnownFields); ++i) {
        const std::string_view name = kKnownFields[i].name;
        uint8_t& slot = slots[KnownSlot(name.size(), name.front(), name.back())];
        if (slot != 0) throw "two known names share a slot";
        slot = static_cast<uint8_t>(i + 1);
    }
    return slots;
}();

// The field that LogText keeps under this name (in any case), or null.
const KnownField* FindKnownField(std::string_view name) {
    if (name.empty() || name.size() > kLongestKnownName) return nullptr;
    const uint8_t slot = kKnownSlots[KnownSlot(name.size(), name.front(), name.back())];
    if (slot == 0) return nullptr;
    const KnownField& field = kKnownFields[slot - 1];
    if (field.name.size() != name.size()) return nullptr;
    // The known names are of capitals and "_": a name character that differs from one of them in no more
    // than the bit of small letters is that letter in either case (or "_" itself, DEL being no name
    // character).
    unsigned differs = 0;
    for (size_t i = 0; i < name.size(); ++i)
        differs |= (static_cast<unsigned char>(name[i]) ^ static_cast<unsigned char>(field.name[i])) & 0xDFu;
    return differs == 0 ? &field : nullptr;
}

// ASCII as LogText holds it: small letters in capitals, a blank for each line break, "<" and ">".
constexpr std::array<char, 128> kSearchableAscii = [] {
    std::array<char, 128> table{};
    for (size_t c = 0; c < table.size(); ++c)
        table[c] = c >= 'a' && c <= 'z'                             ? static_cast<char>(c - 0x20)
                   : c == '\r' || c == '\n' || c == '<' || c == '>' ? ' '
                                                                    : static_cast<char>(c);
    return table;
}();

void AppendSearchableAscii(std::string& out, std::string_view ascii) {
    const size_t from = out.size();
    out += ascii;
    for (auto c = out.begin() + static_cast<std::ptrdiff_t>(from); c != out.end(); ++c)
        *c = kSearchableAscii[static_cast<unsigned char>(*c) & 0x7F];
}

std::string SearchableValue(std::string_view utf8) {
    std::string text = Utf8ToUpper(utf8);
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '<' || c == '>') c = ' ';
    return text;
}

// Any value as LogText holds it: its bytes read as DecodeText reads them (ASCII as itself), in
// capitals in every script, with no line break, "<" or ">" in it.
void AppendSearchableValue(std::string& out, std::string_view bytes) {
    if (IsAscii(bytes)) {
        AppendSearchableAscii(out, bytes);
        return;
    }
    out += SearchableValue(DecodeText(bytes));
}

void AppendField(std::string& out, std::string_view name, std::string_view value, std::string_view type) {
    out += '<';
    out += name;
    out += ':';
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value.size()).ptr);
    if (!type.empty()) {
        out += ':';
        out += type;
    }
    out += '>';
    out += value;
    out += "\r\n";
}

bool TypeKept(std::string_view type) {
    return !type.empty() && !(type.size() == 1 && std::strchr("CNTDMcntdm", type[0]));
}

// The type indicator as LogText keeps it: C, N, T, D and M are dropped, others are in capitals.
void AppendSearchableType(std::string& out, std::string_view type) {
    if (!TypeKept(type)) return;
    out += ':';
    const size_t from = out.size();
    out += type;
    for (auto c = out.begin() + static_cast<std::ptrdiff_t>(from); c != out.end(); ++c)
        if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 0x20);
}

// A line of LogText: "<NAME:n:TYPE>", the value and CR LF, n counting the value's bytes (two more with
// seconds, "00" then ending it). The value is searchable already, or ASCII (ascii) to be made so.
// Returns where the value starts in out.
size_t AppendLine(std::string& out, std::string_view name, std::string_view value, bool ascii, bool seconds,
                  std::string_view type) {
    const size_t length = value.size() + (seconds ? 2 : 0);
    const bool typeKept = TypeKept(type);
    char line[256];
    if (name.size() + type.size() + value.size() + 32 > sizeof line) {
        out += '<';
        out += name;
        out += ':';
        out += std::to_string(length);
        AppendSearchableType(out, type);
        out += '>';
        const size_t valueAt = out.size();
        if (ascii) {
            AppendSearchableAscii(out, value);
        } else {
            out += value;
        }
        out += seconds ? "00\r\n" : "\r\n";
        return valueAt;
    }
    // Short lines, nearly all, are put together here and added at once.
    char* p = line;
    *p++ = '<';
    for (const char c : name)
        *p++ = c;
    *p++ = ':';
    p = std::to_chars(p, line + sizeof line, length).ptr;
    if (typeKept) {
        *p++ = ':';
        for (const char c : type)
            *p++ = c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c;
    }
    *p++ = '>';
    const size_t valueAt = out.size() + static_cast<size_t>(p - line);
    if (ascii) {
        for (const char c : value)
            *p++ = kSearchableAscii[static_cast<unsigned char>(c) & 0x7F];
    } else {
        for (const char c : value)
            *p++ = c;
    }
    if (seconds) {
        *p++ = '0';
        *p++ = '0';
    }
    *p++ = '\r';
    *p++ = '\n';
    out.append(line, static_cast<size_t>(p - line));
    return valueAt;
}

bool EndsInAdi(const std::string& path) {
    return path.size() >= 3 && SameName(std::string_view(path).substr(path.size() - 3), "ADI");
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Reads the whole of an open plain file of at most maxBytes, from its start, into text. Returns 0 or
// the errno of the failure (EFBIG when larger).
int ReadOpenFile(int fd, const struct stat& st, size_t maxBytes, AdifBytes& text) {
    if (static_cast<uint64_t>(st.st_size) > maxBytes) return EFBIG;
    // One byte more than the file has finds its end at once; one byte more than allowed shows a file
    // that grew past the limit while it was read.
    text = {};
    text.Reserve(static_cast<size_t>(st.st_size) + 1);
    while (text.size <= maxBytes) {
        if (text.size == text.capacity) text.Reserve(std::min(maxBytes + 1, 2 * text.capacity));
        const ssize_t n = ::pread(fd, text.data.get() + text.size, text.capacity - text.size,
                                  static_cast<off_t>(text.size));
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            text = {};
            return error;
        }
        if (n == 0) return 0;
        text.size += static_cast<size_t>(n);
    }
    text = {};
    return EFBIG;
}

// Reads a plain file of at most maxBytes. Returns 0 or the errno of the failure (EFBIG when larger,
// EINVAL when it is no plain file); st is the file's.
int ReadFile(const std::string& path, size_t maxBytes, AdifBytes& text, struct stat& st) {
    // Not blocking: a pipe or a device at the path is refused, not waited for.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno;
    int error = 0;
    if (::fstat(fd, &st) != 0) {
        error = errno;
    } else if (!S_ISREG(st.st_mode)) {
        error = EINVAL;
    } else {
        error = ReadOpenFile(fd, st, maxBytes, text);
    }
    ::close(fd);
    return error;
}

// Whether the open file ends in the same bytes as the text (its size being the text's).
bool TailIs(int fd, std::string_view text) {
    char tail[64];
    const size_t n = std::min(text.size(), sizeof tail);
    if (n == 0) return true;
    return ::pread(fd, tail, n, static_cast<off_t>(text.size() - n)) == static_cast<ssize_t>(n) &&
           std::memcmp(tail, text.data() + text.size() - n, n) == 0;
}

// Whether the bytes are valid Windows-1252: none of the five codes that set leaves unassigned.
bool ValidCp1252(std::string_view bytes) {
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u == 0x81 || u == 0x8D || u == 0x8F || u == 0x90 || u == 0x9D) return false;
    }
    return true;
}

// A record (ADIF text) with each value in the log's encoding: UTF-8, or in a Windows-1252 log
// Windows-1252 where that set holds the value (EncodeText). The text between the fields stays.
std::string RecordInEncoding(std::string_view record, bool windows1252) {
    if (IsAscii(record)) return std::string(record);
    std::string out;
    out.reserve(record.size() + record.size() / 4);
    size_t copied = 0;
    ForEachTag(record, 0, record.size(), [&](const Tag& tag, size_t pos) {
        if (tag.kind != TagKind::Field || tag.ascii) return;
        const std::string decoded = DecodeText(tag.value);
        const std::string value = windows1252 ? EncodeText(decoded) : decoded;
        if (value == tag.value) return;
        out += record.substr(copied, pos - copied);
        out += '<';
        out += tag.name;
        out += ':';
        out += std::to_string(value.size());
        if (!tag.type.empty()) {
            out += ':';
            out += tag.type;
        }
        out += '>';
        out += value;
        copied = tag.next;
    });
    out += record.substr(copied);
    return out;
}

// A log made read-only stays as it is, whoever runs the program: root could still write it.
bool ReadOnlyLog(const struct stat& st) {
    return S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0;
}

}  // namespace

void AdifBytes::Reserve(size_t bytes) {
    if (bytes <= capacity) return;
    std::unique_ptr<char[]> more = std::make_unique_for_overwrite<char[]>(bytes);
    AdviseLargePages(more.get(), bytes);
    if (size > 0) std::memcpy(more.get(), data.get(), size);
    data = std::move(more);
    capacity = bytes;
}

void AdifBytes::Append(std::string_view more) {
    if (more.size() > capacity - size) Reserve(std::max(size + more.size(), capacity + capacity / 2));
    if (!more.empty()) std::memcpy(data.get() + size, more.data(), more.size());
    size += more.size();
}

AdifLog::AdifLog(AdifCountries countries) : countries_(std::move(countries)) {}

void AdifLog::Clear() {
    text_ = {};
    haveFile_ = false;
    windows1252_ = false;
    lastTagEnd_ = 0;
    lastValueShort_ = 0;
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
        AdifBytes text;
        struct stat st {};
        const int error = ReadFile(path, kMaxFileBytes, text, st);
        if (error == EFBIG)
            return failure("the file is larger than " + std::to_string(kMaxFileBytes >> 20) + " MB");
        if (error == EINVAL) return failure("it is not a plain file");
        if (error) return failure(ErrorCause(error));
        if (text.size < 2) return failure(text.size == 0 ? "the file is empty" : "the file is too short");
        LoadBytes(std::move(text));
        haveFile_ = true;
        fileDevice_ = st.st_dev;
        fileInode_ = st.st_ino;
        return {true, "", "", ""};
    } catch (const std::exception& e) {
        Clear();
        return failure(e.what());
    }
}

void AdifLog::LoadText(std::string text) {
    Clear();
    if (text.size() > kMaxFileBytes) return;
    AdifBytes bytes;
    bytes.Append(text);
    LoadBytes(std::move(bytes));
}

void AdifLog::LoadBytes(AdifBytes text) {
    Clear();
    text_ = std::move(text);
    ReserveInLargePages(logText_, text_.size + text_.size / 8);
    // Records are seldom shorter than this; a log of shorter ones only makes more room as it goes.
    ReserveInLargePages(records_, text_.size / 256);
    Read(0, text_.size, true, true);
}

void AdifLog::Read(size_t from, size_t to, bool fileStart, bool writeLogText) {
    size_t pending = std::string::npos;  // where the fields not yet ended by "<EOR>" or "<EOH>" begin
    bool firstTag = fileStart;
    // While LogText is written along: the pending fields (held while they are few); the header's lines
    // not yet in LogText, and where they go once its "<EOH>" line is there (npos before).
    std::vector<FieldText> fields;
    bool held = true;
    std::string header;
    size_t headerEnd = std::string::npos;
    const auto range = [](size_t begin, size_t end, bool ended) {
        return Range{static_cast<uint32_t>(begin), static_cast<uint32_t>(end), ended};
    };
    // The pending fields, up to `end`: those held, or else read again.
    const auto pendingFields = [&](size_t end) {
        return [&, begin = pending, end](const auto& visit) {
            if (held) {
                for (const FieldText& field : fields)
                    visit(field);
            } else {
                ForEachField(begin, end, visit);
            }
        };
    };
    const auto nextStretch = [&] {
        pending = std::string::npos;
        fields.clear();
        held = true;
    };
    uint64_t lastValueShort = 0;
    const size_t lastTagEnd = ForEachTag(text_, from, to, [&](const Tag& tag, size_t pos) {
        if (firstTag) {
            if (!Blank(std::string_view(text_).substr(from, pos - from)))
                headerText_ = range(from, pos, false);
            firstTag = false;
        }
        // Only the last tag can be cut short by the end.
        if (tag.next == to && tag.kind == TagKind::Field && tag.length > tag.value.size())
            lastValueShort = tag.length - tag.value.size();
        switch (tag.kind) {
            case TagKind::Field:
                if (pending == std::string::npos) pending = pos;
                // One value of Windows-1252 makes the file a Windows-1252 log.
                if (fileStart && !windows1252_ && !tag.ascii)
                    windows1252_ = !IsValidUtf8(tag.value) && ValidCp1252(tag.value);
                if (writeLogText && held) {
                    held = fields.size() < kMaxHeldFields;
                    if (held) {
                        fields.push_back({tag.name, tag.type, tag.value});
                    } else {
                        fields.clear();
                    }
                }
                break;
            case TagKind::EndOfRecord:
                if (pending != std::string::npos) records_.push_back(range(pending, pos, true));
                if (writeLogText && pending != std::string::npos) AppendRecordLogText(pendingFields(pos));
                nextStretch();
                break;
            case TagKind::EndOfHeader:
                // Fields before "<EOH>" belong to the header, also those of a second header (two files
                // put together).
                hasHeader_ = true;
                if (pending != std::string::npos) headerFields_.push_back(range(pending, pos, true));
                if (writeLogText) {
                    // LogText starts with the header's fields, all of them before its one "<EOH>" line,
                    // wherever in the file they stand: a header before every record goes there at
                    // once, the fields of any later one all together at the end.
                    if (pending != std::string::npos) AppendHeaderLogText(header, pendingFields(pos));
                    if (headerEnd == std::string::npos && logText_.empty()) {
                        logText_ += header;
                        logText_ += "<EOH>\r\n";
                        headerEnd = header.size();
                        header.clear();
                    }
                }
                nextStretch();
                break;
        }
    });
    if (lastTagEnd != std::string_view::npos) lastTagEnd_ = lastTagEnd;
    lastValueShort_ = lastValueShort;
    if (firstTag && !Blank(std::string_view(text_).substr(from, to - from)))
        headerText_ = range(from, to, false);
    if (pending != std::string::npos) {
        records_.push_back(range(pending, to, false));
        if (writeLogText) AppendRecordLogText(pendingFields(to));
    }
    if (writeLogText && hasHeader_) {
        if (headerEnd == std::string::npos) {
            logText_.insert(0, header + "<EOH>\r\n");
        } else if (!header.empty()) {
            logText_.insert(headerEnd, header);
        }
    }
}

template <typename Visit>
void AdifLog::ForEachField(size_t from, size_t to, const Visit& visit) const {
    ForEachTag(text_, from, to, [&](const Tag& tag, size_t) {
        if (tag.kind == TagKind::Field) visit(FieldText{tag.name, tag.type, tag.value});
    });
}

bool AdifLog::CountryKnown(std::string_view name) {
    if (!countries_.CountryTextHolds) return true;
    if (const auto found = knownCountries_.find(name); found != knownCountries_.end()) return found->second;
    if (knownCountries_.size() >= kMaxRemembered) knownCountries_.clear();
    std::string key(name);
    const bool known = countries_.CountryTextHolds(key);
    knownCountries_.emplace(std::move(key), known);
    return known;
}

const std::string& AdifLog::CountryOf(std::string_view callsign) {
    static const std::string none;
    if (!countries_.CountryOfCallsign) return none;
    if (const auto found = callCountries_.find(callsign); found != callCountries_.end()) return found->second;
    if (callCountries_.size() >= kMaxRemembered) callCountries_.clear();
    std::string key(callsign);
    std::string country = SearchableValue(countries_.CountryOfCallsign(key));
    return callCountries_.emplace(std::move(key), std::move(country)).first->second;
}

template <typename FieldSource>
void AdifLog::AppendHeaderLogText(std::string& out, const FieldSource& fields) {
    fields([&](const FieldText& field) {
        const KnownField* known = FindKnownField(field.name);
        if (!known) return;
        value_.clear();
        AppendSearchableValue(value_, field.value);
        AppendLine(out, known->name, value_, false, false, field.type);
    });
}

template <typename FieldSource>
void AdifLog::AppendRecordLogText(const FieldSource& fields) {
    bool any = false, haveCall = false, haveCountry = false;
    size_t callAt = 0, callSize = 0;  // where the first CALL's value stands in LogText
    fields([&](const FieldText& field) {
        const KnownField* known = FindKnownField(field.name);
        if (!known) return;
        // An ASCII value goes straight into LogText; any other is decoded first.
        const bool ascii = IsAscii(field.value);
        if (!ascii || known->kind == KnownKind::Country) {
            value_.clear();
            AppendSearchableValue(value_, field.value);
        }
        if (known->kind == KnownKind::Country) {
            // Only the first country, and only one that the country file holds.
            if (haveCountry || (!value_.empty() && !CountryKnown(value_))) return;
            haveCountry = true;
        }
        const bool direct = ascii && known->kind != KnownKind::Country;
        const std::string_view value = direct ? field.value : std::string_view(value_);
        const bool seconds = known->kind == KnownKind::Time && value.size() == 4;
        const size_t valueAt = AppendLine(logText_, known->name, value, direct, seconds, field.type);
        if (known->kind == KnownKind::Call && !haveCall) {
            haveCall = true;
            callAt = valueAt;
            callSize = value.size();
        }
        any = true;
    });
    if (haveCall && !haveCountry) {
        value_.assign(logText_, callAt, callSize);
        AppendField(logText_, "COUNTRY", CountryOf(value_), {});
    }
    if (any) logText_ += "<EOR>\r\n";
}

void AdifLog::AppendLogText(const Range& range) {
    AppendRecordLogText([&](const auto& visit) { ForEachField(range.begin, range.end, visit); });
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
    out.reserve(text_.size + text_.size / 8);
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

std::optional<std::string> AdifLog::ClosingText() const {
    const std::string_view text = text_;
    std::string closing;
    bool open = !records_.empty() && !records_.back().ended;
    if (lastValueShort_ > 0) {
        // The last value runs to the end of the text and lacks bytes: blanks make it as long as it says.
        if (lastValueShort_ > kMaxPaddingBytes) return std::nullopt;
        closing.append(static_cast<size_t>(lastValueShort_), ' ');
    } else if (const size_t cut = text.rfind('<'); cut != std::string_view::npos && cut >= lastTagEnd_) {
        // A "<" after the last tag that could still become one: "<", a name, ":" and digits, ":" and a
        // type, each as far as the text goes. It is finished, so that no reader takes it for the start of
        // a tag that runs on into the record.
        const std::string_view rest = text.substr(cut + 1);
        size_t i = 0;
        while (i < rest.size() && NameCharacter(rest[i]))
            ++i;
        const std::string_view name = rest.substr(0, i);
        bool lengthColon = false, typeColon = false;
        uint64_t length = 0;
        size_t digits = 0;
        if (i < rest.size() && rest[i] == ':') {
            lengthColon = true;
            for (++i; i < rest.size() && rest[i] >= '0' && rest[i] <= '9' && digits < kMaxLengthDigits;
                 ++i, ++digits)
                length = length * 10 + static_cast<uint64_t>(rest[i] - '0');
            if (i < rest.size() && rest[i] == ':') {
                typeColon = true;
                for (++i; i < rest.size() && NameCharacter(rest[i]);)
                    ++i;
            }
        }
        if (i == rest.size()) {
            if (!lengthColon && name.size() <= 3 &&
                SameName(name, std::string_view("EOR").substr(0, name.size()))) {
                closing = std::string("EOR").substr(name.size()) + ">";
                open = false;
            } else if (!lengthColon && SameName(name, "EOH")) {
                closing = ">";
                open = false;
            } else {
                if (length > kMaxPaddingBytes) return std::nullopt;
                closing = !lengthColon ? ":0>" : digits == 0 && !typeColon ? "0>" : ">";
                closing.append(static_cast<size_t>(length), ' ');
                open = true;
            }
        }
    }
    const auto endsInLineEnd = [&] {
        return closing.empty() ? text.empty() || text.back() == '\n' : closing.back() == '\n';
    };
    if (open) {
        if (!endsInLineEnd()) closing += "\r\n";
        closing += "<EOR>";
    }
    if (!endsInLineEnd()) closing += "\r\n";
    return closing;
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

    // A new file starts with the header, and the log in memory with it: a UTF-8 log.
    if (!Exists(path)) {
        const std::string header = AdifHeader() + "\r\n";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0) return failed(ErrorCause(errno));
        struct stat st {};
        int error = WriteAll(fd, header, write);
        if (!error && ::fsync(fd) != 0) error = errno;
        if (!error && ::fstat(fd, &st) != 0) error = errno;
        if (::close(fd) != 0 && !error) error = errno;
        if (error) {
            ::unlink(path.c_str());
            return failed(ErrorCause(error));
        }
        LoadText(header);
        haveFile_ = true;
        fileDevice_ = st.st_dev;
        fileInode_ = st.st_ino;
    }

    if (!record.empty()) {
        // Not blocking: a pipe at the path is refused, not waited for.
        int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0 && errno == EACCES)
            fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            // To anyone but root a read-only log does not even open; it is told as read-only all the same.
            const int openError = errno;
            struct stat st {};
            if (openError == EACCES && ::stat(path.c_str(), &st) == 0 && ReadOnlyLog(st))
                return failed("the file is read-only");
            return failed(ErrorCause(openError));
        }
        struct stat st {};
        const int statError = ::fstat(fd, &st) != 0 ? errno : 0;
        if (statError || !S_ISREG(st.st_mode) || ReadOnlyLog(st)) {
            ::close(fd);
            return failed(statError              ? ErrorCause(statError)
                          : !S_ISREG(st.st_mode) ? std::string("it is not a plain file")
                                                 : std::string("the file is read-only"));
        }

        // How the file ends is known from the log in memory while that is the file's text; a file
        // changed since (by another logger, say, or another file at the path) is read again, keeping
        // the encoding decided for it.
        const bool sameFile = haveFile_ && st.st_dev == fileDevice_ && st.st_ino == fileInode_;
        bool known = sameFile && static_cast<uint64_t>(st.st_size) == text_.size && TailIs(fd, text_);
        if (!known) {
            try {
                AdifBytes bytes;
                if (ReadOpenFile(fd, st, kMaxFileBytes, bytes) == 0) {
                    const bool windows1252 = windows1252_;
                    LoadBytes(std::move(bytes));
                    if (sameFile) windows1252_ = windows1252;
                    known = true;
                }
            } catch (const std::exception&) {
                Clear();
            }
        }
        // What the file left open is closed first. A file that cannot be read (write-only, or larger
        // than any log) only gets a line end, as its end shows.
        std::string block;
        if (known) {
            const std::optional<std::string> closing = ClosingText();
            if (!closing) {
                ::close(fd);
                return failed("its last value is cut short by more than " +
                              std::to_string(kMaxPaddingBytes >> 20) + " MB");
            }
            block = *closing;
        } else {
            char last = '\n';
            if (st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) != 1) last = '\n';
            if (last != '\n') block = "\r\n";
        }
        const bool closed = !block.empty() && block != "\r\n";
        block += RecordInEncoding(record, windows1252_);
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
            return failed(restored ? ErrorCause(error)
                                   : ErrorCause(error) +
                                         "; part of the record may be left at the end of the file");

        // The record is in the file; the log in memory follows as far as it can. A record that closed
        // what was open changes how the text before it reads: the whole is read again.
        const size_t from = text_.size;
        if (from + block.size() <= std::numeric_limits<uint32_t>::max() / 2) {
            try {
                text_.Append(block);
                if (closed) {
                    const bool windows1252 = windows1252_;
                    LoadBytes(std::move(text_));
                    windows1252_ = windows1252;
                } else {
                    const size_t before = records_.size();
                    Read(from, text_.size, false, false);
                    for (size_t i = before; i < records_.size(); ++i)
                        AppendLogText(records_[i]);
                }
                haveFile_ = known;
                fileDevice_ = st.st_dev;
                fileInode_ = st.st_ino;
            } catch (const std::exception&) {
                haveFile_ = false;
            }
        } else {
            haveFile_ = false;
        }
    }
    result.result = 1;
    return result;
}

}  // namespace muv
