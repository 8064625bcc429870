// A window timer on the Qt event loop with the classic semantics: it fires every Interval
// milliseconds while Enabled; an interval of 0 never fires; setting Interval or enabling a disabled
// timer starts the period anew. One-shot use is the handler disabling its own timer.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "common/timer.h"

namespace muv {

class QtTimer : public QObject, public Timer {
public:
    explicit QtTimer(std::function<void()> handler = {}, QObject* parent = nullptr);

    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override;
    int Interval() const override { return interval_; }
    void SetInterval(int milliseconds) override;

    void SetHandler(std::function<void()> handler) { handler_ = std::move(handler); }
    // A coarse timer may fire up to 5 % of its interval early or late, so that the event loop serves the
    // timers that fall due together in one wake-up: for the refreshers of what the window shows, not for
    // the pumps nor for a delay the modem counts on. Takes effect at the next start of the period.
    void SetCoarse(bool coarse) { timer_.setTimerType(coarse ? Qt::CoarseTimer : Qt::PreciseTimer); }

private:
    void Reconcile(bool restart);

    QTimer timer_;
    std::function<void()> handler_;
    bool enabled_ = false;
    int interval_ = 0;
};

}  // namespace muv
