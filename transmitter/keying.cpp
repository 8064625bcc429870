#include "transmitter/keying.h"

#include <chrono>
#include <functional>
#include <thread>

#include "common/vb.h"
#include "platform/emergency_release.h"

namespace muv {
namespace {

// What the box is told on a crash: the two lines of a release.
constexpr const char* kDdsReleaseText = "KEY OFF\rPTT OFF\r";

bool DdsChosen(const RigKeying& rig) {
    return !rig.optCAT() && !rig.optVOX() && !rig.optNOCAT();
}

}  // namespace

PttKeying::PttKeying(RigKeying& rig, SerialPort& comPuertoSerie, MessageBoxes& boxes, KeyingHost& host)
    : rig_(rig), port_(comPuertoSerie), boxes_(boxes), host_(host) {}

uint8_t PttKeying::KeyPtt() {
    if (rig_.optCAT()) return rig_.CAT_PTT_TX();
    if (rig_.optVOX()) return 1;

    // A list with nothing chosen counts as "NO COM".
    const int PortNumber = rig_.cboCOMListIndex() < 0 ? 0 : rig_.cboCOMListIndex();
    try {
        if (rig_.optNOCAT()) {
            if (PortNumber == 0) {
                port_.SetRTSEnable(false);
                port_.SetDTREnable(false);
                return 1;
            }
            port_.SetCommPort(PortNumber);
            bool rts = true, dtr = true;  // optRTSDTR
            if (rig_.optRTS()) {
                dtr = false;
            } else if (rig_.optDTR()) {
                rts = false;
            }
            port_.SetRTSEnable(rts);
            port_.SetDTREnable(dtr);
            port_.SetPortOpen(true);  // the chosen lines go high and key the radio
            return 1;
        }

        // The DDS box takes text lines; its control lines must never key the radio.
        port_.SetRTSEnable(false);
        port_.SetDTREnable(false);
        if (PortNumber == 0) return Fail("Select a COM Port");
        if (rig_.optDDSCAT()) {
            // Without a CAT frequency the box would be sent lines for 0 Hz.
            if (!rig_.OmniRigEnginePresent() || rig_.CurrentRigStatus() != ST_ONLINE ||
                rig_.CatFrequencyHz() < 1)
                return Fail("CAT not avaiable");
        } else if (!(Val(rig_.txtFrecuenciaUSBText()) > 0)) {
            return Fail("DDS Frequency not valid");
        }
        port_.SetCommPort(PortNumber);
        port_.SetPortOpen(true);
        port_.SetSettings("57600,N,8,1");
        emergency::SetSerialReleaseText(kDdsReleaseText);  // a crash still tells the box to stop
        return 1;
    } catch (const std::exception&) {
        // Whatever got open must not stay keyed.
        CloseWithLinesDown();
        return Fail("COM" + Str(PortNumber) + " not avaiable");
    }
}

uint8_t PttKeying::Fail(const std::string& message) {
    boxes_.Show(message, "Port Error", BoxIcon::Critical);
    host_.FocusTransmitWindow();
    host_.imgONBeacon_Click();
    host_.ShowTuneIdle();
    return 0;
}

std::string PttKeying::ReleasePtt() {
    if (rig_.optCAT()) {
        rig_.CAT_PTT_RX();
        return {};
    }
    if (!port_.PortOpen()) return {};
    const std::string com = "COM" + Str(port_.CommPort());
    if (rig_.optNOCAT()) {
        const std::string why = CloseWithLinesDown();
        if (why.empty()) return {};
        return "The transmitter may still be keyed: the RTS/DTR lines of " + com + " could not be dropped (" +
               why + "). Check the radio.";
    }
    if (!DdsChosen(rig_)) return {};  // VOX keys nothing
    // A box keyed by text lines stays keyed until it is told: a port that would not take the lines is
    // opened afresh and the box told again.
    std::string why = TellDdsBoxOff();
    if (why.empty()) return {};
    try {
        port_.SetPortOpen(true);
        port_.SetSettings("57600,N,8,1");
        why = TellDdsBoxOff();
    } catch (const std::exception& e) {
        why = e.what();
        CloseWithLinesDown();
    }
    if (why.empty()) return {};
    return "The transmitter may still be keyed: the DDS box on " + com +
           " could not be told KEY OFF and PTT OFF (" + why + "). Check the radio.";
}

std::string PttKeying::TellDdsBoxOff() {
    std::string why;
    try {
        port_.Output("KEY OFF\r");
        port_.Output("PTT OFF\r");
    } catch (const std::exception& e) {
        why = e.what();
    }
    CloseWithLinesDown();
    return why;
}

std::string PttKeying::CloseWithLinesDown() {
    emergency::SetSerialReleaseText("");
    std::string why;
    const auto attempt = [&why](const std::function<void()>& step) {
        try {
            step();
        } catch (const std::exception& e) {
            if (why.empty()) why = e.what();
        }
    };
    attempt([this] { port_.SetRTSEnable(false); });
    attempt([this] { port_.SetDTREnable(false); });
    attempt([this] { port_.SetPortOpen(false); });
    return why;
}

bool SerialDdsBox::Selected() const {
    return DdsChosen(rig_);
}

double SerialDdsBox::DialFrequencyHz() const {
    if (rig_.optDDSCAT()) return rig_.CatFrequencyHz();
    return Val(rig_.txtFrecuenciaUSBText());
}

void SerialDdsBox::WriteLine(const std::string& text) {
    if (failed_ || !port_.PortOpen()) return;
    try {
        port_.Output(text + "\r");
    } catch (const std::exception& e) {
        failed_ = true;
        if (Failed) Failed(e.what());
    }
}

void SerialDdsBox::Wait(int milliseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace muv
