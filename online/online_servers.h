// Where the on-line services are reached: every host, port and address is a setting of its own (the
// "Servers" section of the settings file, shared by all profiles), with the services' usual values when
// the file names none.
#pragma once

#include <cstdint>
#include <string>

#include "common/profile_store.h"

namespace muv {

struct ServerAddress {
    std::string host;
    uint16_t port = 0;
};

struct OnlineServers {
    // The DX cluster that carries the program's chat channel, and the web page its spots are posted to
    // (scheme and host; the page's path is the program's own).
    ServerAddress cluster{"dxfun.com", 8000};
    std::string spotWeb = "http://www.dxfun.com";
    // The callsign server by its host name and by its numeric address (the second way in when the first
    // does not connect).
    ServerAddress callsignServerName{"callsign.muv-modem.org", 8000};
    ServerAddress callsignServerNumeric{"callsign.muv-modem.org", 8000};
    // The reception-report service (IPFIX over UDP).
    ServerAddress pskReporter{"report.pskreporter.info", 4739};
    // The eQSL site (scheme and host; the import page's path is fixed).
    std::string eqsl = "https://www.eqsl.cc";
    // E-mail: the port of the operator's own SMTP server; the webmail provider's server (implicit TLS)
    // and its mail domain; where error reports go (the address the "Bug detected" box names too); the
    // longest a send may take; a certificate file trusted besides the system's (empty: the system's
    // only).
    uint16_t smtpPort = 25;
    ServerAddress webmailSmtp{"smtp.gmail.com", 465};
    std::string webmailDomain = "gmail.com";
    std::string bugReportAddress = "bugs@muv-modem.org";
    int mailTimeoutSeconds = 60;
    std::string trustedCaFile;
};

// The servers as the settings name them; a missing or unusable value keeps the one of base.
OnlineServers ReadOnlineServers(ProfileStore& store, OnlineServers base = {});

}  // namespace muv
