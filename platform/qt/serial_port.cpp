#include "platform/qt/serial_port.h"

#include <sys/ioctl.h>
#include <termios.h>

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <tuple>
#include <vector>

#include "platform/emergency_release.h"

namespace muv {
namespace {

struct LineSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool AllDigits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

// "57600,N,8,1"; false when the text is not such a setting.
bool ParseSettings(const std::string& text, LineSettings& out) {
    std::vector<std::string> fields;
    std::stringstream in(text);
    for (std::string field; std::getline(in, field, ',');)
        fields.push_back(Trimmed(field));
    if (fields.size() != 4 || !AllDigits(fields[0]) || fields[0].size() > 7 || fields[1].size() != 1)
        return false;
    out.baud = std::stoi(fields[0]);
    switch (std::toupper(static_cast<unsigned char>(fields[1][0]))) {
        case 'N':
            out.parity = QSerialPort::NoParity;
            break;
        case 'E':
            out.parity = QSerialPort::EvenParity;
            break;
        case 'O':
            out.parity = QSerialPort::OddParity;
            break;
        case 'M':
            out.parity = QSerialPort::MarkParity;
            break;
        case 'S':
            out.parity = QSerialPort::SpaceParity;
            break;
        default:
            return false;
    }
    if (fields[2] == "5")
        out.dataBits = QSerialPort::Data5;
    else if (fields[2] == "6")
        out.dataBits = QSerialPort::Data6;
    else if (fields[2] == "7")
        out.dataBits = QSerialPort::Data7;
    else if (fields[2] == "8")
        out.dataBits = QSerialPort::Data8;
    else
        return false;
    if (fields[3] == "1")
        out.stopBits = QSerialPort::OneStop;
    else if (fields[3] == "1.5")
        out.stopBits = QSerialPort::OneAndHalfStop;
    else if (fields[3] == "2")
        out.stopBits = QSerialPort::TwoStop;
    else
        return false;
    return out.baud > 0;
}

// Whether the device has modem-control lines: a pseudo-terminal or a bare data line has none (nothing to
// key, nothing to drop); a device that has gone (an adapter pulled out) cannot say, and errno tells why.
enum class ModemLines { kPresent, kAbsent, kFailed };
ModemLines ModemLinesOf(const QSerialPort& port) {
    int status = 0;
    if (::ioctl(static_cast<int>(port.handle()), TIOCMGET, &status) == 0) return ModemLines::kPresent;
    return errno == ENOTTY || errno == EINVAL ? ModemLines::kAbsent : ModemLines::kFailed;
}

// Sends what QSerialPort still holds, waiting at most the given time; false when the device would not
// take it.
bool Drain(QSerialPort& port, int milliseconds) {
    port.flush();
    const QDeadlineTimer deadline(milliseconds);
    while (port.bytesToWrite() > 0 && !deadline.hasExpired())
        if (!port.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) break;
    return port.bytesToWrite() == 0 && port.error() == QSerialPort::NoError;
}

}  // namespace

std::string SerialDeviceForCommPort(int port) {
    if (port < 1 || port > 20) return {};
    const char* named = std::getenv(("MUV_COM" + std::to_string(port)).c_str());
    if (named && *named) return named;

    static const char* const groups[] = {"ttyS", "ttyUSB", "ttyACM"};
    std::vector<std::tuple<int, long, std::string>> devices;  // group, number, path
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const std::string name = info.portName().toStdString();
        for (int g = 0; g < 3; ++g) {
            const std::string prefix = groups[g];
            const std::string rest = name.substr(std::min(prefix.size(), name.size()));
            if (name.rfind(prefix, 0) == 0 && AllDigits(rest) && rest.size() < 9)
                devices.emplace_back(g, std::stol(rest), info.systemLocation().toStdString());
        }
    }
    std::sort(devices.begin(), devices.end());
    if (static_cast<size_t>(port) > devices.size()) return {};
    return std::get<2>(devices[port - 1]);
}

QtSerialPort::QtSerialPort() : port_(std::make_unique<QSerialPort>()) {}

QtSerialPort::~QtSerialPort() {
    try {
        Close();
    } catch (const std::exception&) {
    }
}

void QtSerialPort::Fail(const std::string& what) {
    throw SerialPortError("COM" + std::to_string(commPort_) + ": " + what);
}

