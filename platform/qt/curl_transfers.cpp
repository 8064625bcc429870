#include "platform/qt/curl_transfers.h"

#include <curl/curl.h>

#include <sys/socket.h>
#include <unistd.h>

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "online/mail_format.h"

namespace muv {

namespace {

enum class Kind { Mail, Http };

// One transfer with everything curl reads from while it runs.
struct Transfer {
    Kind kind = Kind::Mail;
    CURL* easy = nullptr;
    CURLU* url = nullptr;
    curl_slist* recipients = nullptr;
    curl_slist* headers = nullptr;
    curl_mime* mime = nullptr;
    std::string upload;
    std::size_t uploaded = 0;
    std::string received;
    bool tooLarge = false;
    char error[CURL_ERROR_SIZE] = {};
    MailTransport::Done mailDone;
    HttpClient::Done httpDone;

    Transfer() = default;
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;
    ~Transfer() {
        // The handle goes first: it still points at the parts, lists and address below.
        if (easy) curl_easy_cleanup(easy);
        curl_mime_free(mime);
        curl_slist_free_all(recipients);
        curl_slist_free_all(headers);
        curl_url_cleanup(url);
    }
};

// What a finished transfer reports, kept apart from the transfer so that the transfer is gone before
// anyone hears of it.
struct Outcome {
    Kind kind = Kind::Mail;
    bool ok = false;
    int status = 0;
    std::string error;
    std::string body;
    MailTransport::Done mailDone;
    HttpClient::Done httpDone;
};

std::size_t ReadUpload(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = std::min(size * count, t->upload.size() - t->uploaded);
    std::memcpy(buffer, t->upload.data() + t->uploaded, n);
    t->uploaded += n;
    return n;
}

std::size_t KeepBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (t->received.size() + n > CurlTransfers::kMaxHttpBody) {
        t->tooLarge = true;
        return 0;  // ends the transfer with a write error
    }
    t->received.append(data, n);
    return n;
}

std::size_t Discard(char*, std::size_t size, std::size_t count, void*) {
    return size * count;
}

bool Readable(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::ifstream probe(path, std::ios::binary);
    return static_cast<bool>(probe);
}

// Why a mail was not sent, in a few words for the operator: what libcurl's error, the system's error on
// connecting and the server's last reply code say.
std::string MailFailureCause(CURLcode code, int osError, long reply) {
    const std::string replied = reply > 0 ? " (reply " + std::to_string(reply) + ")" : "";
    switch (code) {
        case CURLE_PEER_FAILED_VERIFICATION:
            return "certificate not trusted";
        case CURLE_SSL_CACERT_BADFILE:
            return "trusted certificate file unreadable";
        case CURLE_SSL_CONNECT_ERROR:
            return "TLS handshake failed";
        case CURLE_USE_SSL_FAILED:
            return "server offers no TLS";
        case CURLE_COULDNT_RESOLVE_HOST:
            return "server name unknown";
        case CURLE_COULDNT_CONNECT:
            switch (osError) {
                case ECONNREFUSED:
                    return "connection refused";
                case ENETUNREACH:
                case EHOSTUNREACH:
                    return "server unreachable";
                case ETIMEDOUT:
                    return "no answer from the server";
                default:
                    return "cannot connect to the server";
            }
        case CURLE_OPERATION_TIMEDOUT:
            return "no answer from the server";
        case CURLE_LOGIN_DENIED:
            return "login refused" + replied;
        case CURLE_AUTH_ERROR:
            return "no login method in common with the server";
        case CURLE_READ_ERROR:
            return "attachment unreadable";
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
            return reply >= 400 ? "mail refused by the server" + replied : "connection lost";
        case CURLE_WEIRD_SERVER_REPLY:
            return "unexpected answer from the server" + replied;
        default:
            return curl_easy_strerror(code) + replied;
    }
}

// A host name as the address part of a URL: a bare IPv6 address goes in brackets.
std::string UrlHost(const std::string& host) {
    if (host.find(':') != std::string::npos && host.front() != '[') return "[" + host + "]";
    return host;
}

}  // namespace

