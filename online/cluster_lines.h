// The cluster link's received text: the byte stream cut into lines, and one line read as a spot or a
// chat line that the cluster panel shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace muv {

// Cuts the bytes of the cluster link into lines. A read may hold several lines or part of one; the part
// of a line that has come so far is kept until its line feed arrives. Each line is handed on with its
// line end (the relayed chat lines end in characters of the cluster's own that the reader drops by
// count). A line longer than kMaxLineBytes is handed on in pieces of that size, so that a peer that
// never sends a line feed cannot make the buffer grow.
class ClusterLineSplitter {
public:
    static constexpr size_t kMaxLineBytes = 4096;

    // The lines that the bytes complete, in order.
    std::vector<std::string> Feed(std::string_view bytes);
    // Forgets a partial line (a new connection starts clean).
    void Clear() { pending_.clear(); }
    // How many bytes of an unfinished line are kept.
    size_t PendingSize() const { return pending_.size(); }

private:
    std::string pending_;
};

// What the cluster panel shows of one received line, in UTF-8.
struct ClusterLine {
    std::string sender;
    std::string addressee;
    std::string frequency;  // kHz as the line gives it
    std::string text;
    std::string time;  // hhmm, UTC
    // 1 a cluster spot of the operator's own station, 2 a chat message for the operator (both in the
    // first row), 3 a chat message to all or an internal spot of a heard station (second row).
    uint8_t kind = 0;
};

// Reads one received line (with its line end) as the cluster sent it: UTF-8 when it is valid UTF-8 with
// characters beyond ASCII, else Windows-1252 (DecodeText); the fields are UTF-8, and columns, lengths
// and the chat trailer count characters. ownBaseCallsign is the operator's callsign without portable
// parts; utcHour and utcMinute are the time given to chat lines, which carry none. Nothing for a line
// that the panel does not show: a spot of another station, a chat line for someone else, any other
// text, and a line too short or without the marks its fields are cut at.
//
// "DX de" spots are cut by column: the spotter up to the first ":", the frequency from the first
// non-blank after it up to one character past the first ".", the spotted callsign from three
// characters after that up to the next blank, 30 characters of comment at column 40 and the time at
// column 71. "MUV de" chat lines: "MUV de ", the sender, ":", a blank, the frequency, "#", then a rest
// that ends 4 characters before the line's end: "ALL#" and a text (to all), a heard callsign, "##" and
// a comment (an internal spot), or the operator's callsign, one separator and a text (personal).
// An operator without a callsign is never the one spotted or addressed.
std::optional<ClusterLine> ParseClusterLine(std::string_view bytes, std::string_view ownBaseCallsign,
                                            int utcHour, int utcMinute);

}  // namespace muv
