// The bands of the ADIF standard, by which a log names the band of a contact. The display's band plan
// (receiver/band_lookup.h) is another matter: it colours the frequency box and may differ.
#pragma once

#include <string>

namespace muv {

// The ADIF band of a frequency in MHz, in capitals as the log writes it ("20M", "630M", "70CM",
// "1.25CM", "SUBMM"); "" when the frequency lies in no band. Both limits of a band belong to it.
std::string AdifBandOfFrequency(double frequencyMHz);
// The same as a name that lasts as long as the program.
const char* AdifBandNameOfFrequency(double frequencyMHz);

}  // namespace muv