class CurlTransfers::Impl {
public:
    Impl() : random_(std::random_device{}()) {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        multi_ = curl_multi_init();
        curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &Impl::OnSocket);
        curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);
        curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &Impl::OnTimer);
        curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this);
        timer_ = new QTimer;
        timer_->setSingleShot(true);
        QObject::connect(timer_, &QTimer::timeout, [this] { Act(CURL_SOCKET_TIMEOUT, 0); });
        context_ = new QObject;
    }

    ~Impl() {
        alive_.reset();
        // Nothing of curl calls back from here on.
        curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, static_cast<curl_socket_callback>(nullptr));
        curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, static_cast<curl_multi_timer_callback>(nullptr));
        // curl says goodbye to a mail server (QUIT) and waits for its answer, blocking; with every
        // connection shut first, that fails at once instead of waiting on a server that may never answer.
        for (const curl_socket_t fd : sockets_)
            ::shutdown(fd, SHUT_RDWR);
        for (auto& [easy, transfer] : transfers_)
            curl_multi_remove_handle(multi_, easy);
        transfers_.clear();
        curl_multi_cleanup(multi_);
        timer_->stop();
        Dispose(timer_);
        Dispose(context_);
        for (auto& [fd, watch] : watches_) {
            Dispose(watch.read);
            Dispose(watch.write);
        }
        for (QObject* n : retired_)
            Dispose(n);
        curl_global_cleanup();
    }

    void Send(const MailMessage& m, MailTransport::Done done) {
        std::string refusal;
        if (!IsPlainAddress(m.from) || !IsPlainAddress(m.to))
            refusal = "an address holds characters that cannot be sent";
        else if (m.to.empty())
            refusal = "the mail has no recipient";
        else if (m.host.empty())
            refusal = "no mail server is named";
        else if (!m.attachmentPath.empty() && !Readable(m.attachmentPath))
            refusal = "the attachment " + m.attachmentPath + " cannot be read";
        if (!refusal.empty()) {
            FailMail(std::move(done), refusal);
            return;
        }

        auto t = std::make_unique<Transfer>();
        t->kind = Kind::Mail;
        t->easy = curl_easy_init();
        t->url = curl_url();
        if (!t->easy || !t->url) {
            FailMail(std::move(done), "the mail cannot be prepared");
            return;
        }
        if (curl_url_set(t->url, CURLUPART_SCHEME, m.implicitTls ? "smtps" : "smtp", 0) != CURLUE_OK ||
            curl_url_set(t->url, CURLUPART_HOST, UrlHost(m.host).c_str(), 0) != CURLUE_OK ||
            curl_url_set(t->url, CURLUPART_PORT, std::to_string(m.port).c_str(), 0) != CURLUE_OK) {
            FailMail(std::move(done), "the mail server's name " + m.host + " is not usable");
            return;
        }
        t->mailDone = std::move(done);
        CURL* e = t->easy;
        curl_easy_setopt(e, CURLOPT_CURLU, t->url);
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
        if (!m.implicitTls && m.authenticate) {
            // The password goes only over TLS, to a server whose certificate is trusted.
            curl_easy_setopt(e, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        } else if (!m.implicitTls) {
            // Without a login nothing secret goes out: TLS is taken when the server offers it, so that the
            // report is not read on its way, whatever certificate the server shows (a mail server's own
            // self-signed one, as it comes out of the box). Checking it would protect nothing: the mail
            // goes in clear all the same to a server that offers no TLS, or whose offer was struck out.
            curl_easy_setopt(e, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
            curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
            curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
        }
        if (m.authenticate) {
            curl_easy_setopt(e, CURLOPT_USERNAME, m.user.c_str());
            curl_easy_setopt(e, CURLOPT_PASSWORD, m.password.c_str());
        }
        if (!m.trustedCaFile.empty()) curl_easy_setopt(e, CURLOPT_CAINFO, m.trustedCaFile.c_str());
        curl_easy_setopt(e, CURLOPT_TIMEOUT, static_cast<long>(std::max(1, m.timeoutSeconds)));
        const std::string from = "<" + m.from + ">";
        curl_easy_setopt(e, CURLOPT_MAIL_FROM, from.c_str());
        t->recipients = curl_slist_append(nullptr, ("<" + m.to + ">").c_str());
        curl_easy_setopt(e, CURLOPT_MAIL_RCPT, t->recipients);
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Discard);

        const std::time_t now = std::time(nullptr);
        const std::string messageId = NewMessageId(m.from, now);
        if (m.attachmentPath.empty()) {
            t->upload = ComposeTextMail(m, now, messageId);
            curl_easy_setopt(e, CURLOPT_UPLOAD, 1L);
            curl_easy_setopt(e, CURLOPT_READFUNCTION, &ReadUpload);
            curl_easy_setopt(e, CURLOPT_READDATA, t.get());
            curl_easy_setopt(e, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(t->upload.size()));
        } else {
            // Text and file as the parts of a multipart mail; curl reads the file while it sends.
            for (const std::string& line : MailHeaders(m, now, messageId))
                t->headers = curl_slist_append(t->headers, line.c_str());
            curl_easy_setopt(e, CURLOPT_HTTPHEADER, t->headers);
            t->mime = curl_mime_init(e);
            curl_mimepart* text = curl_mime_addpart(t->mime);
            const std::string body = EncodedTextBody(m);
            curl_mime_data(text, body.data(), body.size());
            curl_mime_type(text, kTextContentType);
            curl_mime_headers(text, curl_slist_append(nullptr, kTextTransferEncoding), 1);
            curl_mimepart* file = curl_mime_addpart(t->mime);
            curl_mime_filedata(file, m.attachmentPath.c_str());
            curl_mime_encoder(file, "base64");
            curl_easy_setopt(e, CURLOPT_MIMEPOST, t->mime);
        }
        Start(std::move(t));
    }

    void Get(const std::string& url, HttpClient::Done done) {
        auto t = std::make_unique<Transfer>();
        t->kind = Kind::Http;
        t->httpDone = std::move(done);
        t->easy = curl_easy_init();
        if (!t->easy) {
            Later([done = std::move(t->httpDone)] {
                if (done) done(false, 0, {});
            });
            return;
        }
        CURL* e = t->easy;
        curl_easy_setopt(e, CURLOPT_URL, url.c_str());
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(e, CURLOPT_TIMEOUT, static_cast<long>(httpTimeoutSeconds_));
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &KeepBody);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, t.get());
        Start(std::move(t));
    }

    void SetHttpTimeoutSeconds(int seconds) { httpTimeoutSeconds_ = std::max(1, seconds); }
    std::size_t InFlight() const { return transfers_.size(); }

