// Peers for the rig tests: a real rigctld with its dummy rig, and loopback servers that accept a
// connection and then stay silent or speak another protocol. Waiting is done by running the event
// loop until a condition holds or a deadline passes.
#pragma once

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

namespace muv {

inline void EnsureApplication() {
    static int argc = 1;
    static char arg0[] = "rig_tests";
    static char* argv[] = {arg0, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
}

// Runs the event loop until the condition holds; false when the deadline passes first.
template <class Condition>
bool WaitFor(Condition condition, int milliseconds = 8000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Lets the event loop run for a while (for checking that something does NOT happen).
inline void RunEvents(int milliseconds) {
    WaitFor([] { return false; }, milliseconds);
}

inline uint16_t FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

inline std::string Loopback(uint16_t port) {
    return "127.0.0.1:" + std::to_string(port);
}

class Rigctld {
public:
    static bool Installed() { return QFile::exists("/usr/bin/rigctld"); }

    explicit Rigctld(uint16_t port = FreePort()) : port_(port) { Start(); }
    ~Rigctld() { Stop(); }

    void Start() {
        process_.start("/usr/bin/rigctld",
                       {"-m", "1", "-P", "RIG", "-T", "127.0.0.1", "-t", QString::number(port_)});
        process_.waitForStarted();
    }
    void Stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.kill();
        process_.waitForFinished(5000);
    }
    std::string Endpoint() const { return Loopback(port_); }

private:
    uint16_t port_;
    QProcess process_;
};

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

}  // namespace muv
