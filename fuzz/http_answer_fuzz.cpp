// What a web server answers the program's one HTTP client (the libcurl transfers on the event loop), as
// any bytes: a loopback server reads the request and sends the input as its answer, to every request
// (redirects included), then closes. Whatever it sends, the request ends in exactly one outcome, within
// its time-out; an outcome taken as good has a 2xx status; the body given back is no more than the
// server sent; nothing stays in flight.
#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz/fuzz_peers.h"
#include "fuzz/fuzz_support.h"
#include "platform/qt/curl_transfers.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    new QCoreApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray answer(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost)) std::abort();
    QObject::connect(&server, &QTcpServer::newConnection, [&server, &answer] {
        while (QTcpSocket* s = server.nextPendingConnection()) {
            auto head = std::make_shared<QByteArray>();
            QObject::connect(s, &QTcpSocket::readyRead, s, [s, head, &answer] {
                const bool answered = head->contains("\r\n\r\n");
                *head += s->readAll();
                if (answered || !head->contains("\r\n\r\n")) return;
                s->write(answer);
                s->disconnectFromHost();
            });
        }
    });

    int calls = 0;
    bool ok = false;
    int status = -1;
    std::string body;
    {
        muv::CurlTransfers transfers;
        transfers.SetHttpTimeoutSeconds(2);
        transfers.Get("http://127.0.0.1:" + std::to_string(server.serverPort()) + "/spot?x=1",
                      [&](bool good, int code, const std::string& text) {
                          ++calls;
                          ok = good;
                          status = code;
                          body = text;
                      });
        muv::fuzz::AwaitTheOnlyOutcome(calls, transfers);
    }
    if (ok) MUV_FUZZ_REQUIRE(status >= 200 && status < 300);
    MUV_FUZZ_REQUIRE(body.size() <= size);
    return 0;
}
