// Keying the transmitter before a transmission or the tune tone and releasing it afterwards: by CAT,
// by a control line (RTS, DTR or both) of the serial port, through the DDS box on that port, or not at
// all (VOX, the radio keys itself on the audio). The rig window's choices and CAT calls come through
// RigKeying, the main window's reaction to a failure through KeyingHost.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/message_box.h"
#include "platform/comm_port.h"
#include "transmitter/dds_box.h"

namespace muv {

constexpr int ST_ONLINE = 4;  // CurrentRig.Status of a rig that answers

// What keying reads of the rig window frmRig. Exactly one of optCAT, optVOX, optNOCAT and optDDS is
// selected; the DDS box is the choice when none of the first three is (so optDDS is not asked), and in
// the same way optRTSDTR and optDDSManual are the choices when optRTS/optDTR and optDDSCAT are not.
class RigKeying {
public:
    virtual ~RigKeying() = default;
    virtual bool optCAT() const = 0;
    virtual bool optVOX() const = 0;
    virtual bool optNOCAT() const = 0;
    // cboCOM.ListIndex: 0 "NO COM", 1..20 the port number.
    virtual int cboCOMListIndex() const = 0;
    virtual bool optRTS() const = 0;
    virtual bool optDTR() const = 0;
    // The DDS box's dial frequency comes from CAT (CatFrequencyHz) rather than txtFrecuenciaUSB.
    virtual bool optDDSCAT() const = 0;
    virtual std::string txtFrecuenciaUSBText() const = 0;
    virtual int32_t CatFrequencyHz() const = 0;
    // OmniRigEngine is not Nothing, and CurrentRig.Status.
    virtual bool OmniRigEnginePresent() const = 0;
    virtual int CurrentRigStatus() const = 0;
    // CAT keying of the current rig (PM_TX / PM_RX). CAT_PTT_TX tells the user itself why it failed,
    // runs KeyingHost's failure tail and returns 0; 1 when keyed.
    virtual uint8_t CAT_PTT_TX() = 0;
    virtual void CAT_PTT_RX() = 0;
};

// What the main window does after a keying failure's message: the transmission will not start.
class KeyingHost {
public:
    virtual ~KeyingHost() = default;
    virtual void FocusTransmitWindow() = 0;  // rtfVentanaTX gets the focus
    virtual void imgONBeacon_Click() = 0;    // the beacon is switched off
    virtual void ShowTuneIdle() = 0;         // imgTuneON hidden, imgTuneOFF shown
};

class PttKeying {
public:
    // comPuertoSerie is the port shared with the DDS box (SerialDdsBox).
    PttKeying(RigKeying& rig, SerialPort& comPuertoSerie, MessageBoxes& boxes, KeyingHost& host);

    // 1: keyed, or nothing to key; 0: failed, the user has been told and the beacon is off.
    uint8_t KeyPtt();
    // Releases whatever KeyPtt keyed; with the port already closed it does nothing. The port is closed
    // in any case; what could not be done (lines that would not drop, a DDS box that could not be told,
    // also on a fresh open of the port) comes back as the operator's warning, empty when all went well.
    std::string ReleasePtt();

private:
    // Tells the user (a "Port Error" box), turns the beacon off and returns 0.
    uint8_t Fail(const std::string& message);
    // Drops both lines and closes the port; why a line would not drop, or empty.
    std::string CloseWithLinesDown();
    // "KEY OFF" and "PTT OFF" to the box on the open port, then the close; why they did not go, or empty.
    std::string TellDdsBoxOff();

    RigKeying& rig_;
    SerialPort& port_;
    MessageBoxes& boxes_;
    KeyingHost& host_;
};

// The DDS box on the serial port that KeyPtt opened: each line ends with CR alone.
class SerialDdsBox : public DdsBox {
public:
    SerialDdsBox(const RigKeying& rig, SerialPort& comPuertoSerie) : rig_(rig), port_(comPuertoSerie) {}

    bool Selected() const override;
    // CatFrequencyHz with optDDSCAT, otherwise the number typed in txtFrecuenciaUSB.
    double DialFrequencyHz() const override;
    // A line to a closed port is lost. The first line the port fails to take is told through Failed
    // (the box then has a wrong idea of what it sends); the lines after it are not tried.
    void WriteLine(const std::string& text) override;
    // Lines may go out again (a new transmission keyed the port afresh).
    void Rearm() { failed_ = false; }
    std::function<void(const std::string& why)> Failed;
    // Blocks the thread (the pause between "PTT ON" and "KEY ON").
    void Wait(int milliseconds) override;

private:
    const RigKeying& rig_;
    SerialPort& port_;
    bool failed_ = false;
};

}  // namespace muv
