// The serial port as the program drives it: a port number COM1..COM20, the RTS and DTR control lines,
// open and close, the line settings and raw output. Keying and the DDS box work over this face; the
// Qt layer (platform/qt/serial_port.h) maps it onto the system's serial devices, tests fake it.
#pragma once

#include <stdexcept>
#include <string>

namespace muv {

// Any failure of the port: no such device, busy, bad settings, a write to a closed port.
class SerialPortError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // 1..20; anything else, or a change while the port is open, raises SerialPortError.
    virtual int CommPort() const = 0;
    virtual void SetCommPort(int port) = 0;

    // The control lines' wanted states. While the port is open the line follows at once; while it is
    // closed the value waits for the next open and is applied straight after it. Both start False.
    virtual bool RTSEnable() const = 0;
    virtual void SetRTSEnable(bool on) = 0;
    virtual bool DTREnable() const = 0;
    virtual void SetDTREnable(bool on) = 0;

    // Opening a missing or busy port, or opening it twice, raises SerialPortError. Closing sends what is
    // still queued, drops both lines and does nothing when the port is already closed.
    virtual bool PortOpen() const = 0;
    virtual void SetPortOpen(bool open) = 0;

    // "baud,parity,data bits,stop bits", e.g. "57600,N,8,1" (the default is "9600,N,8,1"). Malformed
    // text raises SerialPortError; an open port takes the new settings at once.
    virtual std::string Settings() const = 0;
    virtual void SetSettings(const std::string& settings) = 0;

    // Writes the bytes as they stand; raises SerialPortError when the port is closed or the write fails.
    virtual void Output(const std::string& bytes) = 0;
};

}  // namespace muv
