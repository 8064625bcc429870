// A window timer with the classic semantics: it fires every Interval milliseconds while Enabled; an
// interval of 0 never fires; setting Interval or enabling it again starts the period anew.
#pragma once

#include <functional>

namespace muv {

class Timer {
public:
    virtual ~Timer() = default;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual int Interval() const = 0;
    virtual void SetInterval(int milliseconds) = 0;
};

// A timer that runs on a clock its owner advances: sample time in tests and the benchmark.
class ManualTimer : public Timer {
public:
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override {
        if (enabled && !enabled_) elapsed_ = 0;
        enabled_ = enabled;
    }
    int Interval() const override { return interval_; }
    void SetInterval(int milliseconds) override {
        interval_ = milliseconds;
        elapsed_ = 0;
    }

    // Lets time pass; the handler runs once for every full interval while the timer stays enabled.
    void Advance(int milliseconds) {
        if (!enabled_ || interval_ <= 0) return;
        elapsed_ += milliseconds;
        while (enabled_ && interval_ > 0 && elapsed_ >= interval_) {
            elapsed_ -= interval_;
            if (OnTimer) OnTimer();
        }
    }

    std::function<void()> OnTimer;

private:
    bool enabled_ = false;
    int interval_ = 0;
    int elapsed_ = 0;
};

}  // namespace muv
