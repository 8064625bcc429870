#include "rig/rig_engine.h"

#include <sys/socket.h>
#include <QMetaObject>
#include <QTcpSocket>
#include <QTimer>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

#include "common/cp1252.h"
#include "platform/emergency_release.h"
#include "rig/ptt_refusal.h"

namespace muv {

using namespace rigctl;

namespace {

constexpr int kDefaultPollMs = 500;
// rigctld's answers to a command that the rig or its backend cannot do: such a value is not polled
// again on this connection.
constexpr int kNotImplemented = -4;
constexpr int kNotAvailable = -11;

// What a peer may send. rigctld's longest lines (in \dump_caps) are a few hundred bytes and its longest
// reply a few kilobytes; it never speaks unasked. Beyond these the link is reset.
constexpr size_t kMaxLineBytes = 4096;
constexpr size_t kMaxReplyBytes = 64 * 1024;
constexpr size_t kMaxReplyLines = 1024;
constexpr size_t kMaxUnsolicitedBytes = 4096;
// The socket holds at most this much unread, and one event reads at most a chunk, so that a flood can
// neither grow the memory nor hold up the event loop that also drives the sound.
constexpr qint64 kSocketBufferBytes = 64 * 1024;
constexpr qint64 kReadChunkBytes = 16 * 1024;
constexpr size_t kMaxRigTypeChars = 64;
// The release of last resort waits this long for rigctld's answer.
constexpr int kLastResortTimeoutMs = 1000;

struct ModeName {
    const char* name;
    int32_t pm;
};
constexpr ModeName kModes[] = {
    {"USB", PM_SSB_U},    {"LSB", PM_SSB_L},    {"CW", PM_CW_U}, {"CWR", PM_CW_L},
    {"PKTUSB", PM_DIG_U}, {"PKTLSB", PM_DIG_L}, {"AM", PM_AM},   {"FM", PM_FM},
};

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// "host:port", "host" (default port), "[v6]:port", or a bare IPv6 address.
bool ParseEndpoint(const std::string& text, std::string& host, uint16_t& port, std::string& display) {
    std::string portText;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos) return false;
        host = text.substr(1, close - 1);
        const std::string rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return false;
            portText = rest.substr(1);
        }
    } else {
        const auto colon = text.find(':');
        if (colon != std::string::npos && colon == text.rfind(':')) {
            host = text.substr(0, colon);
            portText = text.substr(colon + 1);
        } else {
            host = text;
        }
    }
    if (host.empty() || host.find_first_of(" \t") != std::string::npos) return false;
    port = kRigctldDefaultPort;
    if (!portText.empty()) {
        if (portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos)
            return false;
        const long value = std::strtol(portText.c_str(), nullptr, 10);
        if (value < 1 || value > 65535) return false;
        port = static_cast<uint16_t>(value);
    }
    display = (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" + std::to_string(port);
    return true;
}

