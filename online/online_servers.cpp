#include "online/online_servers.h"

#include <charconv>

namespace muv {

namespace {

constexpr std::string_view kSection = "Servers";

void ReadText(ProfileStore& store, std::string_view key, std::string& value) {
    if (auto text = store.Read(kSection, key, 256)) value = *text;
}

template <class Number>
void ReadNumber(ProfileStore& store, std::string_view key, Number& value, long low, long high) {
    const auto text = store.Read(kSection, key, 16);
    if (!text) return;
    long number = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, number);
    if (error == std::errc() && stop == end && number >= low && number <= high)
        value = static_cast<Number>(number);
}

void ReadServer(ProfileStore& store, std::string_view key, ServerAddress& server) {
    ReadText(store, key, server.host);
    ReadNumber(store, std::string(key) + "Port", server.port, 1, 65535);
}

}  // namespace

OnlineServers ReadOnlineServers(ProfileStore& store, OnlineServers base) {
    OnlineServers s = std::move(base);
    ReadServer(store, "Cluster", s.cluster);
    ReadText(store, "SpotWeb", s.spotWeb);
    ReadServer(store, "CallsignServer", s.callsignServerName);
    ReadServer(store, "CallsignServerAddress", s.callsignServerNumeric);
    ReadServer(store, "PskReporter", s.pskReporter);
    ReadText(store, "Eqsl", s.eqsl);
    ReadNumber(store, "SmtpPort", s.smtpPort, 1, 65535);
    ReadServer(store, "WebmailSmtp", s.webmailSmtp);
    ReadText(store, "WebmailDomain", s.webmailDomain);
    ReadText(store, "BugReportTo", s.bugReportAddress);
    ReadNumber(store, "MailTimeout", s.mailTimeoutSeconds, 1, 3600);
    ReadText(store, "TrustedCaFile", s.trustedCaFile);
    return s;
}

}  // namespace muv
