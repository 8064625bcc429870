// The translated texts that the status boxes put in front of their numbers, and the shared messages.
// They hold the English wording, for the modules on their own; the program starts with them empty and
// the interface language fills them.
#pragma once

#include <string>

namespace muv {

struct InterfaceTexts {
    std::string TxtOpenSoundFile = "Open Sound File";
    std::string TxtFrameAcquisition = "Frame Acquisition: ";
    std::string TxtFinalAcquisition = "Final Acquisition: ";
    std::string TxtFrequencyShift = "Frequency Shift: ";
    std::string TxtVolume = "Volume: ";
    std::string TxtCpuUsage = "CPU Usage: ";
    std::string TxtCpuUnavailable = "CPU Usage: Not avaiable";
    std::string TxtEmailSent = "Email sent";
    std::string TxtEmailError = "Error: E-mail could not be sent";
    // The rig window's status of a rig that answers and can be keyed.
    std::string TxtRigOnline = "Rig online";

    // Every message empty.
    static InterfaceTexts None() { return {"", "", "", "", "", "", "", "", "", ""}; }
};

}  // namespace muv