bool AllDigits(const std::string& s, size_t from, size_t to) {
    if (from >= to) return false;
    for (size_t i = from; i < to; ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

// A frequency as rigctld writes it: whole Hz, sometimes with decimals ("14074000", "14074000.000000").
// Nothing else is a frequency (no sign, exponent, hexadecimal or spaces); 0 when it is not one or does
// not fit.
int32_t ParseHz(const std::string& text) {
    const size_t point = text.find('.');
    const size_t whole = point == std::string::npos ? text.size() : point;
    if (!AllDigits(text, 0, whole) || whole > 10) return 0;
    if (point != std::string::npos && !AllDigits(text, point + 1, text.size())) return 0;
    const double v = std::strtod(text.c_str(), nullptr);
    if (v > std::numeric_limits<int32_t>::max()) return 0;
    return static_cast<int32_t>(std::lround(v));
}

// The n of "RPRT n": an optional minus and up to six digits.
bool ParseReport(const std::string& text, int& code) {
    const size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    if (!AllDigits(text, digits, text.size()) || text.size() - digits > 6) return false;
    code = std::atoi(text.c_str());
    return true;
}

// A one-digit answer (PTT 0 to 3, split 0 or 1); -1 for anything else.
int ParseDigit(const std::string& text, int highest) {
    if (text.size() != 1 || text[0] < '0' || text[0] > '0' + highest) return -1;
    return text[0] - '0';
}

}  // namespace

bool ParseRigctldEndpoint(const std::string& text, std::string& host, uint16_t& port) {
    std::string display;
    return ParseEndpoint(Trim(text), host, port, display);
}

bool IsLoopbackHost(const std::string& host) {
    return host == "localhost" || host == "127.0.0.1" || host == "::1";
}

// ---------------------------------------------------------------- Rig

Rig::Rig(RigEngine& engine, int number)
    : engine_(engine),
      number_(number),
      socket_(std::make_unique<QTcpSocket>()),
      replyTimer_(std::make_unique<QTimer>()) {
    rigType_ = "Rig " + std::to_string(number);
    statusStr_ = rigType_ + ": no rigctld address set";
    replyTimer_->setSingleShot(true);
    QObject::connect(replyTimer_.get(), &QTimer::timeout, replyTimer_.get(), [this] { OnReplyTimeout(); });
    QTcpSocket* s = socket_.get();
    s->setReadBufferSize(kSocketBufferBytes);
    QObject::connect(s, &QTcpSocket::connected, s, [this] { OnConnected(); });
    QObject::connect(s, &QTcpSocket::readyRead, s, [this] { OnReadyRead(); });
    QObject::connect(s, &QTcpSocket::errorOccurred, s, [this] { OnSocketError(); });
    QObject::connect(s, &QTcpSocket::disconnected, s, [this] { OnDisconnected(); });
}

Rig::~Rig() {
    // The socket's own teardown must not call back into a rig that is going away.
    QObject::disconnect(socket_.get(), nullptr, nullptr, nullptr);
    QObject::disconnect(replyTimer_.get(), nullptr, nullptr, nullptr);
    socket_->abort();
}

void Rig::SetEndpoint(const std::string& endpoint) {
    // A rig being moved to another rigctld is not left keyed on the old one.
    if (releasePending_) ReleaseNow(kLastResortTimeoutMs);
    Drop();
    peerLength_ = 0;
    model_ = 0;
    endpoint_ = Trim(endpoint);
    configured_ = ParseEndpoint(endpoint_, host_, port_, where_);
    if (!configured_) {
        SetRigType("Rig " + std::to_string(number_));
        SetStatus(ST_NOTCONFIGURED, endpoint_.empty() ? rigType_ + ": no rigctld address set"
                                                      : rigType_ + ": \"" + endpoint_ +
                                                            "\" is not a rigctld address (host:port)");
        return;
    }
    SetRigType(where_);
    SetStatus(ST_NOTRESPONDING, "Connecting to rigctld on " + where_);
    Connect();
}

void Rig::Connect() {
    if (!configured_) return;
    link_ = Link::Connecting;
    socket_->connectToHost(QString::fromStdString(host_), port_);
    // A connection that neither opens nor fails (a host that drops the packets) ends like a silent rig.
    replyTimer_->start(engine_.ReplyTimeout());
}

// Whatever the connection carried is gone; a release still pending is not (it is sent again on the next
// connection).
void Rig::Drop() {
    link_ = Link::Down;
    inFlight_ = false;
    queue_.clear();
    buffer_.clear();
    reply_.clear();
    replyBytes_ = unsolicitedBytes_ = 0;
    checkPttAfterConnect_ = false;
    pttRefused_ = false;
    releaseTaken_ = false;
    keyTakenOnLink_ = false;
    // A rig keyed by the program is not on the air while it cannot be reached.
    if (wantedTx_ == PM_TX) SetKeyLost(true);
    replyTimer_->stop();
    socket_->abort();
    vfoMode_ = pttUnsupported_ = modeUnsupported_ = splitUnsupported_ = false;
    // Nothing is known of a rig that cannot be reached.
    freq_ = splitFreq_ = tx_ = mode_ = 0;
    split_ = false;
}

void Rig::Poll() {
    if (!configured_) return;
    if (releasePending_ && !releaseWarned_ && releaseClock_.elapsed() >= engine_.ReleaseConfirmTimeout()) {
        releaseWarned_ = true;
        Tell(&RigEngine::ReleaseUnconfirmed);
    }
    if (wantedTx_ == PM_TX && keyLost_ && !keyFailedTold_ &&
        keyLostClock_.elapsed() >= engine_.KeyRestoreTimeout()) {
        keyFailedTold_ = true;
        Tell(&RigEngine::KeyingFailed);
    }
    if (link_ == Link::Down) {
        Connect();  // quietly: the status stays what the last failure said
        return;
    }
    if (link_ != Link::Ready) return;
    // A release the rig has not confirmed goes out again, once per poll, and so does a key the rig lost.
    if (releasePending_ && !Queued(Kind::SetPtt)) SendRelease();
    if (wantedTx_ == PM_TX && keyLost_ && !keyFailedTold_ && !Queued(Kind::SetPtt)) SendKey();
    for (const Request& r : queue_)
        if (r.poll) return;  // the last round is still going
    Enqueue({Kind::GetFreq, "f", "", true});
    if (!pttUnsupported_) Enqueue({Kind::GetPtt, "t", "", true});
    if (!modeUnsupported_) Enqueue({Kind::GetMode, "m", "", true});
    if (!splitUnsupported_) Enqueue({Kind::GetSplit, "s", "", true});
    if (split_) Enqueue({Kind::GetSplitFreq, "i", "", true});
}

void Rig::Enqueue(Request request) {
    const size_t firstUnsent = inFlight_ ? 1 : 0;
    if (!request.poll) {
        // A newer setting replaces one not yet sent; a read-back already waiting is enough.
        for (size_t i = firstUnsent; i < queue_.size(); ++i) {
            if (queue_[i].kind == request.kind && !queue_[i].poll) {
                queue_[i] = std::move(request);
                return;
            }
        }
        // Settings and their read-backs go ahead of the polling round.
        size_t at = firstUnsent;
        while (at < queue_.size() && !queue_[at].poll)
            ++at;
        queue_.insert(queue_.begin() + static_cast<std::ptrdiff_t>(at), std::move(request));
    } else {
        queue_.push_back(std::move(request));
    }
    SendNext();
}

void Rig::SendNext() {
    if (inFlight_ || queue_.empty() || link_ == Link::Down || link_ == Link::Connecting) return;
    const Request& r = queue_.front();
    std::string line;
    if (r.kind == Kind::ChkVfo) {
        line = "\\chk_vfo";  // plain form: its answer is one line in every rigctld version
    } else {
        // The "+" form ends every answer with an "RPRT n" line, which frames the replies.
        line = "+" + r.command;
        if (vfoMode_ && r.kind != Kind::DumpCaps) line += " currVFO";
        if (!r.args.empty()) line += " " + r.args;
    }
    line += "\n";
    // A key asked for while connecting goes out only now, when the rigctld it goes to is known: the
    // release of last resort is recorded before the rig can be on the air.
    if (r.kind == Kind::SetPtt && r.args == "1") RecordEmergencyRelease();
    inFlight_ = true;
    reply_.clear();
    replyBytes_ = 0;
    replyTimer_->start(engine_.ReplyTimeout());
    socket_->write(line.data(), static_cast<qint64>(line.size()));
}

void Rig::OnConnected() {
    if (link_ != Link::Connecting) return;
    replyTimer_->stop();
    link_ = Link::Handshake;
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    if (::getpeername(static_cast<int>(socket_->socketDescriptor()), reinterpret_cast<sockaddr*>(&peer),
                      &length) == 0) {
        peer_ = peer;
        peerLength_ = length;
    }
    // Settings queued while connecting wait behind the handshake.
    queue_.push_front({Kind::DumpCaps, "\\dump_caps", "", false});
    queue_.push_front({Kind::ChkVfo, "\\chk_vfo", "", false});
    SendNext();
}

// Reads at most a chunk per event and takes its lines in one pass; what is left is read from the next
// turn of the event loop.
void Rig::OnReadyRead() {
    readScheduled_ = false;
    if (link_ == Link::Down) return;
    char chunk[kReadChunkBytes];
    const qint64 got = socket_->read(chunk, kReadChunkBytes);
    if (got <= 0) return;
    buffer_.append(chunk, static_cast<size_t>(got));
    size_t start = 0;
    size_t eol;
    while (link_ != Link::Down && (eol = buffer_.find('\n', start)) != std::string::npos) {
        if (eol - start > kMaxLineBytes) break;
        std::string line = buffer_.substr(start, eol - start);
        start = eol + 1;
        TakeLine(std::move(line));
    }
    if (link_ == Link::Down) return;  // the link was reset, and the buffer with it
    buffer_.erase(0, start);
    if (buffer_.size() > kMaxLineBytes) {
        Fail(ST_NOTRESPONDING, "rigctld on " + where_ + " sent a line too long to be an answer");
        return;
    }
    if (socket_->bytesAvailable() > 0) ScheduleRead();
}

void Rig::ScheduleRead() {
    if (readScheduled_) return;
    readScheduled_ = true;
    QTimer::singleShot(0, socket_.get(), [this] { OnReadyRead(); });
}

void Rig::TakeLine(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!inFlight_) {
        // Nothing was asked: not ours to read, and rigctld never talks unasked.
        unsolicitedBytes_ += line.size() + 1;
        if (unsolicitedBytes_ > kMaxUnsolicitedBytes)
            Fail(ST_NOTRESPONDING, "rigctld on " + where_ + " sends data nobody asked for");
        return;
    }
    if (queue_.front().kind == Kind::ChkVfo) {
        // "0"/"1", older "CHKVFO n" or "ChkVFO: n"; a very old rigctld rejects the command.
        std::string v = Trim(line);
        if (StartsWith(v, "ChkVFO:")) v = Trim(v.substr(7));
        if (StartsWith(v, "CHKVFO")) v = Trim(v.substr(6));
        if (v == "0" || v == "1" || StartsWith(v, "RPRT ")) {
            vfoMode_ = v == "1";
            releaseLine_ = vfoMode_ ? "T currVFO 0\n" : "T 0\n";
            Complete(0);
        } else {
            Fail(ST_NOTRESPONDING, where_ + " does not answer the rigctld protocol");
            Tell(&RigEngine::ProtocolMismatch);
        }
        return;
    }
    replyBytes_ += line.size() + 1;
    if (replyBytes_ > kMaxReplyBytes || reply_.size() >= kMaxReplyLines) {
        Fail(ST_NOTRESPONDING, "rigctld on " + where_ + " sent an oversized reply");
        return;
    }
    const bool report = StartsWith(line, "RPRT ");
    int code = 0;
    if (report && !ParseReport(line.substr(5), code)) {
        Fail(ST_NOTRESPONDING, where_ + " does not answer the rigctld protocol");
        return;
    }
    reply_.push_back(std::move(line));
    if (report) Complete(code);
}

