// The transmitter driven exactly as the program drives it, without windows, rig or sound card: a text
// goes out as one whole transmission into a sound device. The benchmark's signal source and the
// receive chain's loopback tests use it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/shared_state.h"
#include "platform/sound_device.h"

namespace muv {

// The band class, bandwidth and symbol-rate button that make the transmitter choose a mode.
struct TxModeChoice {
    uint8_t BandClass;
    int16_t BandwidthHz;
    bool baudOn1;
    bool baudOn2;
    bool baudOn2MF;
};
// The choice for transmit mode 1..10 (8, the second EME receive variant, is sent as 7).
TxModeChoice ChoiceForTxMode(int mode);
// The symbol-rate switches of that choice.
void SetSymbolRate(const TxModeChoice& choice, ModemSwitches& switches);

// Sends text in the given mode into the device (opened by the transmitter). The operator's second press
// of the TX/RX switch comes once holdSeconds of data symbols have gone out (the transmitter idles after
// the text meanwhile), right at the start without a hold; then the text is followed by the end of the
// message. The device must finish its buffers by itself (a file, or memory that plays at once). Returns
// false, with the reason in error, when the device could not be opened or failed on the way (a file
// that cannot be written); the transmission then stops there.
bool TransmitOffline(int mode, const std::string& text, SoundOutputDevice& device, double holdSeconds = 0,
                     std::string* error = nullptr);

// The same into memory: the samples that went on air, from the first silent buffer to the last one.
std::vector<int16_t> TransmitToSamples(int mode, const std::string& text, double holdSeconds = 0);

}  // namespace muv
