// What a mail server answers the program's mail (a reception report sent as the e-mail settings make
// it, through the libcurl transfers), as any bytes: a loopback server speaks first with the input's
// first record and answers each command the program sends with the next one (and, when the program
// says nothing for a while, sends it all the same), then closes. Whatever it answers, the send ends in
// exactly one outcome; a send taken as done has handed the server the whole mail; and a password never
// crosses the connection in clear (the server here never speaks TLS).
//
// The server runs on a thread of its own: libcurl waits for the answer to the mail's end (and to QUIT)
// without returning to the event loop.
//
// Records are separated by "`". A first record "!A" makes the mail log in with the account, as the
// settings' "authentication" does.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "fuzz/fuzz_peers.h"
#include "fuzz/fuzz_support.h"
#include "online/email_sender.h"
#include "platform/qt/curl_transfers.h"

namespace {

constexpr char kUser[] = "ea4abc";
constexpr char kPassword[] = "Pa55-w0rd!x";
// How long the server waits for the program to say something before it sends its next record.
constexpr int kIdleMs = 5;
// A guard only: the program closes its end before the server is stopped.
constexpr int kDrainMs = 10000;

class MailServer {
public:
    explicit MailServer(std::vector<std::string> replies) : replies_(std::move(replies)) {
        listener_ = muv::fuzz::LoopbackListener(SOCK_CLOEXEC, port_);
        if (::pipe2(wake_, O_CLOEXEC) != 0) std::abort();
        thread_ = std::thread([this] { Run(); });
    }
    ~MailServer() { Stop(); }
    uint16_t Port() const { return port_; }
    // What the program sent, once the server has stopped.
    const std::string& Heard() const { return heard_; }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) {
            (void)::write(wake_[1], "", 1);
            thread_.join();
        }
        for (int* fd : {&listener_, &wake_[0], &wake_[1]}) {
            if (*fd >= 0) ::close(*fd);
            *fd = -1;
        }
    }

private:
    void Run() {
        while (!stop_) {
            pollfd p[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
            if (::poll(p, 2, -1) <= 0 || p[1].revents) continue;
            if (const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC); fd >= 0) {
                Converse(fd);
                Drain(fd);
                ::close(fd);
            }
        }
    }
    // False when there is nothing left to send: the server then closes.
    bool Next(int fd) {
        if (next_ >= replies_.size()) return false;
        const std::string& reply = replies_[next_++];
        // A "3xx" to DATA starts the mail's text, which ends at a line of one ".".
        data_ = dataAsked_ && reply.starts_with('3');
        dataAsked_ = false;
        (void)::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
        return true;
    }
    // The script also answers by time, so it may run out (even answer the mail's end) before the program
    // has sent all it will: the server says it has no more and hears the rest until the program closes,
    // which it has done before Stop. What the program sent is heard even when this thread only gets to
    // it after Stop, as on a busy machine.
    void Drain(int fd) {
        ::shutdown(fd, SHUT_WR);
        char buffer[4096];
        for (pollfd p{fd, POLLIN, 0}; ::poll(&p, 1, kDrainMs) > 0;) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) return;
            heard_.append(buffer, static_cast<size_t>(n));
        }
    }
    void Converse(int fd) {
        std::string pending;
        if (!Next(fd)) return;  // the greeting
        while (!stop_) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, kIdleMs) <= 0) {
                if (!Next(fd)) return;
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) return;
            heard_.append(buffer, static_cast<size_t>(n));
            pending.append(buffer, static_cast<size_t>(n));
            for (;;) {
                const size_t end = pending.find(data_ ? "\r\n.\r\n" : "\r\n");
                if (end == std::string::npos) break;
                std::string command = pending.substr(0, end);
                pending.erase(0, end + (data_ ? 5 : 2));
                for (char& c : command)
                    c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
                dataAsked_ = !data_ && command == "DATA";
                data_ = false;
                if (!Next(fd)) return;
            }
        }
    }

    std::vector<std::string> replies_;
    size_t next_ = 0;
    bool dataAsked_ = false, data_ = false;
    std::string heard_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};  // Stop's word to the thread
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

bool Holds(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    new QCoreApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> replies;
    std::string_view script = muv::fuzz::Text(data, size);
    for (;;) {
        const size_t end = script.find('`');
        replies.emplace_back(script.substr(0, end));
        if (end == std::string_view::npos) break;
        script.remove_prefix(end + 1);
    }
    const bool authenticate = replies.front() == "!A";
    if (authenticate) replies.erase(replies.begin());
    MailServer server(std::move(replies));

    muv::EmailSettings settings;
    settings.optSMTP = true;
    settings.txtServidorSMTP = "127.0.0.1";
    settings.servers.smtpPort = server.Port();
    settings.servers.mailTimeoutSeconds = 2;
    settings.chkAuthentication = authenticate;
    settings.txtUsuarioSMTP = kUser;
    settings.txtPasswordSMTP = kPassword;
    settings.txtEmail = "ea4abc@example.org";
    const muv::MailMessage message = muv::EmailSender::MakeMessage(
        settings, "g4xyz@example.com", "MUV reception report", "Heard you at 14:05 UTC.\r\n73\r\n");

    int calls = 0;
    bool ok = false;
    {
        muv::CurlTransfers transfers;
        transfers.Send(message, [&](bool good, const std::string&) {
            ++calls;
            ok = good;
        });
        muv::fuzz::AwaitTheOnlyOutcome(calls, transfers);
    }
    server.Stop();
    const std::string& heard = server.Heard();
    if (ok) MUV_FUZZ_REQUIRE(Holds(heard, "\r\nDATA\r\n") && Holds(heard, "\r\n73\r\n.\r\n"));
    // The password, as it is, or as AUTH PLAIN and AUTH LOGIN carry it.
    const QByteArray password(kPassword);
    const QByteArray plain = QByteArray("\0", 1) + kUser + QByteArray("\0", 1) + password;
    MUV_FUZZ_REQUIRE(!Holds(heard, kPassword));
    MUV_FUZZ_REQUIRE(!Holds(heard, password.toBase64().toStdString()));
    MUV_FUZZ_REQUIRE(!Holds(heard, plain.toBase64().toStdString()));
    return 0;
}
