#include "session/meter_needle.h"

#include <algorithm>
#include <cmath>

#include "common/vb.h"

namespace muv {

NeedleLine HalfCircleNeedle(int width, int height, double valueLow, double valueHigh, double positionLow,
                            double positionHigh, double shortening, float value) {
    NeedleLine line;
    const double cx = RoundHalfEven(width / 2.0);
    const double cy = RoundHalfEven(height - 2.0);
    const double radius = std::min(cx, cy) - 5;
    const double length = radius - RoundHalfEven(radius * shortening);
    // The value itself is not offset by the scale's low end.
    const double units = (positionHigh - positionLow) / (valueHigh - valueLow) * value + positionLow;
    const double angle = (270 - 6 * units) * 0.017453292522222223;
    line.pivotX = cx;
    line.pivotY = cy;
    line.endX = std::sin(angle) * length + cx;
    line.endY = std::cos(angle) * length + cy;
    return line;
}

}  // namespace muv
