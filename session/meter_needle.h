// Where a meter's needle runs: from the pivot in the middle of the dial's bottom edge to a point on a
// half circle, 0 pointing left, 50 straight up and 100 right, six degrees per dial unit.
#pragma once

namespace muv {

struct NeedleLine {
    double pivotX = 0, pivotY = 0;
    double endX = 0, endY = 0;
};

// The half-circle dial (kind 2) of a picture W x H scale units: the scale's low and high values, the
// dial positions they take, the needle's shortening as a fraction of the radius, and the value shown
// (drawn as computed even outside the scale).
NeedleLine HalfCircleNeedle(int width, int height, double valueLow, double valueHigh, double positionLow,
                            double positionHigh, double shortening, float value);

// The arguments every meter of the main window is drawn with: scale 0 to 100 over 30 dial units, a
// tenth of the radius shorter than the radius.
inline NeedleLine MeterNeedle(int width, int height, float value) {
    return HalfCircleNeedle(width, height, 0, 100, 0, 30, 0.1, value);
}

}  // namespace muv
