// A UDP sender for datagrams to one destination, from one socket, so that every datagram leaves from the
// same port. The reception reports go through one. Nothing waits: a host name is looked up in the
// background while the datagrams wait a little.
#pragma once

#include <cstdint>
#include <string>

namespace muv {

class DatagramSender {
public:
    virtual ~DatagramSender() = default;
    // The destination of the datagrams that follow; a host name is looked up without waiting.
    virtual void SetDestination(const std::string& host, uint16_t port) = 0;
    // Sends one datagram, or queues it while the destination is being looked up. False when it is
    // dropped at once (no destination, or it cannot be sent).
    virtual bool Send(const std::string& datagram) = 0;
};

}  // namespace muv
