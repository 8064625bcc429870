#include "platform/qt/qt_tcp_link.h"

#include <QSignalBlocker>
#include <QTimer>

#ifdef __linux__
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace muv {

QtTcpLink::QtTcpLink() {
    QObject::connect(&socket_, &QTcpSocket::connected, [this] {
        wasConnected_ = true;
        KeepAlive();
        if (OnConnected) OnConnected();
    });
    socket_.setReadBufferSize(kReadBufferBytes);
    QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { ReadSome(); });
    QObject::connect(&socket_, &QTcpSocket::disconnected, [this] {
        if (!wasConnected_) return;
        // Whatever came before the close is handed on first; the peer's close is reported once.
        while (wasConnected_ && socket_.bytesAvailable() > 0) {
            const QByteArray bytes = socket_.read(kMaxReadBytes);
            if (bytes.isEmpty()) break;
            if (OnData) OnData(bytes.toStdString());
        }
        if (!wasConnected_) return;
        wasConnected_ = false;
        if (OnClosed) OnClosed();
    });
    QObject::connect(&socket_, &QTcpSocket::errorOccurred, [this](QAbstractSocket::SocketError error) {
        // The peer's close (graceful or a reset) of a connection that was up is told by disconnected.
        if (error == QAbstractSocket::RemoteHostClosedError && wasConnected_) return;
        if (socket_.state() == QAbstractSocket::ConnectedState) return;
        if (wasConnected_) {
            wasConnected_ = false;
            if (OnClosed) OnClosed();
            return;
        }
        if (OnError) OnError();
    });
}

void QtTcpLink::ReadSome() {
    if (readScheduled_) return;  // the next pass reads it
    const QByteArray bytes = socket_.read(kMaxReadBytes);
    if (!bytes.isEmpty() && OnData) OnData(bytes.toStdString());
    if (socket_.bytesAvailable() > 0) {
        readScheduled_ = true;
        QTimer::singleShot(0, &socket_, [this] {
            readScheduled_ = false;
            ReadSome();
        });
    }
}

void QtTcpLink::KeepAlive() {
    socket_.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
#ifdef __linux__
    // Best effort: where an option is refused the system's own timing stays.
    const auto fd = static_cast<int>(socket_.socketDescriptor());
    if (fd < 0) return;
    const auto set = [fd](int option, int value) {
        setsockopt(fd, IPPROTO_TCP, option, &value, sizeof value);
    };
    set(TCP_KEEPIDLE, kKeepAliveIdleSeconds);
    set(TCP_KEEPINTVL, kKeepAliveIntervalSeconds);
    set(TCP_KEEPCNT, kKeepAliveProbes);
    // Keep-alive does not probe while sent bytes wait for their acknowledgement; this bounds that wait
    // the same, instead of the retransmissions' quarter of an hour.
    set(TCP_USER_TIMEOUT, (kKeepAliveIdleSeconds + kKeepAliveIntervalSeconds * kKeepAliveProbes) * 1000);
#endif
}

QtTcpLink::~QtTcpLink() {
    Drop();
}

void QtTcpLink::Drop() {
    const QSignalBlocker quiet(&socket_);
    socket_.abort();
    wasConnected_ = false;
}

void QtTcpLink::Connect(const std::string& host, uint16_t port) {
    Drop();
    socket_.connectToHost(QString::fromStdString(host), port);
}

void QtTcpLink::Close() {
    Drop();
}

bool QtTcpLink::Send(const std::string& bytes) {
    if (socket_.state() != QAbstractSocket::ConnectedState) return false;
    return socket_.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
           static_cast<qint64>(bytes.size());
}

bool QtTcpLink::Connected() const {
    return socket_.state() == QAbstractSocket::ConnectedState;
}

}  // namespace muv
