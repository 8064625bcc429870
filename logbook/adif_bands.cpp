#include "logbook/adif_bands.h"

namespace muv {

namespace {

struct AdifBand {
    const char* name;
    double lowerMHz;
    double upperMHz;
};

// The band enumeration of ADIF 3.1, limits inclusive.
constexpr AdifBand kAdifBands[] = {
    {"2190M", 0.1357, 0.1378},   {"630M", 0.472, 0.479},      {"560M", 0.501, 0.504},
    {"160M", 1.8, 2.0},          {"80M", 3.5, 4.0},           {"60M", 5.06, 5.45},
    {"40M", 7.0, 7.3},           {"30M", 10.1, 10.15},        {"20M", 14.0, 14.35},
    {"17M", 18.068, 18.168},     {"15M", 21.0, 21.45},        {"12M", 24.89, 24.99},
    {"10M", 28.0, 29.7},         {"8M", 40.0, 45.0},          {"6M", 50.0, 54.0},
    {"5M", 54.000001, 69.9},     {"4M", 70.0, 71.0},          {"2M", 144.0, 148.0},
    {"1.25M", 222.0, 225.0},     {"70CM", 420.0, 450.0},      {"33CM", 902.0, 928.0},
    {"23CM", 1240.0, 1300.0},    {"13CM", 2300.0, 2450.0},    {"9CM", 3300.0, 3500.0},
    {"6CM", 5650.0, 5925.0},     {"3CM", 10000.0, 10500.0},   {"1.25CM", 24000.0, 24250.0},
    {"6MM", 47000.0, 47200.0},   {"4MM", 75500.0, 81000.0},   {"2.5MM", 119980.0, 123000.0},
    {"2MM", 134000.0, 149000.0}, {"1MM", 241000.0, 250000.0}, {"SUBMM", 300000.0, 7500000.0},
};

}  // namespace

std::string AdifBandOfFrequency(double frequencyMHz) {
    return AdifBandNameOfFrequency(frequencyMHz);
}

const char* AdifBandNameOfFrequency(double frequencyMHz) {
    for (const AdifBand& band : kAdifBands)
        if (frequencyMHz >= band.lowerMHz && frequencyMHz <= band.upperMHz) return band.name;
    return "";
}

}  // namespace muv
