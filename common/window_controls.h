// The main window's controls as the modem sees them: text boxes with a back colour, images and
// panels that are shown or hidden, buttons that are enabled or not, the analogue meters and the
// timers. The main window implements this face over its widgets; tests and the benchmark use the
// in-memory one.
#pragma once

#include <map>
#include <string>

#include "common/colour.h"
#include "common/control_list.h"
#include "common/shared_state.h"
#include "common/timer.h"
#include "common/timer_list.h"

namespace muv {

// The main window's controls and timers, by the names they have in the window (one list each).
enum class Control {
#define MUV_CONTROL_ID(Kind, name) name,
    MUV_MAIN_WINDOW_CONTROLS(MUV_CONTROL_ID)
#undef MUV_CONTROL_ID
};

enum class TimerId {
#define MUV_TIMER_ID(name) name,
    MUV_MAIN_WINDOW_TIMERS(MUV_TIMER_ID)
#undef MUV_TIMER_ID
};

// Meter numbers: 1 frequency offset, 2 timing, 4 Viterbi errors, 5 frame acquisition, 6 processor
// load, 7 final acquisition, 8 input level, 9 S/N. There is no meter 3.
using MeterId = int;
constexpr MeterId kMeterFrequencyOffset = 1;
constexpr MeterId kMeterTiming = 2;
constexpr MeterId kMeterViterbi = 4;
constexpr MeterId kMeterFrameAcquisition = 5;
constexpr MeterId kMeterCpu = 6;
constexpr MeterId kMeterFinalAcquisition = 7;
constexpr MeterId kMeterLevel = 8;
constexpr MeterId kMeterSn = 9;

// The switch that a picture of the main window stands for, set as the picture is shown or hidden: an
// option row's picture shown chooses its option, and hiding the chosen one leaves the row's last option.
// Other controls leave the switches as they are.
void FollowSwitchPicture(ModemSwitches& switches, Control picture, bool shown);

class WindowControls;
// The switches as the window's pictures show them: where a row shows more than one lit picture, the first
// counts.
ModemSwitches ReadSwitchPictures(const WindowControls& controls);

class WindowControls {
public:
    virtual ~WindowControls() = default;

    virtual std::string Text(Control c) const = 0;  // UTF-8
    virtual void SetText(Control c, const std::string& text) = 0;
    virtual ColorRef BackColor(Control c) const = 0;
    virtual void SetBackColor(Control c, ColorRef colour) = 0;
    virtual bool Visible(Control c) const = 0;
    virtual void SetVisible(Control c, bool visible) = 0;
    virtual bool Enabled(Control c) const = 0;
    virtual void SetEnabled(Control c, bool enabled) = 0;

    // Sets a meter's needle to a value on its 0 to 100 scale.
    virtual void DrawMeterNeedle(MeterId meter, float value) = 0;

    virtual Timer& GetTimer(TimerId id) = 0;
};

// Controls held in memory, with timers that run on a clock the owner advances.
class MemoryWindowControls : public WindowControls {
public:
    std::string Text(Control c) const override { return Find(c).text; }
    void SetText(Control c, const std::string& text) override { states_[c].text = text; }
    ColorRef BackColor(Control c) const override { return Find(c).backColor; }
    void SetBackColor(Control c, ColorRef colour) override { states_[c].backColor = colour; }
    bool Visible(Control c) const override { return Find(c).visible; }
    void SetVisible(Control c, bool visible) override { states_[c].visible = visible; }
    bool Enabled(Control c) const override { return Find(c).enabled; }
    void SetEnabled(Control c, bool enabled) override { states_[c].enabled = enabled; }
    void DrawMeterNeedle(MeterId meter, float value) override { meters[meter] = value; }
    Timer& GetTimer(TimerId id) override { return timers[id]; }
    ManualTimer& Manual(TimerId id) { return timers[id]; }

    // Lets time pass on every timer, in the order of their ids.
    void AdvanceTimers(int milliseconds) {
        for (auto& [id, timer] : timers)
            timer.Advance(milliseconds);
    }

    std::map<MeterId, float> meters;
    std::map<TimerId, ManualTimer> timers;

private:
    struct State {
        std::string text;
        ColorRef backColor = 0xDFDFDF;
        bool visible = false;
        bool enabled = true;
    };
    const State& Find(Control c) const {
        static const State kDefault;
        auto it = states_.find(c);
        return it == states_.end() ? kDefault : it->second;
    }
    std::map<Control, State> states_;
};

}  // namespace muv
