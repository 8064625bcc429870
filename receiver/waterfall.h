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
// The picture scrolls one pixel every this many samples (twice a line, less one).
constexpr int kWaterfallScrollPeriod = kWaterfallFftLength / 2 - 1;

// The picture: rows of kWaterfallBins colours, row 0 at the top. The rows are kept in a ring, so that a
// scroll rewrites one row instead of moving them all: row y of the picture is stored at
// (Top() + y) % Height(). A display that keeps its own copy follows the picture by the stored rows'
// versions (each write to a stored row raises its version), the count of scrolls and the generation
// (raised by every Resize); the count of changes (writes and scrolls) says whether there is anything new.
class WaterfallImage {
public:
    explicit WaterfallImage(int height = 120) { Resize(height); }
    void Resize(int height);
    int Width() const { return kWaterfallBins; }
    int Height() const { return height_; }
    ColorRef Pixel(int x, int y) const { return Row(y)[x]; }
    void SetPixel(int x, int y, ColorRef c) {
        if (x >= 0 && x < kWaterfallBins && y >= 0 && y < height_) {
            const int stored = Stored(y);
            pixels_[static_cast<size_t>(stored) * kWaterfallBins + static_cast<size_t>(x)] = c;
            ++versions_[static_cast<size_t>(stored)];
            ++changes_;
        }
    }
    // Moves the whole picture one pixel down; the top row keeps its colours.
    void ScrollDown();
    const ColorRef* Row(int y) const { return StoredRow(Stored(y)); }

    int Top() const { return top_; }
    const ColorRef* StoredRow(int stored) const {
        return &pixels_[static_cast<size_t>(stored) * kWaterfallBins];
    }
    uint64_t StoredRowVersion(int stored) const { return versions_[static_cast<size_t>(stored)]; }
    uint64_t Scrolls() const { return scrolls_; }
    uint64_t Generation() const { return generation_; }
    uint64_t Changes() const { return changes_; }

private:
    int Stored(int y) const { return top_ + y < height_ ? top_ + y : top_ + y - height_; }

    std::vector<ColorRef> pixels_;
    std::vector<uint64_t> versions_;
    int height_ = 0;
    int top_ = 0;
    uint64_t scrolls_ = 0;
    uint64_t generation_ = 0;
    uint64_t changes_ = 0;
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
