#include "platform/qt/qt_timer.h"

namespace muv {

QtTimer::QtTimer(std::function<void()> handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    // The pumps run every millisecond: a coarse timer would stretch them to several.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
        if (enabled_ && handler_) handler_();
    });
}

void QtTimer::SetEnabled(bool enabled) {
    const bool wasEnabled = enabled_;
    enabled_ = enabled;
    Reconcile(enabled && !wasEnabled);
}

void QtTimer::SetInterval(int milliseconds) {
    interval_ = milliseconds;
    Reconcile(true);
}

void QtTimer::Reconcile(bool restart) {
    if (!enabled_ || interval_ <= 0) {
        timer_.stop();
    } else if (restart || !timer_.isActive()) {
        timer_.start(interval_);
    }
}

}  // namespace muv
