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

private:
    void Drop();

    QTcpSocket socket_;
    bool wasConnected_ = false;
};

}  // namespace muv
