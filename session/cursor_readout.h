// The waterfall's cursor read-out: the audio frequency under the mouse and its distance from the
// receive mode's centre frequency.
#pragma once

#include <cstdint>
#include <string>

namespace muv {

// x, y: the cursor in the picture's pixels; lastX, lastY: the picture's last column and row (its width
// and height minus 1); visibleWidth, visibleHeight: how much of the picture lies inside the window from
// its top-left corner. samplesPerBuffer and centreHz of the receive mode. Empty outside the picture.
std::string CursorReadout(int x, int y, int lastX, int lastY, int visibleWidth, int visibleHeight,
                          int32_t samplesPerBuffer, int16_t centreHz);

}  // namespace muv
