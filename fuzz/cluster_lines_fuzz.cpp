// What the DX cluster sends, as any byte stream: cut into lines over reads of every size, each byte is
// handed on once and in order, no line and no unfinished line grows beyond the cap, and each line read
// for the cluster panel gives fields of valid UTF-8 cut from the line, of a kind it can be, which the
// panel shows on one line: no line break, control or bidirectional control of the peer's is left.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/cp1252.h"
#include "fuzz/fuzz_support.h"
#include "online/cluster_lines.h"

namespace {

using muv::ClusterLineSplitter;

// Whether a text shows on one line as what it holds: valid UTF-8 with no control character (C0, DEL,
// C1), no line or paragraph separator and no bidirectional control, and one that the rule of the screen
// leaves as it is.
bool ShowsOnOneLine(std::string_view utf8) {
    if (!muv::fuzz::ValidUtf8(utf8) || muv::OneLineText(utf8) != utf8) return false;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
        const auto third = i + 2 < utf8.size() ? static_cast<unsigned char>(utf8[i + 2]) : 0;
        if (c < 0x20 || c == 0x7F || (c == 0xC2 && next >= 0x80 && next <= 0x9F)) return false;
        if (c == 0xD8 && next == 0x9C) return false;  // U+061C
        if (c == 0xE2 && next == 0x80 &&
            (third == 0x8E || third == 0x8F || third == 0xA8 || third == 0xA9 ||
             (third >= 0xAA && third <= 0xAE)))
            return false;  // U+200E, U+200F, U+2028, U+2029, U+202A to U+202E
        if (c == 0xE2 && next == 0x81 && third >= 0xA6 && third <= 0xA9) return false;  // U+2066 to U+2069
    }
    return true;
}

void CheckRead(std::string_view line, std::string_view own) {
    const auto parsed = muv::ParseClusterLine(line, own, 12, 34);
    if (!parsed) return;
    MUV_FUZZ_REQUIRE(parsed->kind >= 1 && parsed->kind <= 3);
    // The operator's own spot and personal messages need the operator's callsign.
    MUV_FUZZ_REQUIRE(parsed->kind == 3 || !own.empty());
    // Every field is cut from the line (the time of a chat line is the clock's).
    const std::string decoded = muv::DecodeText(line);
    for (const std::string* field :
         {&parsed->sender, &parsed->addressee, &parsed->frequency, &parsed->text}) {
        MUV_FUZZ_REQUIRE(muv::fuzz::ValidUtf8(*field));
        MUV_FUZZ_REQUIRE(decoded.find(*field) != std::string::npos);
        MUV_FUZZ_REQUIRE(ShowsOnOneLine(muv::OneLineText(*field)));
    }
    MUV_FUZZ_REQUIRE(muv::fuzz::ValidUtf8(parsed->time));
    MUV_FUZZ_REQUIRE(ShowsOnOneLine(muv::OneLineText(parsed->time)));
    MUV_FUZZ_REQUIRE(parsed->kind != 1 || decoded.find(parsed->time) != std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input = muv::fuzz::Text(data, size);
    // The reads come in sizes from one byte to more than a line's cap.
    constexpr size_t kReads[] = {1, 2, 9, 64, 700, 5000};
    ClusterLineSplitter splitter;
    std::string handed;
    auto take = [&](const std::string& line) {
        MUV_FUZZ_REQUIRE(!line.empty() && line.size() <= ClusterLineSplitter::kMaxLineBytes);
        // A line ends at its line feed, unless it was longer than the cap and cut there.
        const size_t feed = line.find('\n');
        MUV_FUZZ_REQUIRE(feed == line.size() - 1 ||
                         (feed == std::string::npos && line.size() == ClusterLineSplitter::kMaxLineBytes));
        handed += line;
        CheckRead(line, "EA4XYZ");
        CheckRead(line, "");
    };
    for (size_t at = 0, n = 0; at < input.size(); ++n) {
        const std::string_view read = input.substr(at, kReads[n % std::size(kReads)]);
        at += read.size();
        for (const std::string& line : splitter.Feed(read))
            take(line);
        MUV_FUZZ_REQUIRE(splitter.PendingSize() <= ClusterLineSplitter::kMaxLineBytes);
    }
    for (const std::string& line : splitter.Feed("\n"))
        take(line);
    MUV_FUZZ_REQUIRE(splitter.PendingSize() == 0);
    MUV_FUZZ_REQUIRE(handed.size() == input.size() + 1);
    MUV_FUZZ_REQUIRE(handed.compare(0, input.size(), input) == 0);
    // The whole input as one line, as a reader given a read as it came would see it.
    CheckRead(input, "EA4XYZ");
    // Shown as it came, bytes that are no UTF-8 included.
    MUV_FUZZ_REQUIRE(ShowsOnOneLine(muv::OneLineText(input)));
    return 0;
}
