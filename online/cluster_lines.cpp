#include "online/cluster_lines.h"

#include <algorithm>

#include "common/cp1252.h"
#include "common/vb.h"
#include "logbook/callsign.h"

namespace muv {

std::vector<std::string> ClusterLineSplitter::Feed(std::string_view bytes) {
    std::vector<std::string> lines;
    while (!bytes.empty()) {
        const size_t lineFeed = bytes.find('\n');
        const size_t take = lineFeed == std::string_view::npos ? bytes.size() : lineFeed + 1;
        const size_t room = kMaxLineBytes - pending_.size();
        if (take > room) {
            // The line outgrows the cap: what fits goes on as a line of its own.
            pending_.append(bytes.substr(0, room));
            bytes.remove_prefix(room);
            lines.push_back(std::move(pending_));
            pending_.clear();
            continue;
        }
        pending_.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (lineFeed != std::string_view::npos) {
            lines.push_back(std::move(pending_));
            pending_.clear();
        }
    }
    return lines;
}

namespace {

// The columns of a cluster spot: the comment's 30 characters from column 40 and the time's 4 from
// column 71; a shorter line is not a spot this reader can cut.
constexpr long kCommentColumn = 40;
constexpr long kCommentLength = 30;
constexpr long kTimeColumn = 71;
constexpr long kTimeLength = 4;
// What the cluster adds behind the text of a relayed chat line, line end included.
constexpr long kChatTrailerLength = 4;

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

// A decoded line as the reader counts it: Mid and InStr as in common/vb.h, with positions and lengths in
// characters, so that a column is the same column whatever the characters before it, and no cut splits a
// character. The text must outlive it.
class Characters {
public:
    explicit Characters(std::string_view utf8) : text_(utf8) {
        // Most lines are ASCII: there a character is a byte, and no table is needed.
        ascii_ = std::all_of(utf8.begin(), utf8.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (ascii_) return;
        for (size_t i = 0; i < utf8.size(); i += SequenceLength(utf8, i))
            starts_.push_back(i);
        starts_.push_back(utf8.size());
    }

    long Length() const {
        return ascii_ ? static_cast<long>(text_.size()) : static_cast<long>(starts_.size()) - 1;
    }

    std::string Mid(long start, long length = -1) const {
        if (start < 1 || length == 0 || start > Length()) return {};
        const long end = length < 0 || length > Length() - start + 1 ? Length() + 1 : start + length;
        const size_t from = Start(start - 1);
        return std::string(text_.substr(from, Start(end - 1) - from));
    }

    // Finds ASCII marks only, which always start a character.
    long InStr(long start, std::string_view find) const {
        if (start < 1 || start > Length() + 1) return 0;
        const size_t at = text_.find(find, Start(start - 1));
        if (at == std::string_view::npos) return 0;
        if (ascii_) return static_cast<long>(at) + 1;
        return static_cast<long>(std::lower_bound(starts_.begin(), starts_.end(), at) - starts_.begin()) + 1;
    }

private:
    // The bytes of the character at i of valid UTF-8.
    static size_t SequenceLength(std::string_view utf8, size_t i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        return std::min(length, utf8.size() - i);
    }

    // Where the character of index i (from 0) starts; the text's length for the index after the last.
    size_t Start(long i) const { return ascii_ ? static_cast<size_t>(i) : starts_[static_cast<size_t>(i)]; }

    std::string_view text_;
    bool ascii_ = true;
    std::vector<size_t> starts_;  // where each character starts, and the text's end (non-ASCII text)
};

std::optional<ClusterLine> ParseSpot(std::string_view line, std::string_view own) {
    // The columns are counted on the line without its line end.
    const Characters body(WithoutLineEnd(line));
    if (body.Length() < kTimeColumn + kTimeLength - 1) return std::nullopt;
    const long colon = body.InStr(1, ":");
    if (colon < 7) return std::nullopt;
    ClusterLine spot;
    spot.sender = body.Mid(7, colon - 7);
    long start = colon + 1;
    while (body.Mid(start, 1) == " ")
        ++start;
    const long dot = body.InStr(1, ".");
    if (dot < start) return std::nullopt;  // no "." in the frequency
    spot.frequency = body.Mid(start, dot + 2 - start);
    const long callStart = dot + 4;
    const long callEnd = body.InStr(callStart, " ");
    if (callEnd < callStart) return std::nullopt;
    const std::string spotted = body.Mid(callStart, callEnd - callStart);
    if (own.empty() || BaseCallsign(spotted) != own) return std::nullopt;
    spot.text = body.Mid(kCommentColumn, kCommentLength);
    spot.time = body.Mid(kTimeColumn, kTimeLength);
    spot.kind = 1;
    return spot;
}

std::optional<ClusterLine> ParseChat(std::string_view text, std::string_view own, int utcHour,
                                     int utcMinute) {
    const Characters line(text);
    const long colon = line.InStr(1, ":");
    if (colon < 8) return std::nullopt;
    const long hash = line.InStr(1, "#");
    if (hash < colon + 2) return std::nullopt;
    const long restLength = line.Length() - hash - kChatTrailerLength;
    if (restLength < 0) return std::nullopt;

    ClusterLine chat;
    chat.sender = line.Mid(8, colon - 8);
    chat.frequency = line.Mid(colon + 2, hash - colon - 2);
    chat.time = Format(utcHour, "00") + Format(utcMinute, "00");
    const std::string restText = line.Mid(hash + 1, restLength);
    const Characters rest(restText);

    if (restText.starts_with("ALL#")) {
        chat.addressee = "ALL";
        chat.text = rest.Mid(5);
        chat.kind = 3;
        return chat;
    }
    const long doubleHash = rest.InStr(5, "##");
    if (doubleHash > 0) {
        // A heard station, "##" and the comment of the one who heard it.
        chat.addressee = rest.Mid(1, doubleHash - 1);
        chat.text = rest.Mid(doubleHash + 2);
        chat.kind = 3;
        return chat;
    }
    const long ownLength = static_cast<long>(Utf8Length(own));
    if (!own.empty() && Utf8ToUpper(rest.Mid(1, ownLength)) == own) {
        chat.text = rest.Mid(ownLength + 2);
        chat.kind = 2;
        return chat;
    }
    return std::nullopt;
}

}  // namespace

std::optional<ClusterLine> ParseClusterLine(std::string_view bytes, std::string_view ownBaseCallsign,
                                            int utcHour, int utcMinute) {
    const std::string line = DecodeText(bytes);
    if (line.starts_with("DX de")) return ParseSpot(line, ownBaseCallsign);
    if (line.starts_with("MUV de")) return ParseChat(line, ownBaseCallsign, utcHour, utcMinute);
    return std::nullopt;
}

}  // namespace muv
