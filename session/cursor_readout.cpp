#include "session/cursor_readout.h"

#include "common/vb.h"

namespace muv {

std::string CursorReadout(int x, int y, int lastX, int lastY, int visibleWidth, int visibleHeight,
                          int32_t samplesPerBuffer, int16_t centreHz) {
    // A picture one pixel wide has no scale to read (and nothing would divide by its last column).
    if (lastX <= 0 || samplesPerBuffer <= 0) return "";
    if (x < 0 || x > lastX || y < 0 || y > lastY || x >= visibleWidth || y >= visibleHeight) return "";
    // The picture spans the transform's bins: 3000 Hz for 3072-sample buffers, 2571 for 3584.
    const int16_t scale = CInt(9216000.0 / samplesPerBuffer);
    const float f = static_cast<float>(static_cast<double>(scale) * x / lastX);
    return "Freq: " + Format(f, "0") + " Hz @ Shift: " + Format(f - centreHz, "0") + " Hz";
}

}  // namespace muv
