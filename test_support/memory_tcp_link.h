// A TCP link without a network: it records what the program connects to and sends, and the test plays
// the peer's part by raising the events.
#pragma once

#include <string>
#include <vector>

#include "online/tcp_link.h"

namespace muv::test {

class MemoryTcpLink : public TcpLink {
public:
    void Connect(const std::string& host, uint16_t port) override {
        connects.push_back(host + ":" + std::to_string(port));
        connected = false;
    }
    void Close() override {
        ++closes;
        connected = false;
    }
    bool Send(const std::string& bytes) override {
        if (!connected) return false;
        sent.push_back(bytes);
        return true;
    }
    bool Connected() const override { return connected; }

    // The peer's side.
    void Accept() {
        connected = true;
        if (OnConnected) OnConnected();
    }
    void Receive(const std::string& bytes) {
        if (OnData) OnData(bytes);
    }
    void PeerCloses() {
        connected = false;
        if (OnClosed) OnClosed();
    }
    void Fail() {
        connected = false;
        if (OnError) OnError();
    }

    std::vector<std::string> connects;  // "host:port", one per Connect
    std::vector<std::string> sent;
    int closes = 0;
    bool connected = false;
};

}  // namespace muv::test
