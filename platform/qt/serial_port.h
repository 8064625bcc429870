// The serial port on QSerialPort. COMn is the device that the environment variable MUV_COM<n> names
// (e.g. MUV_COM3=/dev/pts/5), otherwise the n-th of the system's serial devices: ttyS*, then ttyUSB*,
// then ttyACM*, each group in the order of its numbers.
#pragma once

#include <memory>
#include <string>

#include "platform/comm_port.h"

class QSerialPort;

namespace muv {

// The device path of COM1..COM20; empty when there is none.
std::string SerialDeviceForCommPort(int port);

class QtSerialPort : public SerialPort {
public:
    QtSerialPort();
    // Closes an open port with both lines down, so that the transmitter is never left keyed.
    ~QtSerialPort() override;

    int CommPort() const override { return commPort_; }
    void SetCommPort(int port) override;
    bool RTSEnable() const override { return rts_; }
    void SetRTSEnable(bool on) override;
    bool DTREnable() const override { return dtr_; }
    void SetDTREnable(bool on) override;
    bool PortOpen() const override;
    void SetPortOpen(bool open) override;
    std::string Settings() const override { return settings_; }
    void SetSettings(const std::string& settings) override;
    void Output(const std::string& bytes) override;

private:
    void Open();
    void Close();
    void ApplyLine(bool rts, bool on);
    void ApplySettings();
    [[noreturn]] void Fail(const std::string& what);

    std::unique_ptr<QSerialPort> port_;
    int commPort_ = 1;
    bool rts_ = false;
    bool dtr_ = false;
    std::string settings_ = "9600,N,8,1";
};

}  // namespace muv
