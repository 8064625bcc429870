#include "platform/qt/qt_udp_sender.h"

#include <QHostInfo>

namespace muv {

QtUdpSender::QtUdpSender() = default;

QtUdpSender::~QtUdpSender() = default;

void QtUdpSender::ForgetLookup() {
    // The lookup is left to finish and its answer ignored: aborting one would leak its callback.
    lookupId_ = -1;
}

void QtUdpSender::SetDestination(const std::string& host, uint16_t port) {
    ForgetLookup();
    host_ = QString::fromStdString(host).trimmed();
    port_ = port;
    address_.clear();
    waiting_.clear();
    if (host_.isEmpty() || port_ == 0) return;
    QHostAddress numeric;
    if (numeric.setAddress(host_)) {
        address_ = numeric;
    } else {
        StartLookup();  // ready before the first datagram, as a rule
    }
}

void QtUdpSender::StartLookup() {
    if (lookupId_ != -1) return;
    // The socket is the lookup's context: the answer is not delivered once the sender is gone.
    lookupId_ = QHostInfo::lookupHost(host_, &socket_, [this](const QHostInfo& info) { LookedUp(info); });
}

void QtUdpSender::LookedUp(const QHostInfo& info) {
    if (lookupId_ == -1 || info.lookupId() != lookupId_) return;  // for an earlier destination
    lookupId_ = -1;
    const QList<QHostAddress> addresses = info.addresses();
    if (info.error() != QHostInfo::NoError || addresses.isEmpty()) {
        waiting_.clear();
        return;
    }
    address_ = addresses.front();
    for (const QHostAddress& a : addresses) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            address_ = a;
            break;
        }
    }
    std::deque<QByteArray> ready;
    ready.swap(waiting_);
    for (const QByteArray& datagram : ready)
        Write(datagram);
}

bool QtUdpSender::Write(const QByteArray& datagram) {
    const qint64 written = socket_.writeDatagram(datagram, address_, port_);
    if (written == datagram.size()) return true;
    // The address may have gone stale (another network); a name is looked up again next time.
    if (!host_.isEmpty() && QHostAddress(host_).isNull()) address_.clear();
    return false;
}

bool QtUdpSender::Send(const std::string& datagram) {
    if (host_.isEmpty() || port_ == 0) return false;
    const QByteArray bytes(datagram.data(), static_cast<qsizetype>(datagram.size()));
    if (!address_.isNull()) return Write(bytes);
    if (waiting_.size() >= kMaxWaiting) return false;
    waiting_.push_back(bytes);
    StartLookup();
    return true;
}

}  // namespace muv
