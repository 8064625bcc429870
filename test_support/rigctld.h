// Hamlib's rigctld with its dummy rig as a real peer for the tests of CAT control, started and stopped by
// the test on a free loopback port, and questions put to it directly, as another program would.
#pragma once

#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <cstdint>
#include <string>

namespace muv::test {

inline uint16_t FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

inline std::string Loopback(uint16_t port) {
    return "127.0.0.1:" + std::to_string(port);
}

// One command to the rigctld on the port, on a connection of its own: the first line of its answer, or
// "no answer". A connection that a busy rigctld resets is tried again.
inline std::string AskRigctld(uint16_t port, const std::string& command) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, port);
        if (!s.waitForConnected(2000)) continue;
        s.write(QByteArray::fromStdString(command + "\n"));
        QByteArray answer;
        while (!answer.contains('\n') && s.waitForReadyRead(2000))
            answer += s.readAll();
        if (answer.contains('\n')) return answer.left(answer.indexOf('\n')).trimmed().toStdString();
    }
    return "no answer";
}

// Whether the rig is keyed: 1, 0, or -1 when rigctld does not answer.
inline int RigctldPtt(uint16_t port) {
    const std::string answer = AskRigctld(port, "t");
    return answer == "1" ? 1 : answer == "0" ? 0 : -1;
}

// Keys or releases the rig directly.
inline bool RigctldSetPtt(uint16_t port, bool on) {
    return AskRigctld(port, on ? "T 1" : "T 0") == "RPRT 0";
}

// A stand-in for rigctld, for a program that starts rigctld itself: the real one, telling every PTT
// command it carries out into a log, so that a test sees the last one after rigctld has gone.
class LoggingRigctld {
public:
    // The script and its log go into the folder.
    explicit LoggingRigctld(const std::string& folder)
        : script_(folder + "/rigctld"), log_(folder + "/rigctld.log") {
        QFile file(QString::fromStdString(script_));
        file.open(QIODevice::WriteOnly);
        file.write(
            QByteArray::fromStdString("#!/bin/sh\nexec /usr/bin/rigctld -vvvvv \"$@\" 2>>'" + log_ + "'\n"));
        file.close();
        QFile::setPermissions(QString::fromStdString(script_),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const std::string& Path() const { return script_; }

    // The PTT value of the last PTT command rigctld carried out: "1", "0", or "" for none.
    std::string LastPttSet() const {
        QFile file(QString::fromStdString(log_));
        if (!file.open(QIODevice::ReadOnly)) return "";
        std::string last;
        const QByteArray mark = "rigctl_set_ptt: ptt=";
        for (const QByteArray& line : file.readAll().split('\n'))
            if (line.startsWith(mark)) last = line.mid(mark.size()).trimmed().toStdString();
        return last;
    }

    // Kills the rigctld serving the port, as the out-of-memory killer would.
    static void Kill(uint16_t port) {
        QProcess::execute("pkill", {"-KILL", "-f", QString("rigctld -vvvvv .*-t %1").arg(port)});
    }

private:
    std::string script_;
    std::string log_;
};

class Rigctld {
public:
    static bool Installed() { return QFile::exists("/usr/bin/rigctld"); }

    // How the dummy rig's PTT is worked: by CAT (-P RIG), or not at all (Hamlib's default for it, as for
    // a rig whose PTT rigctld was not set up for): every keying is then answered with an error.
    enum class Ptt { Cat, None };

    explicit Rigctld(uint16_t port = FreePort(), Ptt ptt = Ptt::Cat) : port_(port), ptt_(ptt) { Start(); }
    ~Rigctld() { Stop(); }

    void Start() {
        QStringList arguments{"-m", "1", "-T", "127.0.0.1", "-t", QString::number(port_)};
        if (ptt_ == Ptt::Cat)
            arguments << "-P"
                      << "RIG";
        process_.start("/usr/bin/rigctld", arguments);
        process_.waitForStarted();
    }
    void Stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.kill();
        process_.waitForFinished(5000);
    }
    std::string Endpoint() const { return Loopback(port_); }
    uint16_t Port() const { return port_; }
    std::string Ask(const std::string& command) const { return AskRigctld(port_, command); }

private:
    uint16_t port_;
    Ptt ptt_;
    QProcess process_;
};

}  // namespace muv::test