void Rig::Complete(int rprt) {
    replyTimer_->stop();
    const Request request = std::move(queue_.front());
    queue_.pop_front();
    inFlight_ = false;
    HandleReply(request, rprt);
    SendNext();
}

std::string Rig::Value(const std::string& key) const {
    for (const std::string& line : reply_)
        if (StartsWith(line, key + ":")) return Trim(line.substr(key.size() + 1));
    return {};
}

void Rig::HandleReply(const Request& request, int rprt) {
    const bool unsupported = rprt == kNotImplemented || rprt == kNotAvailable;
    int32_t params = 0;
    switch (request.kind) {
        case Kind::ChkVfo:
            break;
        case Kind::DumpCaps: {
            if (rprt == 0) {
                // Each line as the rule for a peer's text reads it; the cut never splits a character.
                std::string type =
                    Trim(DecodeText(Value("Mfg name")) + " " + DecodeText(Value("Model name")));
                if (Utf8Length(type) > kMaxRigTypeChars) type = Trim(Utf8Left(type, kMaxRigTypeChars));
                if (!type.empty()) SetRigType(type);
                for (const std::string& line : reply_) {
                    int model = 0;
                    if (StartsWith(line, "Caps dump for model:") &&
                        ParseReport(Trim(line.substr(20)), model) && model > 0)
                        model_ = model;
                }
            }
            link_ = Link::Ready;
            // A new connection first makes sure the rig is not left keyed: a release still owed goes
            // out, and a rig found keyed while the program is not transmitting is released.
            checkPttAfterConnect_ = true;
            if (releasePending_) {
                RecordEmergencyRelease();
                SendRelease();
            }
            // A transmission still under way keys the rig again at once.
            if (wantedTx_ == PM_TX && !keyFailedTold_) SendKey();
            Poll();
            break;
        }
        case Kind::GetFreq:
            if (rprt != 0) {
                SetStatus(ST_NOTRESPONDING, "Rig not responding (rigctld on " + where_ + " reports error " +
                                                std::to_string(rprt) + ")");
                break;
            }
            if (const int32_t hz = ParseHz(Value("Frequency")); hz != freq_) {
                freq_ = hz;
                params |= PM_FREQ;
            }
            SetStatus(ST_ONLINE, OnlineText());
            break;
        case Kind::GetPtt: {
            if (unsupported) {
                pttUnsupported_ = true;
                // A rig that cannot tell its PTT state is keyed as far as anyone can know once it took the
                // key.
                if (wantedTx_ == PM_TX && keyTakenOnLink_) SetKeyLost(false);
            }
            if (rprt != 0) break;
            const int ptt = ParseDigit(Value("PTT"), 3);
            if (ptt < 0) break;
            const int32_t tx = ptt != 0 ? PM_TX : PM_RX;
            if (tx != tx_) {
                tx_ = tx;
                params |= tx;
            }
            if (tx == PM_RX && releasePending_ && releaseTaken_) ReleaseConfirmed();
            if (checkPttAfterConnect_) {
                checkPttAfterConnect_ = false;
                if (tx == PM_TX && wantedTx_ != PM_TX && !releasePending_) BeginRelease();
            }
            // While the program transmits, a reading after the key was taken says whether the rig is on
            // the air; one that says off brings the key out again.
            if (wantedTx_ == PM_TX && keyTakenOnLink_) {
                if (tx == PM_TX) {
                    SetKeyLost(false);
                } else if (!keyLost_) {
                    SetKeyLost(true);
                    if (!Queued(Kind::SetPtt)) SendKey();
                }
            }
            break;
        }
        case Kind::GetMode: {
            if (unsupported) modeUnsupported_ = true;
            if (rprt != 0) break;
            const std::string name = Value("Mode");
            int32_t mode = 0;
            for (const ModeName& m : kModes)
                if (name == m.name) mode = m.pm;
            if (mode != mode_) {
                mode_ = mode;
                params |= mode;
            }
            break;
        }
        case Kind::GetSplit:
            if (unsupported) splitUnsupported_ = true;
            if (rprt != 0) break;
            if (const int value = ParseDigit(Value("Split"), 1); value >= 0 && (value == 1) != split_) {
                const bool split = value == 1;
                split_ = split;
                params |= split ? PM_SPLITON : PM_SPLITOFF;
                if (split) Enqueue({Kind::GetSplitFreq, "i", "", true});
            }
            break;
        case Kind::GetSplitFreq:
            if (rprt != 0) break;
            if (const int32_t hz = ParseHz(Value("TX Frequency")); hz != splitFreq_) {
                splitFreq_ = hz;
                params |= PM_FREQ;
            }
            break;
        case Kind::SetPtt:
            if (request.args == "1") {
                if (rprt != 0) {
                    KeyRefused(rprt);
                    break;
                }
                keyTaken_ = keyTakenOnLink_ = true;
                if (pttUnsupported_) SetKeyLost(false);
                if (pttRefused_) {
                    pttRefused_ = false;
                    if (status_ == ST_ONLINE) SetStatus(ST_ONLINE, OnlineText());
                }
                break;
            }
            if (!releasePending_) break;
            // Refused (a busy rig): the release is still owed, and goes out again at the next poll. A
            // refusal that says CAT cannot work the PTT leaves the reading to decide.
            releaseTaken_ = rprt == 0 || CannotWorkPtt(rprt);
            // A rig that cannot tell its PTT state confirms a release by taking the command.
            if (releaseTaken_ && pttUnsupported_) ReleaseConfirmed();
            break;
        case Kind::SetFreq:
        case Kind::SetMode:
        case Kind::SetSplit:
            break;  // what the rig made of it shows in the read-back that follows
    }
    if (params != 0) {
        const int n = number_;
        engine_.Post([&engine = engine_, n, params] {
            if (auto handler = engine.ParamsChange) handler(n, params);
        });
    }
}

