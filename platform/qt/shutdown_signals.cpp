#include "platform/qt/shutdown_signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <csignal>

#include "platform/emergency_release.h"

namespace muv {

namespace {

int g_pipe[2] = {-1, -1};
std::atomic<int> g_requested{0};

void OnTerminate(int signal) {
    if (g_requested.exchange(1) != 0) {
        // Asked again while the shut-down runs (or hangs): release and go.
        emergency::ReleaseAll(1000);
        ::_exit(128 + signal);
    }
    const char byte = static_cast<char>(signal);
    const ssize_t written = ::write(g_pipe[1], &byte, 1);
    (void)written;
}

}  // namespace

ShutdownSignals::ShutdownSignals(std::function<void()> requestShutdown, QObject* parent)
    : QObject(parent), requestShutdown_(std::move(requestShutdown)) {
    if (g_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) return;
    g_requested.store(0);
    notifier_ = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { OnSignal(); });
    struct sigaction action {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

ShutdownSignals::~ShutdownSignals() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

void ShutdownSignals::OnSignal() {
    char byte = 0;
    const ssize_t got = ::read(g_pipe[0], &byte, 1);
    (void)got;
    notifier_->setEnabled(false);
    if (requestShutdown_) requestShutdown_();
}

}  // namespace muv
