// The callsign server's replies, and the link's events and the time around them, as a script of any
// bytes: one step a line. Whatever comes, the contact window's boxes never get more than they hold nor
// anything but valid UTF-8 that shows on one line (no line break, control or bidirectional control),
// the heard station's locator is a locator or nothing, the queue stays bounded, and every message sent
// keeps its fields (no "#" of a value makes a field of its own).
//
// Steps: "Q<code> <callsign>|<name>|<qth>|<locator>" a request; "A" the connection opens; "F" it fails;
// "C" the server closes it; "W<ms>" time passes; "R<bytes>" the server sends bytes; "H<callsign>" the
// heard station is asked about; "X" its locator is cleared; "O<callsign>|<name>" the operator's data.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/cp1252.h"
#include "fuzz/fuzz_support.h"
#include "logbook/locator.h"
#include "online/callsign_server.h"
#include "online/tests/callsign_server_fakes.h"
#include "test_support/memory_tcp_link.h"

namespace {

using muv::CallsignServerClient;
using muv::ManualTimer;

std::vector<std::string> Parts(std::string_view text) {
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        const size_t bar = text.find('|', start);
        parts.emplace_back(text.substr(start, bar == std::string_view::npos ? text.npos : bar - start));
        if (bar == std::string_view::npos) return parts;
        start = bar + 1;
    }
}

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

size_t Count(std::string_view text, char c) {
    size_t n = 0;
    for (char t : text)
        n += t == c;
    return n;
}

struct Client {
    muv::test::MemoryTcpLink link;
    ManualTimer online, auxiliary, quiet;
    muv::test::FakeCallsignServerHost host;
    CallsignServerClient client{link, online, auxiliary, quiet, host};

    Client() {
        online.OnTimer = [this] { client.OnlineTimerTick(); };
        auxiliary.OnTimer = [this] { client.AuxiliaryTimerTick(); };
        quiet.OnTimer = [this] { client.QuietTimerTick(); };
    }
    void Advance(int milliseconds) { muv::test::AdvanceTogether(milliseconds, online, auxiliary, quiet); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view script = muv::fuzz::Text(data, size);
    Client c;
    size_t contacts = 0;
    while (!script.empty()) {
        const size_t end = script.find('\n');
        const std::string_view step = script.substr(0, end);
        script = end == std::string_view::npos ? std::string_view{} : script.substr(end + 1);
        if (step.empty()) continue;
        const std::string_view rest = step.substr(1);
        switch (step[0]) {
            case 'Q': {
                const auto code = static_cast<uint8_t>(rest.empty() ? 0 : rest[0] - '0');
                std::vector<std::string> p = Parts(rest.size() > 2 ? rest.substr(2) : std::string_view{});
                p.resize(4);
                c.client.CallsignServerRequest(code, p[0], p[1], p[2], p[3]);
                contacts += code == 6;
                break;
            }
            case 'A':
                c.link.Accept();
                break;
            case 'F':
                c.link.Fail();
                break;
            case 'C':
                c.link.PeerCloses();
                break;
            case 'W': {
                int ms = 0;
                for (char d : rest.substr(0, 5))
                    if (d >= '0' && d <= '9') ms = ms * 10 + (d - '0');
                c.Advance(ms);
                break;
            }
            case 'R':
                c.link.Receive(std::string(rest));
                break;
            case 'H':
                c.host.heard = std::string(rest);
                c.client.LookupHeardCallLocator();
                break;
            case 'X':
                c.client.ClearServerLocator();
                break;
            case 'O': {
                std::vector<std::string> p = Parts(rest);
                p.resize(2);
                c.host.operatorCallsign = p[0];
                c.host.operatorName = p[1];
                break;
            }
            default:
                break;
        }
        const std::string locator = c.client.ServerLocator();
        MUV_FUZZ_REQUIRE(locator.empty() || muv::IsValidLocator(locator) == 1);
        // One queued request of each kind at most, besides the logged contacts.
        MUV_FUZZ_REQUIRE(c.client.QueuedRequests() <= contacts + 8);
    }
    for (const muv::test::PartnerDetails& d : c.host.shown) {
        MUV_FUZZ_REQUIRE(muv::Utf8Length(d.name) <= CallsignServerClient::kBoxTextCap);
        MUV_FUZZ_REQUIRE(muv::Utf8Length(d.qth) <= CallsignServerClient::kBoxTextCap);
        MUV_FUZZ_REQUIRE(muv::Utf8Length(d.locator) <= 6);
        MUV_FUZZ_REQUIRE(ShowsOnOneLine(d.name) && ShowsOnOneLine(d.qth) && ShowsOnOneLine(d.locator));
    }
    for (const std::string& sent : c.link.sent) {
        const std::string message = muv::DecodeText(sent);
        MUV_FUZZ_REQUIRE(!message.empty());
        const size_t marks = Count(message, '#');
        switch (message[0]) {
            case '1':
            case '6':
                MUV_FUZZ_REQUIRE(marks == 10 && message.ends_with("##"));
                break;
            case '2':
            case '4':
                MUV_FUZZ_REQUIRE(marks == 2 && message.find("##") == 1);
                break;
            default:
                MUV_FUZZ_REQUIRE(message == "7");
                break;
        }
    }
    return 0;
}