void Rig::Tell(std::function<void(int)> RigEngine::*event) {
    const int n = number_;
    engine_.Post([&engine = engine_, n, event] {
        if (auto handler = engine.*event) handler(n);
    });
}

void Rig::OnSocketError() {
    if (link_ == Link::Down) return;
    switch (socket_->error()) {
        case QAbstractSocket::ConnectionRefusedError:
            Fail(ST_PORTBUSY, "rigctld not running on " + where_);
            break;
        case QAbstractSocket::HostNotFoundError:
            Fail(ST_PORTBUSY, "rigctld host not found: " + host_);
            break;
        case QAbstractSocket::RemoteHostClosedError:
            Fail(ST_NOTRESPONDING, "rigctld on " + where_ + " closed the connection");
            break;
        default:
            Fail(ST_PORTBUSY,
                 "Cannot reach rigctld on " + where_ + " (" + socket_->errorString().toStdString() + ")");
            break;
    }
}

void Rig::OnDisconnected() {
    if (link_ == Link::Down) return;
    Fail(ST_NOTRESPONDING, "rigctld on " + where_ + " closed the connection");
}

void Rig::OnReplyTimeout() {
    if (link_ == Link::Down) return;
    Fail(ST_NOTRESPONDING, "rigctld on " + where_ + " does not answer");
}

