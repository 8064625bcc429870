// The DDS synthesiser box on the serial port: text lines, each ended by one carriage return, at
// 57600 baud, 8 data bits, no parity, 1 stop bit.
#pragma once

#include <string>

namespace muv {

class DdsBox {
public:
    virtual ~DdsBox() = default;
    // The rig window's choice: the transmitter is keyed through the DDS box.
    virtual bool Selected() const = 0;
    // The dial frequency in Hz: the CAT frequency, or the number typed in the rig window.
    virtual double DialFrequencyHz() const = 0;
    // Sends one line; the carriage return is added here.
    virtual void WriteLine(const std::string& text) = 0;
    // The blocking pause between "PTT ON" and "KEY ON".
    virtual void Wait(int milliseconds) = 0;
};

// A frequency line: dial + offset in Hz, rounded to three decimals, written "0.000" with a ".".
std::string DdsFrequencyLine(double dialHz, float offsetHz);
// The "FTX" line: "FTX " and the frequency as a plain number with a blank in front of positive values.
std::string DdsFtxLine(double frequencyHz);

}  // namespace muv
