// The way a mail leaves the program: one message to one recipient over SMTP, sent on the program's
// event loop. The outcome comes back later through the callback, as a single yes or no with its cause in
// a few words ("certificate not trusted", "connection refused", "login refused (reply 535)").
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace muv {

struct MailMessage {
    // The SMTP server and the account, in UTF-8 as the server takes them. With implicitTls the connection is
    // TLS from its first byte (the port 465 way); otherwise it starts in clear and turns to TLS when the
    // server offers it. With a login, TLS is required and the server's certificate must be trusted, so
    // that a password never goes in clear nor to a stranger; without one, the certificate is not checked.
    std::string host;
    uint16_t port = 25;
    bool implicitTls = false;
    bool authenticate = false;
    std::string user;
    std::string password;
    // Envelope and headers. The texts are UTF-8; the body's lines end in CR LF. The mail goes out as
    // UTF-8 plain text.
    std::string from;
    std::string to;
    std::string subject;
    std::string body;
    // A file sent along as a MIME part, as the file system names it (UTF-8); empty for none. A file
    // that cannot be read fails the send before the server is contacted.
    std::string attachmentPath;
    // The longest the whole send may take; a server that stalls ends in failure after it.
    int timeoutSeconds = 60;
    // A certificate file (PEM) trusted besides the system's authorities; empty for the system's only.
    std::string trustedCaFile;
};

class MailTransport {
public:
    using Done = std::function<void(bool ok, const std::string& error)>;

    virtual ~MailTransport() = default;
    // Starts sending and returns at once; done runs later on the event loop, exactly once, unless the
    // transport is destroyed first.
    virtual void Send(const MailMessage& message, Done done) = 0;
};

}  // namespace muv