void Rig::Fail(int32_t status, const std::string& text) {
    SetStatus(status, text);
    Drop();  // the next poll connects again
}

void Rig::SetStatus(int32_t status, const std::string& text) {
    if (status == status_ && text == statusStr_) return;
    status_ = status;
    statusStr_ = text;
    Tell(&RigEngine::StatusChange);
}

void Rig::SetRigType(const std::string& type) {
    if (type == rigType_) return;
    rigType_ = type;
    Tell(&RigEngine::RigTypeChange);
}

// Settings made while the rig cannot be reached are dropped, as the rig could not take them.
void Rig::SetSimplexMode(int32_t hz) {
    if (link_ == Link::Down) return;
    Enqueue({Kind::SetFreq, "F", std::to_string(hz), false});
    if (split_) Enqueue({Kind::SetSplit, "S", "0 VFOA", false});
    Enqueue({Kind::GetFreq, "f", "", false});
    if (split_) Enqueue({Kind::GetSplit, "s", "", false});
}

void Rig::SetTx(int32_t value) {
    if (value != PM_TX && value != PM_RX) return;
    wantedTx_ = value;
    if (value == PM_RX) {
        SetKeyLost(false);
        // A rig that refused the key is not on the air, unless it says it is.
        if (pttRefused_ && tx_ != PM_TX) return;
        BeginRelease();
        return;
    }
    releasePending_ = false;
    keyTaken_ = false;
    keyFailedTold_ = false;
    SetKeyLost(link_ == Link::Down);  // a rig that cannot be reached is keyed when it can be
    SendKey();
}