void QtSerialPort::SetCommPort(int port) {
    if (port < 1 || port > 20) Fail("invalid port number " + std::to_string(port));
    if (PortOpen()) Fail("port already open");
    commPort_ = port;
}

void QtSerialPort::SetRTSEnable(bool on) {
    rts_ = on;
    if (PortOpen()) ApplyLine(true, on);
}

void QtSerialPort::SetDTREnable(bool on) {
    dtr_ = on;
    if (PortOpen()) ApplyLine(false, on);
}

bool QtSerialPort::PortOpen() const {
    return port_->isOpen();
}

void QtSerialPort::SetPortOpen(bool open) {
    if (open) {
        Open();
    } else {
        Close();
    }
}

void QtSerialPort::SetSettings(const std::string& settings) {
    LineSettings parsed;
    if (!ParseSettings(settings, parsed)) Fail("invalid settings \"" + settings + "\"");
    settings_ = settings;
    if (PortOpen()) ApplySettings();
}

void QtSerialPort::Output(const std::string& bytes) {
    if (!PortOpen()) Fail("port not open");
    if (port_->write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !Drain(*port_, 200)) {
        const std::string why = port_->error() != QSerialPort::NoError
                                    ? port_->errorString().toStdString()
                                    : std::string("the device takes nothing");
        port_->clearError();
        Fail(why);
    }
}

void QtSerialPort::Open() {
    if (PortOpen()) Fail("port already open");
    const std::string device = SerialDeviceForCommPort(commPort_);
    if (device.empty()) Fail("no serial device");
    port_->setPortName(QString::fromStdString(device));
    ApplySettings();
    port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!port_->open(QIODevice::WriteOnly)) Fail(device + ": " + port_->errorString().toStdString());
    // The driver raises both lines as the device opens; a line that must stay low is dropped first.
    try {
        for (const bool level : {false, true}) {
            if (rts_ == level) ApplyLine(true, level);
            if (dtr_ == level) ApplyLine(false, level);
        }
    } catch (const SerialPortError&) {
        try {
            Close();
        } catch (const SerialPortError&) {
        }
        throw;
    }
    // The kernel drops both lines when the port's last descriptor closes, however the program ends
    // (a kill included), only with the hang-up setting on; a port left with it off ("stty -hupcl") gets
    // it back.
    termios line{};
    const int fd = static_cast<int>(port_->handle());
    if (tcgetattr(fd, &line) == 0 && (line.c_cflag & HUPCL) == 0) {
        line.c_cflag |= HUPCL;
        tcsetattr(fd, TCSANOW, &line);
    }
    // While open, the port's lines may key the radio: a crash must still drop them.
    emergency::SetSerialPort(fd);
}

// The port is closed whatever happens; a line that could not be dropped is told afterwards.
void QtSerialPort::Close() {
    if (!PortOpen()) return;
    emergency::ClearSerialPort(static_cast<int>(port_->handle()));
    Drain(*port_, 500);
    std::string failed;
    for (const bool rts : {true, false}) {
        try {
            ApplyLine(rts, false);
        } catch (const SerialPortError& e) {
            if (failed.empty()) failed = e.what();
        }
    }
    port_->close();
    if (!failed.empty()) throw SerialPortError(failed);
}

// A line that must go high needs a device with modem-control lines; one that must go low is down already
// on a device without any.
void QtSerialPort::ApplyLine(bool rts, bool on) {
    const char* line = rts ? "RTS" : "DTR";
    switch (ModemLinesOf(*port_)) {
        case ModemLines::kAbsent:
            if (on) Fail(std::string("no ") + line + " line to key (the device has no modem-control lines)");
            return;
        case ModemLines::kFailed:
            Fail(std::string(line) + ": " + std::strerror(errno));
        case ModemLines::kPresent:
            break;
    }
    const bool done = rts ? port_->setRequestToSend(on) : port_->setDataTerminalReady(on);
    if (!done) Fail(std::string(line) + ": " + port_->errorString().toStdString());
}

void QtSerialPort::ApplySettings() {
    LineSettings s;
    ParseSettings(settings_, s);
    const bool done = port_->setBaudRate(s.baud) && port_->setParity(s.parity) &&
                      port_->setDataBits(s.dataBits) && port_->setStopBits(s.stopBits);
    if (!done) Fail("settings \"" + settings_ + "\": " + port_->errorString().toStdString());
}

}  // namespace muv
