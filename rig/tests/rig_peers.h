// Peers for the rig tests beside the real rigctld (test_support/rigctld.h): loopback servers that accept
// a connection and then stay silent or speak another protocol, a proxy that the test controls, and peers
// in processes of their own.
#pragma once

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "test_support/qt_app.h"
#include "test_support/rigctld.h"

namespace muv {

using test::EnsureApplication;
using test::FreePort;
using test::Loopback;
using test::RigctldPtt;
using test::RigctldSetPtt;
using test::RunEvents;
using test::WaitFor;
using Rigctld = test::Rigctld;

// Accepts connections; when a greeting is given it sends it at once, otherwise it never answers.
class LoopbackPeer {
public:
    explicit LoopbackPeer(std::string greeting = {}) : greeting_(std::move(greeting)) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection())
                if (!greeting_.empty()) s->write(greeting_.c_str());
        });
    }
    std::string Endpoint() const { return Loopback(server_.serverPort()); }

private:
    std::string greeting_;
    QTcpServer server_;
};

// A TCP proxy in front of a rigctld that the test controls: it forwards, stalls (holds what comes in
// either way and forwards nothing, until the connections are closed), cuts every connection, or
// refuses new ones.
class RigProxy {
public:
    explicit RigProxy(uint16_t upstreamPort) : upstream_(upstreamPort) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { Accept(); });
    }
    ~RigProxy() { Cut(); }

    std::string Endpoint() const { return Loopback(server_.serverPort()); }
    void SetStalled(bool stalled) {
        stalled_ = stalled;
        if (!stalled)
            for (auto& link : links_)
                Pump(*link);
    }
    // Closes every connection at once (both ways, as a reset would).
    void Cut() {
        for (auto& link : links_) {
            link->client->abort();
            link->upstream->abort();
        }
        links_.clear();
    }
    // New connections are closed as soon as they come.
    void SetRefusing(bool refusing) { refusing_ = refusing; }
    int Connections() const { return accepted_; }

private:
    struct Link {
        int id = 0;
        std::unique_ptr<QTcpSocket> client;
        std::unique_ptr<QTcpSocket> upstream;
    };

    void Accept() {
        while (QTcpSocket* raw = server_.nextPendingConnection()) {
            raw->setParent(nullptr);
            auto link = std::make_unique<Link>();
            link->client.reset(raw);
            if (refusing_) {
                link->client->abort();
                continue;
            }
            link->id = ++accepted_;
            link->upstream = std::make_unique<QTcpSocket>();
            link->upstream->connectToHost(QHostAddress::LocalHost, upstream_);
            Link* l = link.get();
            for (QTcpSocket* s : {l->client.get(), l->upstream.get()}) {
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, l] { Pump(*l); });
                QObject::connect(s, &QTcpSocket::disconnected, s, [this, id = l->id] { Close(id); });
            }
            QObject::connect(l->upstream.get(), &QTcpSocket::connected, l->upstream.get(),
                             [this, l] { Pump(*l); });
            links_.push_back(std::move(link));
        }
    }
    void Pump(Link& l) {
        if (stalled_ || l.upstream->state() != QAbstractSocket::ConnectedState) return;
        if (l.client->bytesAvailable() > 0) l.upstream->write(l.client->readAll());
        if (l.upstream->bytesAvailable() > 0) l.client->write(l.upstream->readAll());
    }
    // One side went away: the other goes too, and with them whatever the proxy still held.
    void Close(int id) {
        QTimer::singleShot(0, &server_, [this, id] {
            for (auto it = links_.begin(); it != links_.end(); ++it) {
                if ((*it)->id != id) continue;
                std::unique_ptr<Link> link = std::move(*it);
                links_.erase(it);
                link->client->abort();
                link->upstream->abort();
                return;
            }
        });
    }

    uint16_t upstream_;
    QTcpServer server_;
    std::vector<std::unique_ptr<Link>> links_;
    bool stalled_ = false;
    bool refusing_ = false;
    int accepted_ = 0;
};

// A peer in a process of its own (so that what it sends is not counted in the test's own memory): it
// accepts connections on a loopback port one after another and runs the behaviour on each, until it
// is killed. The behaviour runs in a forked child and may use only plain system calls.
class ForkedPeer {
public:
    using Behaviour = void (*)(int fd);

    explicit ForkedPeer(Behaviour behaviour) {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener, 8);
        socklen_t length = sizeof address;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::signal(SIGPIPE, SIG_IGN);
            for (;;) {
                const int fd = ::accept(listener, nullptr, nullptr);
                if (fd < 0) continue;
                behaviour(fd);
                ::close(fd);
            }
        }
        ::close(listener);
    }
    ~ForkedPeer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    std::string Endpoint() const { return Loopback(port_); }

private:
    uint16_t port_ = 0;
    pid_t pid_ = -1;
};

}  // namespace muv