// The release of last resort is recorded as the key goes out (SendNext).
void Rig::SendKey() {
    if (link_ == Link::Down || link_ == Link::Connecting) return;
    keyTakenOnLink_ = false;
    Enqueue({Kind::SetPtt, "T", "1", false});
    Enqueue({Kind::GetPtt, "t", "", false});
}

void Rig::SetKeyLost(bool lost) {
    if (lost == keyLost_) return;
    keyLost_ = lost;
    if (lost) keyLostClock_.start();
    if (status_ == ST_ONLINE) SetStatus(ST_ONLINE, OnlineText());
    Tell(&RigEngine::KeyStateChange);
}

void Rig::BeginRelease() {
    releasePending_ = true;
    releaseTaken_ = false;  // a reading already asked for comes from before this release
    releaseWarned_ = false;
    releaseClock_.start();
    RecordEmergencyRelease();
    SendRelease();
}

// The release goes out on a link that can carry it; otherwise the next connection sends it.
void Rig::SendRelease() {
    if (link_ == Link::Down || link_ == Link::Connecting) return;
    Enqueue({Kind::SetPtt, "T", "0", false});
    Enqueue({Kind::GetPtt, "t", "", false});
}

void Rig::ReleaseConfirmed() {
    releasePending_ = false;
    emergency::ClearCatRelease(number_);
    if (engine_.KeyedChange) engine_.KeyedChange(number_, false);
}

