#include "online/cluster_lines.h"

#include <cctype>

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

long Len(std::string_view text) {
    return static_cast<long>(text.size());
}

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

std::string UpperCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::optional<ClusterLine> ParseSpot(std::string_view line, std::string_view own) {
    // The columns are counted on the line without its line end.
    const std::string_view body = WithoutLineEnd(line);
    if (Len(body) < kTimeColumn + kTimeLength - 1) return std::nullopt;
    const long colon = InStr(1, body, ":");
    if (colon < 7) return std::nullopt;
    ClusterLine spot;
    spot.sender = Mid(body, 7, colon - 7);
    long start = colon + 1;
    while (Mid(body, start, 1) == " ")
        ++start;
    const long dot = InStr(1, body, ".");
    if (dot < start) return std::nullopt;  // no "." in the frequency
    spot.frequency = Mid(body, start, dot + 2 - start);
    const long callStart = dot + 4;
    const long callEnd = InStr(callStart, body, " ");
    if (callEnd < callStart) return std::nullopt;
    const std::string spotted = Mid(body, callStart, callEnd - callStart);
    if (own.empty() || BaseCallsign(spotted) != own) return std::nullopt;
    spot.text = Mid(body, kCommentColumn, kCommentLength);
    spot.time = Mid(body, kTimeColumn, kTimeLength);
    spot.kind = 1;
    return spot;
}

std::optional<ClusterLine> ParseChat(std::string_view line, std::string_view own, int utcHour,
                                     int utcMinute) {
    const long colon = InStr(1, line, ":");
    if (colon < 8) return std::nullopt;
    const long hash = InStr(1, line, "#");
    if (hash < colon + 2) return std::nullopt;
    const long restLength = Len(line) - hash - kChatTrailerLength;
    if (restLength < 0) return std::nullopt;

    ClusterLine chat;
    chat.sender = Mid(line, 8, colon - 8);
    chat.frequency = Mid(line, colon + 2, hash - colon - 2);
    chat.time = Format(utcHour, "00") + Format(utcMinute, "00");
    const std::string rest = Mid(line, hash + 1, restLength);

    if (rest.starts_with("ALL#")) {
        chat.addressee = "ALL";
        chat.text = Mid(rest, 5);
        chat.kind = 3;
        return chat;
    }
    const long doubleHash = InStr(5, rest, "##");
    if (doubleHash > 0) {
        // A heard station, "##" and the comment of the one who heard it.
        chat.addressee = Mid(rest, 1, doubleHash - 1);
        chat.text = Mid(rest, doubleHash + 2);
        chat.kind = 3;
        return chat;
    }
    if (!own.empty() && UpperCase(Mid(rest, 1, Len(own))) == own) {
        chat.text = Mid(rest, Len(own) + 2);
        chat.kind = 2;
        return chat;
    }
    return std::nullopt;
}

}  // namespace

std::optional<ClusterLine> ParseClusterLine(std::string_view line, std::string_view ownBaseCallsign,
                                            int utcHour, int utcMinute) {
    if (line.starts_with("DX de")) return ParseSpot(line, ownBaseCallsign);
    if (line.starts_with("MUV de")) return ParseChat(line, ownBaseCallsign, utcHour, utcMinute);
    return std::nullopt;
}

}  // namespace muv
