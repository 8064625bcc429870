// A rig window, a serial port and a main window that record what keying does with them.
#pragma once

#include <string>
#include <vector>

#include "transmitter/keying.h"

namespace muv::test {

class FakeSerialPort : public SerialPort {
public:
    int CommPort() const override { return port; }
    void SetCommPort(int p) override {
        if (open) throw SerialPortError("port already open");
        ops.push_back("COM " + std::to_string(port = p));
    }
    bool RTSEnable() const override { return rts; }
    void SetRTSEnable(bool on) override {
        if (!on && open && failLineDrop) throw SerialPortError("EIO");
        ops.push_back(std::string("RTS ") + ((rts = on) ? "1" : "0"));
    }
    bool DTREnable() const override { return dtr; }
    void SetDTREnable(bool on) override { ops.push_back(std::string("DTR ") + ((dtr = on) ? "1" : "0")); }
    bool PortOpen() const override { return open; }
    void SetPortOpen(bool o) override {
        if (o && (open || failOpen)) throw SerialPortError("cannot open");
        ops.push_back((open = o) ? "open" : "close");
    }
    std::string Settings() const override { return {}; }
    void SetSettings(const std::string& s) override {
        if (failSettings) throw SerialPortError("bad settings");
        ops.push_back("settings " + s);
    }
    void Output(const std::string& bytes) override {
        if (!open || failOutput || failOutputs > 0) {
            if (failOutputs > 0) --failOutputs;
            throw SerialPortError("write failed");
        }
        ops.push_back("out " + bytes);
    }

    int port = 1;
    bool rts = false, dtr = false, open = false, failOpen = false, failSettings = false, failOutput = false;
    bool failLineDrop = false;  // dropping RTS on the open port fails (the adapter pulled out)
    int failOutputs = 0;        // so many writes fail, then the port takes them again
    std::vector<std::string> ops;
};

// keying: "CAT", "VOX", "NOCAT" or "DDS"; pin: "RTS", "DTR" or "RTSDTR".
class FakeRig : public RigKeying {
public:
    bool optCAT() const override { return keying == "CAT"; }
    bool optVOX() const override { return keying == "VOX"; }
    bool optNOCAT() const override { return keying == "NOCAT"; }
    int cboCOMListIndex() const override { return com; }
    bool optRTS() const override { return pin == "RTS"; }
    bool optDTR() const override { return pin == "DTR"; }
    bool optDDSCAT() const override { return ddsCat; }
    std::string txtFrecuenciaUSBText() const override { return usbText; }
    int32_t CatFrequencyHz() const override { return catHz; }
    bool OmniRigEnginePresent() const override { return engine; }
    int CurrentRigStatus() const override { return status; }
    uint8_t CAT_PTT_TX() override { return calls.push_back("TX"), catResult; }
    void CAT_PTT_RX() override { calls.push_back("RX"); }

    std::string keying = "DDS", pin = "RTSDTR", usbText = "14070000";
    int com = 3, status = ST_ONLINE;
    int32_t catHz = 7040000;
    bool ddsCat = false, engine = true;
    uint8_t catResult = 1;
    std::vector<std::string> calls;
};

// Message boxes and the main window's failure tail, in the order they happen.
class RecordingWindow : public MessageBoxes, public KeyingHost {
public:
    BoxAnswer Show(const std::string& text, const std::string& title, BoxIcon icon, BoxButtons) override {
        events.push_back(text + " | " + title + (icon == BoxIcon::Critical ? " | critical" : ""));
        return BoxAnswer::Ok;
    }
    void FocusTransmitWindow() override { events.push_back("focus rtfVentanaTX"); }
    void imgONBeacon_Click() override { events.push_back("beacon off"); }
    void ShowTuneIdle() override { events.push_back("tune idle"); }

    std::vector<std::string> events;
};

}  // namespace muv::test
