#include "platform/qt/thread_wake.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstdint>
#include <stdexcept>

namespace muv {

ThreadWake::ThreadWake(std::function<void()> handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error("eventfd");
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    QObject::connect(notifier_, &QSocketNotifier::activated, this, [this] { Run(); });
}

ThreadWake::~ThreadWake() {
    delete notifier_;
    close(fd_);
}

void ThreadWake::Ask() {
    if (asked_.exchange(true, std::memory_order_acq_rel)) return;
    const uint64_t one = 1;
    // Fails only when the counter is full, which one write per run never makes it.
    [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
}

void ThreadWake::Run() {
    // The counter is emptied before the flag is dropped: an ask after the drop writes again and makes
    // another run; one in between finds the flag still up and is answered by this run.
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(fd_, &count, sizeof count);
    asked_.store(false, std::memory_order_release);
    if (handler_) handler_();
}

}  // namespace muv
