#include "session/frequency_list.h"

#include <charconv>
#include <chrono>
#include <random>

#include "common/vb.h"
#include "receiver/band_lookup.h"

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

std::optional<int32_t> TunableFrequencyHz(std::string_view boxText) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!boxText.empty() && blank(boxText.front()))
        boxText.remove_prefix(1);
    while (!boxText.empty() && blank(boxText.back()))
        boxText.remove_suffix(1);
    if (!boxText.empty() && boxText.front() == '+') boxText.remove_prefix(1);
    bool digit = false, point = false;
    for (char c : boxText) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digit) return std::nullopt;
    double kHz = 0;
    std::from_chars(boxText.data(), boxText.data() + boxText.size(), kHz);
    if (RoundHalfEven(kHz) >= 1000000) return std::nullopt;
    const double hz = RoundHalfEven(kHz * 1000);
    if (hz < 1) return std::nullopt;
    return static_cast<int32_t>(hz);
}

const std::array<int32_t, kChannels> kChannelKHz = {3583,  3585,  7040,  7042,  7044,  10144, 10145, 14078,
                                                    14101, 14103, 14113, 18111, 18113, 21110, 21114};
const std::array<int, kChannels> kChannelMenuEntries = {4,  5,  7,  8,  9,  10, 11, 12,
                                                        13, 14, 15, 16, 17, 18, 19};

std::array<ChannelLook, kChannels> ChannelLooks(int32_t hz) {
    struct Band {
        float lowerEdgeMHz;          // the band's colour is the one of its lower edge
        int32_t shownFrom, shownTo;  // the range in Hz in which its channels are shown
        int first, count;            // its channels
    };
    static constexpr Band kBands[] = {
        {3.5f, 3500000, 3620000, 0, 2},     {7.0f, 7000000, 7200000, 2, 3},
        {10.0f, 10000000, 10150000, 5, 2},  {14.0f, 14000000, 14350000, 7, 4},
        {18.0f, 18000000, 18168000, 11, 2}, {21.0f, 21000000, 21450000, 13, 2},
    };
    std::array<ChannelLook, kChannels> looks{};
    int on = -1;
    for (int i = 0; i < kChannels; ++i)
        if (hz == kChannelKHz[static_cast<size_t>(i)] * 1000) on = i;
    for (const Band& band : kBands) {
        const bool shown = hz >= band.shownFrom && hz <= band.shownTo;
        const bool onThisBand = on >= band.first && on < band.first + band.count;
        for (int i = band.first; i < band.first + band.count; ++i) {
            ChannelLook& look = looks[static_cast<size_t>(i)];
            look.visible = shown;
            if (i == on) {
                look.colour = BandFromFrequency(band.lowerEdgeMHz).Colour;
            } else if (on < 0 || onThisBand) {
                look.colour = kChannelBoxGrey;
            }
        }
    }
    return looks;
}

int EntryAbove(double dialHz) {
    for (int i = 1; i <= kFrequencyEntries; ++i)
        if (kDefaultFrequencies[static_cast<size_t>(i)] > dialHz) return i;
    return 1;
}

int EntryBelow(double dialHz) {
    for (int i = kFrequencyEntries; i >= 1; --i)
        if (kDefaultFrequencies[static_cast<size_t>(i)] < dialHz) return i;
    return kFrequencyEntries;
}

int16_t ScanStartCountdown(int dwellValue) {
    return static_cast<int16_t>(300 - dwellValue);
}

bool ScanTick(ScanPosition& scan, int dwellValue, bool frameLocked) {
    bool step = false;
    if (scan.ScanCountdown == 0) {
        scan.ScanCountdown = static_cast<int16_t>(301 - dwellValue);
        step = !frameLocked;
    }
    --scan.ScanCountdown;
    return step;
}

int NextScanEntry(ScanPosition& scan, int count, const std::function<bool(int)>& ticked) {
    const int16_t from = scan.ScanIndex;
    for (int tries = 0; tries < count; ++tries) {
        if (++scan.ScanIndex > count) scan.ScanIndex = 1;
        if (ticked(scan.ScanIndex)) return scan.ScanIndex;
    }
    scan.ScanIndex = from;
    return 0;
}

int32_t PickStartFrequency() {
    std::mt19937 random(static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    const double r = std::uniform_real_distribution<double>(0.0, 1.0)(random);
    const int16_t n = CInt(16 - 15 * r);
    return n >= 1 && n <= 8 ? 14101000 : 14113000;
}

}  // namespace muv
