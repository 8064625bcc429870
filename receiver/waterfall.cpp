#include "receiver/waterfall.h"

#include <algorithm>
#include <cmath>

#include "common/vb.h"

namespace muv {

namespace {

constexpr float kGreyScale = 3500.0f;
constexpr int kPenWidth = 2;

}  // namespace

void WaterfallImage::Resize(int height) {
    height = std::max(height, 0);
    pixels_.assign(static_cast<size_t>(height) * kWaterfallBins, RGB(255, 255, 255));
    versions_.assign(static_cast<size_t>(height), 0);
    height_ = height;
    top_ = 0;
    scrolls_ = 0;
    ++generation_;
}

void WaterfallImage::ScrollDown() {
    if (height_ < 2) return;
    // The bottom row's place becomes the top row, a copy of the row below it (the old top row).
    const int oldTop = top_;
    top_ = top_ == 0 ? height_ - 1 : top_ - 1;
    const ColorRef* from = StoredRow(oldTop);
    std::copy(from, from + kWaterfallBins,
              pixels_.begin() + static_cast<std::ptrdiff_t>(top_) * kWaterfallBins);
    ++versions_[static_cast<size_t>(top_)];
    ++scrolls_;
    ++changes_;
}

void Waterfall::WaterfallAddSample(float sample, int marker1, int marker2) {
    Ring[static_cast<size_t>(RingIndex)] = ComplexSample(sample, 0.0f);
    if (++RingIndex >= kWaterfallFftLength) RingIndex = 0;
    if (RingIndex == 0) DrawLine(marker1, marker2);
    if (++ScrollCounter >= kWaterfallScrollPeriod) {
        ScrollCounter = 0;
        Image.ScrollDown();
    }
}

void Waterfall::DrawLine(int marker1, int marker2) {
    // The ring has just been filled from 0 to 2047, so position 0 holds the oldest sample.
    work_ = Ring;
    Fft(kWaterfallFftLength, work_.data());
    for (int i = 0; i < kWaterfallBins; ++i) {
        ColorRef colour;
        if (i == marker1 || i == marker2) {
            colour = RGB(255, 0, 0);
        } else {
            const ComplexSample x = work_[static_cast<size_t>(i)];
            const float v = std::sqrt(x.real() * x.real() + x.imag() * x.imag()) / kGreyScale;
            const int grey = v <= 255.0f ? static_cast<int>(RoundHalfEven(255.0 - v)) : 0;
            colour = RGB(grey, grey, grey);
        }
        // Strong signals dark on white; the pen is two pixels high.
        for (int y = 0; y < kPenWidth; ++y)
            Image.SetPixel(i, y, colour);
    }
    ++LinesDrawn;
}

}  // namespace muv
