// The amateur band that a frequency lies in, and the colour in which that band is shown.
#pragma once

#include <string>

#include "common/colour.h"

namespace muv {

struct BandInfo {
    std::string Name;  // such as "20M"; empty outside every band
    ColorRef Colour = 0;
};

// frequencyMHz is compared in single precision against the band limits, both limits inclusive.
BandInfo BandFromFrequency(float frequencyMHz);

}  // namespace muv
