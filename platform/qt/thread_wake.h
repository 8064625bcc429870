// A call into the event loop's thread that another thread asks for: a sound device's own thread says
// that a buffer is full, and the program's thread runs its handler as soon as the event loop comes
// round. Asking takes no lock and allocates nothing (a write to an eventfd), so an audio callback may
// ask; asks made before the handler runs make one run.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>

class QSocketNotifier;

namespace muv {

class ThreadWake : public QObject {
public:
    // The handler runs on the thread that makes this object.
    explicit ThreadWake(std::function<void()> handler, QObject* parent = nullptr);
    ~ThreadWake() override;
    ThreadWake(const ThreadWake&) = delete;
    ThreadWake& operator=(const ThreadWake&) = delete;

    // Any thread: one run of the handler, unless one is already asked for and has not started. An ask
    // made while the handler runs makes another run after it.
    void Ask();

private:
    void Run();

    std::function<void()> handler_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::atomic<bool> asked_{false};
};

}  // namespace muv
