// Mail and web requests over libcurl, driven by the program's event loop: curl's sockets are watched by
// socket notifiers and its time-outs by a one-shot timer, so nothing ever waits. One object serves both
// the mail transport and the HTTP client. Destroying it abandons whatever is still on its way, without
// calling back.
#pragma once

#include <cstddef>
#include <memory>

#include "online/http_client.h"
#include "online/mail_transport.h"

namespace muv {

class CurlTransfers final : public MailTransport, public HttpClient {
public:
    static constexpr int kDefaultHttpTimeoutSeconds = 30;
    // The most of an answer's body that a request takes; a longer answer fails the request.
    static constexpr std::size_t kMaxHttpBody = std::size_t{8} << 20;

    CurlTransfers();
    ~CurlTransfers() override;
    CurlTransfers(const CurlTransfers&) = delete;
    CurlTransfers& operator=(const CurlTransfers&) = delete;

    void Send(const MailMessage& message, MailTransport::Done done) override;
    void Get(const std::string& url, HttpClient::Done done) override;

    // The longest an HTTP request may take, from the next request on.
    void SetHttpTimeoutSeconds(int seconds);
    // Transfers started and not finished.
    std::size_t InFlight() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace muv
