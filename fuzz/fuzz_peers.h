// What the fuzz targets that play a peer of the program share: a listening socket on loopback, and the
// wait for the one outcome of a transfer.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_support.h"

namespace muv::fuzz {

// A socket listening on a free port of 127.0.0.1 (flags: SOCK_NONBLOCK and the like, besides
// SOCK_STREAM); its port in `port`. Without one the run cannot go on.
inline int LoopbackListener(int flags, uint16_t& port) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | flags, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listener, 4) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length) != 0)
        std::abort();
    port = ntohs(a.sin_port);
    return listener;
}

// Runs the event loop until the transfer has told its outcome (`calls` counts them), then a few turns
// more: exactly one outcome, and nothing left in flight. The time-out is the transfer's own; the clock
// only keeps one that never ends from hanging the run.
template <typename Transfers>
void AwaitTheOnlyOutcome(const int& calls, const Transfers& transfers) {
    QTimer tick;
    tick.start(100);
    QElapsedTimer clock;
    clock.start();
    while (calls == 0 && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    MUV_FUZZ_REQUIRE(calls == 1);
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    MUV_FUZZ_REQUIRE(calls == 1);
    MUV_FUZZ_REQUIRE(transfers.InFlight() == 0);
}

}  // namespace muv::fuzz