private:
    struct Watch {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };

    static int OnSocket(CURL*, curl_socket_t fd, int what, void* user, void*) {
        static_cast<Impl*>(user)->WatchSocket(fd, what);
        return 0;
    }

    static int OnTimer(CURLM*, long milliseconds, void* user) {
        // Only arms the timer: curl must not be driven from inside its own callback.
        QTimer* timer = static_cast<Impl*>(user)->timer_;
        if (milliseconds < 0)
            timer->stop();
        else
            timer->start(static_cast<int>(std::min(milliseconds, 24L * 3600 * 1000)));
        return 0;
    }

    void WatchSocket(curl_socket_t fd, int what) {
        if (what == CURL_POLL_REMOVE) {
            const auto it = watches_.find(fd);
            if (it == watches_.end()) return;
            Retire(it->second.read);
            Retire(it->second.write);
            watches_.erase(it);
            return;
        }
        Watch& w = watches_[fd];
        const bool reading = what == CURL_POLL_IN || what == CURL_POLL_INOUT;
        const bool writing = what == CURL_POLL_OUT || what == CURL_POLL_INOUT;
        if (reading && !w.read) w.read = Notifier(fd, QSocketNotifier::Read, CURL_CSELECT_IN);
        if (writing && !w.write) w.write = Notifier(fd, QSocketNotifier::Write, CURL_CSELECT_OUT);
        if (w.read) w.read->setEnabled(reading);
        if (w.write) w.write->setEnabled(writing);
    }

    QSocketNotifier* Notifier(curl_socket_t fd, QSocketNotifier::Type type, int flag) {
        auto* n = new QSocketNotifier(static_cast<qintptr>(fd), type);
        QObject::connect(n, &QSocketNotifier::activated, [this, fd, flag] { Act(fd, flag); });
        return n;
    }

    // A notifier no longer wanted may be the one whose signal is running now; it is silenced here and
    // deleted at the next event, when it no longer can be.
    void Retire(QSocketNotifier* n) {
        if (!n) return;
        n->setEnabled(false);
        QObject::disconnect(n, nullptr, nullptr, nullptr);
        retired_.push_back(n);
    }

    // Deletes an object of this one, or leaves it to the event loop when an event of this one is still
    // being handled further up (the object may be the one it came from).
    void Dispose(QObject* object) {
        if (!object) return;
        if (dispatching_ > 0) {
            QObject::disconnect(object, nullptr, nullptr, nullptr);
            object->deleteLater();
        } else {
            delete object;
        }
    }

    // Every event from curl's sockets and timer comes here; finished transfers are reported after curl
    // has done its part.
    void Act(curl_socket_t fd, int flags) {
        const std::weak_ptr<char> alive = alive_;
        // Notifiers retired at an earlier event are silent since then; unless this event comes from an
        // event loop run inside one of ours, none of them is running now.
        if (dispatching_ == 0) {
            for (QObject* n : retired_)
                delete n;
            retired_.clear();
        }
        ++dispatching_;
        int running = 0;
        curl_multi_socket_action(multi_, fd, flags, &running);
        ReportFinished();
        if (alive.expired()) return;
        --dispatching_;
    }

    void ReportFinished() {
        std::vector<Outcome> outcomes;
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi_, &left)) {
            if (msg->msg != CURLMSG_DONE) continue;
            CURL* easy = msg->easy_handle;
            const CURLcode code = msg->data.result;
            const auto it = transfers_.find(easy);
            if (it == transfers_.end()) continue;
            std::unique_ptr<Transfer> t = std::move(it->second);
            transfers_.erase(it);
            curl_multi_remove_handle(multi_, easy);
            outcomes.push_back(Describe(*t, code));
        }
        const std::weak_ptr<char> alive = alive_;
        for (Outcome& o : outcomes) {
            if (o.kind == Kind::Mail) {
                if (o.mailDone) o.mailDone(o.ok, o.error);
            } else {
                if (o.httpDone) o.httpDone(o.ok, o.status, o.body);
            }
            if (alive.expired()) return;
        }
    }

    static Outcome Describe(Transfer& t, CURLcode code) {
        Outcome o;
        o.kind = t.kind;
        long status = 0;
        curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &status);
        o.status = static_cast<int>(status);
        if (t.kind == Kind::Http) {
            o.ok = code == CURLE_OK && status >= 200 && status < 300;
            o.body = std::move(t.received);
            o.httpDone = std::move(t.httpDone);
        } else {
            o.ok = code == CURLE_OK;
            o.mailDone = std::move(t.mailDone);
        }
        if (code != CURLE_OK && t.kind == Kind::Mail) {
            long osError = 0;
            curl_easy_getinfo(t.easy, CURLINFO_OS_ERRNO, &osError);
            o.error = MailFailureCause(code, static_cast<int>(osError), status);
        } else if (code != CURLE_OK) {
            o.error = curl_easy_strerror(code);
            if (t.error[0]) o.error += std::string(": ") + t.error;
            if (t.tooLarge) o.error += " (the answer is too long)";
            if (status) o.error += " (server reply " + std::to_string(status) + ")";
        } else if (!o.ok) {
            o.error = "HTTP status " + std::to_string(status);
        }
        return o;
    }

    static curl_socket_t OpenSocket(void* user, curlsocktype, curl_sockaddr* address) {
        const int fd = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        if (fd < 0) return CURL_SOCKET_BAD;
        static_cast<Impl*>(user)->sockets_.insert(fd);
        return fd;
    }

    static int CloseSocket(void* user, curl_socket_t fd) {
        static_cast<Impl*>(user)->sockets_.erase(fd);
        return ::close(fd);
    }

    void Start(std::unique_ptr<Transfer> t) {
        CURL* e = t->easy;
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, &Impl::OpenSocket);
        curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, this);
        curl_easy_setopt(e, CURLOPT_CLOSESOCKETFUNCTION, &Impl::CloseSocket);
        curl_easy_setopt(e, CURLOPT_CLOSESOCKETDATA, this);
        curl_easy_setopt(e, CURLOPT_ERRORBUFFER, t->error);
        if (curl_multi_add_handle(multi_, e) != CURLM_OK) {
            Outcome o = Describe(*t, CURLE_FAILED_INIT);
            Later([o = std::move(o)] {
                if (o.mailDone) o.mailDone(false, o.error);
                if (o.httpDone) o.httpDone(false, 0, {});
            });
            return;
        }
        transfers_.emplace(e, std::move(t));
    }

    void FailMail(MailTransport::Done done, const std::string& why) {
        Later([done = std::move(done), why] {
            if (done) done(false, why);
        });
    }

    // Runs a report on the event loop after the caller has returned, unless this object is gone by then.
    void Later(std::function<void()> report) {
        const std::weak_ptr<char> alive = alive_;
        QTimer::singleShot(0, context_, [this, alive, report = std::move(report)] {
            if (alive.expired()) return;
            ++dispatching_;
            report();
            if (alive.expired()) return;
            --dispatching_;
        });
    }

    std::string NewMessageId(const std::string& from, std::time_t now) {
        char text[40];
        std::snprintf(text, sizeof text, "%016llx.%lld", static_cast<unsigned long long>(random_()),
                      static_cast<long long>(now));
        return "<" + std::string(text) + "@" + MessageIdDomain(from) + ">";
    }

    CURLM* multi_ = nullptr;
    QTimer* timer_ = nullptr;
    QObject* context_ = nullptr;
    std::map<CURL*, std::unique_ptr<Transfer>> transfers_;
    std::map<curl_socket_t, Watch> watches_;
    // Every socket curl has open, connections kept for reuse included.
    std::set<curl_socket_t> sockets_;
    std::vector<QObject*> retired_;
    int dispatching_ = 0;
    int httpTimeoutSeconds_ = kDefaultHttpTimeoutSeconds;
    std::mt19937_64 random_;
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

CurlTransfers::CurlTransfers() : impl_(std::make_unique<Impl>()) {}
CurlTransfers::~CurlTransfers() = default;

void CurlTransfers::Send(const MailMessage& message, MailTransport::Done done) {
    impl_->Send(message, std::move(done));
}

void CurlTransfers::Get(const std::string& url, HttpClient::Done done) {
    impl_->Get(url, std::move(done));
}

void CurlTransfers::SetHttpTimeoutSeconds(int seconds) {
    impl_->SetHttpTimeoutSeconds(seconds);
}

std::size_t CurlTransfers::InFlight() const {
    return impl_->InFlight();
}

}  // namespace muv
