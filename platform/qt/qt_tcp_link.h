// The TCP link on a QTcpSocket of the program's event loop.
#pragma once

#include <QTcpSocket>

#include "online/tcp_link.h"

namespace muv {

class QtTcpLink : public TcpLink {
public:
    QtTcpLink();
    ~QtTcpLink() override;

    void Connect(const std::string& host, uint16_t port) override;
    void Close() override;
    bool Send(const std::string& bytes) override;
    bool Connected() const override;

    // A read hands on at most this much; the rest follows on the next pass of the event loop, so that a
    // flood from the peer never holds the loop (and the receiver's pump) for long.
    static constexpr qint64 kMaxReadBytes = 4096;
    // What waits unread at most; beyond it the connection's own flow control slows the peer down.
    static constexpr qint64 kReadBufferBytes = 64 * 1024;
    // TCP keep-alive on every connection: a peer gone without a word (a router that dropped the
    // connection, a machine switched off) is probed after this many seconds of quiet, every
    // kKeepAliveIntervalSeconds, and the link is lost after kKeepAliveProbes unanswered probes (and as
    // long as sent bytes go unacknowledged): about two minutes, not the system's two hours.
    static constexpr int kKeepAliveIdleSeconds = 60;
    static constexpr int kKeepAliveIntervalSeconds = 10;
    static constexpr int kKeepAliveProbes = 6;

private:
    void Drop();
    void KeepAlive();
    void ReadSome();

    QTcpSocket socket_;
    bool wasConnected_ = false;
    bool readScheduled_ = false;
};

}  // namespace muv
