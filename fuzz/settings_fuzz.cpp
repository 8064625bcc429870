// The settings file (MUV.ini) as any text: read by the private-profile rules, every value is valid
// UTF-8 within its buffer; a value written reads back as written, leaves every other key as it was,
// and writing it again changes nothing; the servers' section gives values within their ranges; the
// UTF-8 mark an editor may put first changes nothing that is read, and a write keeps it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/cp1252.h"
#include "fuzz/fuzz_support.h"
#include "online/online_servers.h"
#include "platform/private_profile.h"

namespace {

using muv::GetProfileValue;
using muv::SetProfileValue;

struct Name {
    const char* section;
    const char* key;
};
// Names as the program uses them: in any case, with a Windows-1252 letter, shared by profiles.
constexpr Name kNames[] = {{"RIG", "PTT"},          {"rig2", "ultima frecuencia"}, {"Operador2", "Callsign"},
                           {"Fuente", "Tama\xF1o"}, {"Servers", "SmtpPort"},       {"User Profiles", "1"}};

// Values as the program writes them (UTF-8): Windows-1252 holds some, not others; "Ã±" is also what
// "ñ" looks like in Windows-1252; marks of the file's own syntax; line breaks, which become blanks.
constexpr std::string_view kValues[] = {"EA4ABC",      "M\xC3\xBCller", "Gy\xC5\x91r", "\xC3\x83\xC2\xB1",
                                        "a=b;[c] 'd'", "x\r\ny\nz",     "7040.0"};

std::string Expected(std::string_view value) {
    std::string out;
    for (char c : value)
        if (c != '\0') out += c == '\r' || c == '\n' ? ' ' : c;
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = muv::fuzz::Text(data, size);

    for (const Name& n : kNames) {
        for (const size_t buffer : {size_t{2}, size_t{7}, size_t{256}}) {
            const std::string value = GetProfileValue(text, n.section, n.key, buffer);
            MUV_FUZZ_REQUIRE(muv::fuzz::ValidUtf8(value));
            MUV_FUZZ_REQUIRE(muv::Utf8Length(value) < buffer);
        }
    }

    muv::MemoryProfileStore store{std::string(text)};
    const muv::OnlineServers servers = muv::ReadOnlineServers(store);
    for (const muv::ServerAddress* s :
         {&servers.cluster, &servers.callsignServerName, &servers.callsignServerNumeric, &servers.pskReporter,
          &servers.webmailSmtp}) {
        MUV_FUZZ_REQUIRE(s->port >= 1);
        MUV_FUZZ_REQUIRE(muv::fuzz::ValidUtf8(s->host));
    }
    MUV_FUZZ_REQUIRE(servers.smtpPort >= 1);
    MUV_FUZZ_REQUIRE(servers.mailTimeoutSeconds >= 1 && servers.mailTimeoutSeconds <= 3600);

    // A value written at every place, of a kind that changes with the input.
    std::string before[std::size(kNames)];
    for (size_t i = 0; i < std::size(kNames); ++i)
        before[i] = GetProfileValue(text, kNames[i].section, kNames[i].key, 300);
    for (size_t i = 0; i < std::size(kNames); ++i) {
        const Name& n = kNames[i];
        const std::string_view value = kValues[(i + size) % std::size(kValues)];
        const std::string written = SetProfileValue(text, n.section, n.key, value);
        MUV_FUZZ_REQUIRE(GetProfileValue(written, n.section, n.key, 300) == Expected(value));
        MUV_FUZZ_REQUIRE(SetProfileValue(written, n.section, n.key, value) == written);
        for (size_t j = 0; j < std::size(kNames); ++j) {
            if (j != i)
                MUV_FUZZ_REQUIRE(GetProfileValue(written, kNames[j].section, kNames[j].key, 300) ==
                                 before[j]);
        }
        MUV_FUZZ_REQUIRE(written.size() <= text.size() + value.size() + 64);
    }

    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    if (!text.starts_with(kMark)) {
        const std::string marked = std::string(kMark) + std::string(text);
        for (size_t i = 0; i < std::size(kNames); ++i)
            MUV_FUZZ_REQUIRE(GetProfileValue(marked, kNames[i].section, kNames[i].key, 300) == before[i]);
        const Name& n = kNames[size % std::size(kNames)];
        const std::string_view value = kValues[size % std::size(kValues)];
        MUV_FUZZ_REQUIRE(SetProfileValue(marked, n.section, n.key, value) ==
                         std::string(kMark) + SetProfileValue(text, n.section, n.key, value));
    }
    return 0;
}
