// A TCP connection used as a text stream: the cluster link and the callsign server's link each have
// one. Connecting, receiving and the peer's close arrive as events on the program's one thread; nothing
// waits. Bytes pass unchanged: each line is Windows-1252 or UTF-8, which the link's user reads and
// writes (DecodeText, EncodeText).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace muv {

class TcpLink {
public:
    virtual ~TcpLink() = default;

    // Starts a connection to host and port; a connection still open is dropped first, and nothing of
    // it is reported afterwards.
    virtual void Connect(const std::string& host, uint16_t port) = 0;
    // Drops the connection, whatever its state; no event follows for it.
    virtual void Close() = 0;
    // Queues bytes for sending; false when the link is not connected or the bytes cannot be queued.
    virtual bool Send(const std::string& bytes) = 0;
    virtual bool Connected() const = 0;

    // The connection is up.
    std::function<void()> OnConnected;
    // Bytes arrived: whatever one read returned, which may hold several lines or part of one.
    std::function<void(const std::string& bytes)> OnData;
    // The peer ended a connection that was up (a graceful close or a reset).
    std::function<void()> OnClosed;
    // The connection could not be made (refused, no such host, timed out) or failed otherwise.
    std::function<void()> OnError;
};

}  // namespace muv
