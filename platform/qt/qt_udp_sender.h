// Datagrams over a QUdpSocket of the program's event loop. The destination's name is looked up in the
// background (once, then kept); datagrams sent meanwhile wait, a few of them, and go when the address
// is known, or are dropped when the lookup fails. A later datagram after a failure tries the lookup
// again. A new destination drops what waited for the old one. Every datagram leaves from the same socket, so
// from the same port.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QUdpSocket>
#include <deque>

#include "online/datagram_sender.h"

class QHostInfo;

namespace muv {

class QtUdpSender : public DatagramSender {
public:
    // The most datagrams that wait for a lookup; more are dropped.
    static constexpr size_t kMaxWaiting = 16;

    QtUdpSender();
    ~QtUdpSender() override;
    QtUdpSender(const QtUdpSender&) = delete;
    QtUdpSender& operator=(const QtUdpSender&) = delete;

    void SetDestination(const std::string& host, uint16_t port) override;
    bool Send(const std::string& datagram) override;

    // How many datagrams wait for the lookup.
    size_t Waiting() const { return waiting_.size(); }
    // The local port the datagrams leave from (0 before the first one).
    quint16 LocalPort() const { return socket_.localPort(); }

private:
    void StartLookup();
    void ForgetLookup();
    void LookedUp(const QHostInfo& info);
    bool Write(const QByteArray& datagram);

    QUdpSocket socket_;
    QString host_;
    quint16 port_ = 0;
    QHostAddress address_;  // null until known
    int lookupId_ = -1;     // the lookup running, -1 when none
    std::deque<QByteArray> waiting_;
};

}  // namespace muv
