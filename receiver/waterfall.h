// The waterfall: a scrolling spectrogram of the received audio. Every 2048 decimated samples one line
// of grey levels (769 transform bins, strong signals dark) is drawn across the top of the picture with
// the receive mode's two search limits in red; every 1023 samples the picture scrolls down one pixel.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/colour.h"
#include "receiver/fft.h"

namespace muv {

constexpr int kWaterfallBins = 769;  // bins 0..768 across the picture
constexpr int kWaterfallFftLength = 2048;

// The picture: rows of kWaterfallBins colours, row 0 at the top.
class WaterfallImage {
public:
    explicit WaterfallImage(int height = 120) { Resize(height); }
    void Resize(int height) {
        pixels_.assign(static_cast<size_t>(height) * kWaterfallBins, RGB(255, 255, 255));
        height_ = height;
    }
    int Width() const { return kWaterfallBins; }
    int Height() const { return height_; }
    ColorRef Pixel(int x, int y) const { return pixels_[static_cast<size_t>(y) * kWaterfallBins + x]; }
    void SetPixel(int x, int y, ColorRef c) {
        if (x >= 0 && x < kWaterfallBins && y >= 0 && y < height_)
            pixels_[static_cast<size_t>(y) * kWaterfallBins + x] = c;
    }
    // Copies the whole picture one pixel down onto itself; the top row keeps its colours.
    void ScrollDown();
    const ColorRef* Row(int y) const { return &pixels_[static_cast<size_t>(y) * kWaterfallBins]; }

private:
    std::vector<ColorRef> pixels_;
    int height_ = 0;
};

class Waterfall {
public:
    // One decimated sample; marker1 and marker2 are the bins drawn in red if this sample completes a
    // line (a marker outside 0..768 is not drawn).
    void WaterfallAddSample(float sample, int marker1, int marker2);

    std::array<ComplexSample, kWaterfallFftLength> Ring{};
    int16_t RingIndex = 0;
    int16_t ScrollCounter = 0;
    WaterfallImage Image;
    // Lines drawn so far, for whoever shows the picture.
    uint64_t LinesDrawn = 0;

private:
    void DrawLine(int marker1, int marker2);
    std::array<ComplexSample, kWaterfallFftLength> work_{};  // the line's transform
};

}  // namespace muv
