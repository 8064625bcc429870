// SIGTERM, SIGINT and SIGHUP end the program through its normal shut-down, which releases the
// transmitter first: the signal handler only writes to a pipe, and the event loop hands the request to
// the program. A second such signal while the shut-down is under way releases what is keyed at once
// and ends the process.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace muv {

class ShutdownSignals : public QObject {
public:
    // Installs the handlers; requestShutdown runs from the event loop on the first signal.
    explicit ShutdownSignals(std::function<void()> requestShutdown, QObject* parent = nullptr);
    ~ShutdownSignals() override;

private:
    void OnSignal();

    std::function<void()> requestShutdown_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace muv
