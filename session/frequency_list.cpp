#include "session/frequency_list.h"

#include <chrono>
#include <random>

#include "common/vb.h"

namespace muv {

const std::array<int32_t, 26> kDefaultFrequencies = {
    0,        136000,   502000,   1837000,  3583000,  3585000,  5367000,   7040000,  7042000,
    7044000,  10144000, 10145000, 14078000, 14101000, 14103000, 14113000,  18111000, 18113000,
    21110000, 21114000, 24931000, 28295000, 50295000, 70074000, 144160000, 144980000};

BandPlanEntry LookupBandPlan(int32_t hz) {
    struct Row {
        int32_t from, to;  // inclusive
        int16_t bandwidth;
        uint8_t bandClass;
    };
    static constexpr Row kPlan[] = {
        {135000, 136500, 100, 1},      {501995, 502100, 100, 1},       {1835000, 1840000, 500, 2},
        {3580000, 3600000, 2000, 2},   {5365000, 5370000, 2000, 2},    {7038000, 7040999, 500, 2},
        {7041000, 7047000, 2000, 2},   {10143000, 10146000, 500, 2},   {14076000, 14092000, 500, 2},
        {14100000, 14118000, 2000, 2}, {18105000, 18118000, 2000, 2},  {21105000, 21120000, 2000, 2},
        {24925000, 24940000, 2000, 2}, {28294000, 28298000, 2000, 2},  {50294000, 50298000, 2000, 2},
        {70000000, 70500000, 2000, 2}, {144155000, 144165000, 100, 3}, {144975000, 144985000, 2000, 2},
    };
    for (const Row& r : kPlan)
        if (hz >= r.from && hz <= r.to) return {r.bandwidth, r.bandClass};
    return {};
}

std::string KiloHertzText(int32_t hz) {
    std::string text = Format(hz / 1000.0, "0.0");
    for (char& c : text)
        if (c == ',') c = '.';
    return text;
}

int32_t PickStartFrequency() {
    std::mt19937 random(static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    const double r = std::uniform_real_distribution<double>(0.0, 1.0)(random);
    const int16_t n = CInt(16 - 15 * r);
    return n >= 1 && n <= 8 ? 14101000 : 14113000;
}

}  // namespace muv
