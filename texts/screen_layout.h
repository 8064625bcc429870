// The main window's control layouts for seven screen resolutions. A layout first places the controls
// that differ between resolutions from a table, then applies the rules that set controls relative to
// others (rows of boxes, frames and labels that follow each other's widths).
#pragma once

#include <cstdint>
#include <string_view>

namespace muv {

// Window states a layout sets.
constexpr int kWindowStateNormal = 0;
constexpr int kWindowStateMaximised = 2;

// What the window's frame takes of the screen around its client area, as the layouts allow for it: the
// title and menu bars above it (the waterfall's offset below the window's top edge is its Top plus this),
// a border on each other side.
constexpr int kWindowFrameTop = 50;
constexpr int kWindowFrameBorder = 3;

// The screen a layout is made for, in pixels: the caption of its resolution menu item.
struct ScreenSize {
    int width = 0;
    int height = 0;
};
// Layout 1 to 7; {0, 0} for any other index.
ScreenSize LayoutScreen(int16_t index);

// What a layout needs of the main window: position and size of its controls by name, in pixels
// ("imgFondo(0)" for an element of a control array; controls inside a frame or the clock picture measure
// in twips of their container, as they always have), its window state, and the waterfall's offset below
// the window's top edge that the cursor read-out uses. An unknown name throws std::invalid_argument.
class ControlGeometry {
public:
    virtual ~ControlGeometry() = default;

    virtual float Left(std::string_view control) const = 0;
    virtual float Top(std::string_view control) const = 0;
    virtual float Width(std::string_view control) const = 0;
    virtual float Height(std::string_view control) const = 0;
    virtual void SetLeft(std::string_view control, float value) = 0;
    virtual void SetTop(std::string_view control, float value) = 0;
    virtual void SetWidth(std::string_view control, float value) = 0;
    virtual void SetHeight(std::string_view control, float value) = 0;

    virtual void SetWindowState(int state) = 0;
    // The size of the client area (below the menu bar) of the window in its normal state.
    virtual void SetClientSize(float width, float height) = 0;

    // The waterfall picture's top plus kWindowFrameTop for the current layout; 0 until one is applied.
    virtual int16_t WaterfallTopPixels() const = 0;
    virtual void SetWaterfallTopPixels(int16_t pixels) = 0;
};

// Applies layout 1 to 7 (the items of the resolution menu: 1024x768, 1024x600, 1280x1024, 1280x960,
// 1280x768, 1280x720, 1280x600). Each layout fits its screen whole, the window's frame allowed for: the
// two narrow layouts size the window to it, the wide ones maximise it. Any other index applies only the
// relative rules, as the wide layouts do, and leaves the waterfall offset, the window state and its size
// as they were.
void ApplyScreenLayout(ControlGeometry& form, int16_t index);

}  // namespace muv
