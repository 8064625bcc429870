#include "transmitter/keying.h"

#include <chrono>
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

void PttKeying::ReleasePtt() {
    if (rig_.optCAT()) {
        rig_.CAT_PTT_RX();
    } else if (rig_.optNOCAT()) {
        if (port_.PortOpen()) CloseWithLinesDown();
    } else if (DdsChosen(rig_)) {
        if (port_.PortOpen()) {
            try {
                port_.Output("KEY OFF\r");
                port_.Output("PTT OFF\r");
            } catch (const std::exception&) {
                // A box that cannot be told is still released by closing the port.
            }
            CloseWithLinesDown();
        }
    }
}

void PttKeying::CloseWithLinesDown() {
    emergency::SetSerialReleaseText("");
    try {
        port_.SetRTSEnable(false);
    } catch (const std::exception&) {
    }
    try {
        port_.SetDTREnable(false);
    } catch (const std::exception&) {
    }
    try {
        port_.SetPortOpen(false);
    } catch (const std::exception&) {
    }
}

bool SerialDdsBox::Selected() const {
    return DdsChosen(rig_);
}

double SerialDdsBox::DialFrequencyHz() const {
    if (rig_.optDDSCAT()) return rig_.CatFrequencyHz();
    return Val(rig_.txtFrecuenciaUSBText());
}

void SerialDdsBox::WriteLine(const std::string& text) {
    if (!port_.PortOpen()) return;
    try {
        port_.Output(text + "\r");
    } catch (const std::exception&) {
    }
}

void SerialDdsBox::Wait(int milliseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace muv
