#include "platform/qt/qt_tcp_link.h"

#include <QSignalBlocker>

namespace muv {

QtTcpLink::QtTcpLink() {
    QObject::connect(&socket_, &QTcpSocket::connected, [this] {
        wasConnected_ = true;
        if (OnConnected) OnConnected();
    });
    QObject::connect(&socket_, &QTcpSocket::readyRead, [this] {
        const QByteArray bytes = socket_.readAll();
        if (!bytes.isEmpty() && OnData) OnData(bytes.toStdString());
    });
    QObject::connect(&socket_, &QTcpSocket::disconnected, [this] {
        // Whatever came with the close has been read by now; the peer's close is reported once.
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
