#include "transmitter/dds_box.h"

#include "common/vb.h"

namespace muv {

std::string DdsFrequencyLine(double dialHz, float offsetHz) {
    const double f = RoundHalfEven((dialHz + static_cast<double>(offsetHz)) * 1000.0) / 1000.0;
    return Format(f, "0.000");
}

std::string DdsFtxLine(double frequencyHz) {
    return "FTX " + Str(frequencyHz);
}

}  // namespace muv