// rigctld answered the keying with an error: the rig did not go on the air. Nothing is owed to it then,
// unless it reports PTT on all the same. A rig that was on the air in this transmission and refuses to be
// keyed again has failed the transmission.
void Rig::KeyRefused(int rprt) {
    pttRefused_ = true;
    pttRefusal_ = rprt;
    if (keyTaken_ && wantedTx_ == PM_TX) {
        if (status_ == ST_ONLINE) SetStatus(ST_ONLINE, OnlineText());
        if (!keyFailedTold_) {
            keyFailedTold_ = true;
            Tell(&RigEngine::KeyingFailed);
        }
        return;
    }
    wantedTx_ = PM_RX;
    if (tx_ == PM_TX) {
        if (!releasePending_) BeginRelease();
    } else {
        ReleaseConfirmed();
    }
    if (status_ == ST_ONLINE) SetStatus(ST_ONLINE, OnlineText());
    Tell(&RigEngine::PttRefused);
}

std::string Rig::OnlineText() const {
    if (pttRefused_)
        return "Rig refuses PTT (rigctld on " + where_ + " reports error " + std::to_string(pttRefusal_) +
               ")";
    if (keyLost_)
        return "Rig online but not keyed (rigctld on " + where_ + " reports PTT off); keying it again";
    return "Rig online";
}

bool Rig::Queued(Kind kind) const {
    for (const Request& r : queue_)
        if (r.kind == kind) return true;
    return false;
}

// While the transmitter may be keyed, a crash still releases it through the rigctld last connected to.
void Rig::RecordEmergencyRelease() {
    if (engine_.KeyedChange) engine_.KeyedChange(number_, true);
    if (peerLength_ == 0) return;
    emergency::SetCatRelease(number_, reinterpret_cast<const sockaddr*>(&peer_), peerLength_,
                             releaseLine_.c_str());
}

bool Rig::ReleaseNow(int timeoutMs) {
    if (peerLength_ == 0) return false;
    const bool done = emergency::SendCatLine(reinterpret_cast<const sockaddr*>(&peer_), peerLength_,
                                             releaseLine_.c_str(), timeoutMs);
    if (done) ReleaseConfirmed();
    return done;
}

void Rig::SetMode(int32_t value) {
    if (link_ == Link::Down) return;
    for (const ModeName& m : kModes) {
        if (m.pm == value) {
            // Passband 0: the rig's normal width for the mode.
            Enqueue({Kind::SetMode, "M", std::string(m.name) + " 0", false});
            Enqueue({Kind::GetMode, "m", "", false});
            return;
        }
    }
}

// ---------------------------------------------------------------- RigEngine

RigEngine::RigEngine(QObject* parent)
    : QObject(parent),
      pollTimer_(std::make_unique<QTimer>()),
      rig1_(std::make_unique<Rig>(*this, 1)),
      rig2_(std::make_unique<Rig>(*this, 2)) {
    QObject::connect(pollTimer_.get(), &QTimer::timeout, this, [this] {
        rig1_->Poll();
        rig2_->Poll();
    });
    pollTimer_->start(kDefaultPollMs);
}

RigEngine::~RigEngine() {
    Shutdown();
}

void RigEngine::SetEndpoint(int rigNumber, const std::string& endpoint) {
    if (shutDown_) return;
    (rigNumber == 1 ? rig1_ : rig2_)->SetEndpoint(endpoint);
}

void RigEngine::SetPollInterval(int milliseconds) {
    pollTimer_->setInterval(milliseconds);
}

void RigEngine::Shutdown() {
    if (shutDown_) return;
    for (Rig* rig : {rig1_.get(), rig2_.get()})
        if (rig->MayBeKeyed()) rig->ReleaseNow(kLastResortTimeoutMs);
    shutDown_ = true;
    StatusChange = nullptr;
    ParamsChange = nullptr;
    RigTypeChange = nullptr;
    ProtocolMismatch = nullptr;
    ReleaseUnconfirmed = nullptr;
    PttRefused = nullptr;
    KeyStateChange = nullptr;
    KeyingFailed = nullptr;
    KeyedChange = nullptr;
    pollTimer_->stop();
    rig1_->Drop();
    rig2_->Drop();
}

// Each event calls a copy of its handler, which stays valid when the handler releases the engine.
void RigEngine::Post(std::function<void()> event) {
    if (shutDown_) return;
    QMetaObject::invokeMethod(
        this,
        [this, event = std::move(event)] {
            if (!shutDown_) event();
        },
        Qt::QueuedConnection);
}

}  // namespace muv
