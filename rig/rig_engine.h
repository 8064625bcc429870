// The CAT engine: two rigs, each reached through its own Hamlib rigctld over TCP. Nothing here ever
// waits for a rig: reads return what the last poll saw, writes are queued and sent one at a time as
// the replies come in, and what the polling sees change is reported through the change events
// (status, parameters, rig type), delivered later from the event loop like any other window event.
#pragma once

#include <sys/socket.h>
#include <QElapsedTimer>
#include <QObject>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTcpSocket;
class QTimer;

namespace muv {

// A rigctld address ("host:port", "host", "[v6]:port"): whether it is one, and its host and port.
bool ParseRigctldEndpoint(const std::string& text, std::string& host, uint16_t& port);
// Whether a rigctld address's host is this computer's loopback ("localhost", "127.0.0.1", "::1").
bool IsLoopbackHost(const std::string& host);

// The engine's constants live in their own namespace, so that other modules may keep a copy of one
// (the keying code has its ST_ONLINE) without a clash where both are seen.
namespace rigctl {

// Rig status.
constexpr int32_t ST_NOTCONFIGURED = 0;  // no rigctld address set for the rig
constexpr int32_t ST_DISABLED = 1;       // kept for the full set of states; rigctld gives no cause for it
constexpr int32_t ST_PORTBUSY = 2;       // rigctld cannot be reached (not running, unknown host)
constexpr int32_t ST_NOTRESPONDING = 3;  // rigctld or the rig behind it does not answer
constexpr int32_t ST_ONLINE = 4;

// Parameter bits: what changed in a ParamsChange event, and the values of Tx and Mode.
constexpr int32_t PM_FREQ = 0x2;
constexpr int32_t PM_SPLITON = 0x8000;
constexpr int32_t PM_SPLITOFF = 0x10000;
constexpr int32_t PM_RX = 0x200000;
constexpr int32_t PM_TX = 0x400000;
constexpr int32_t PM_CW_U = 0x800000;
constexpr int32_t PM_CW_L = 0x1000000;
constexpr int32_t PM_SSB_U = 0x2000000;
constexpr int32_t PM_SSB_L = 0x4000000;
constexpr int32_t PM_DIG_U = 0x8000000;
constexpr int32_t PM_DIG_L = 0x10000000;
constexpr int32_t PM_AM = 0x20000000;
constexpr int32_t PM_FM = 0x40000000;

}  // namespace rigctl

constexpr uint16_t kRigctldDefaultPort = 4532;

class RigEngine;

// One rig. Frequencies in Hz; 0 while not known.
class Rig {
public:
    Rig(RigEngine& engine, int number);
    ~Rig();
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    int Number() const { return number_; }
    // The rigctld address as set ("host:port"), empty when none.
    const std::string& Endpoint() const { return endpoint_; }
    // Maker and model as rigctld names them; the address until rigctld has said.
    const std::string& RigType() const { return rigType_; }
    // Hamlib's model number as rigctld gives it; 0 until it has.
    int Model() const { return model_; }
    int32_t Status() const { return status_; }
    const std::string& StatusStr() const { return statusStr_; }

    int32_t Freq() const { return freq_; }
    int32_t GetRxFrequency() const { return freq_; }
    // The split transmit frequency while split is on.
    int32_t GetTxFrequency() const { return split_ && splitFreq_ > 0 ? splitFreq_ : freq_; }
    // Tunes the rig and switches split off.
    void SetSimplexMode(int32_t hz);
    // PM_TX or PM_RX as last read; 0 while not known.
    int32_t Tx() const { return tx_; }
    // Keys (PM_TX) or releases (PM_RX) the transmitter. A release is kept until rigctld has taken it and a
    // PTT reading asked after that reports PTT off: a reading already on its way when the release was
    // asked for confirms nothing, and a release that rigctld refuses (a busy rig) is still owed. It is
    // sent again after every reconnection and every poll until then, and it is taken even while
    // rigctld cannot be reached.
    void SetTx(int32_t value);
    // A release asked for and not yet confirmed by the rig.
    bool ReleasePending() const { return releasePending_; }
    // Keyed by the program, or released without confirmation.
    bool MayBeKeyed() const { return releasePending_ || wantedTx_ == rigctl::PM_TX; }
    // rigctld answered the last keying on this connection with an error: the rig was not keyed, and the
    // status text says so until a new connection.
    bool RefusesPtt() const { return pttRefused_; }
    // The program keys the rig, and the rig is not keyed now: its rigctld cannot be reached, or a PTT
    // reading asked after rigctld took the key says off (rigctld started again, the rig switched off and
    // on). The key goes out again after every reconnection and every poll until the rig reports PTT on.
    bool KeyLost() const { return keyLost_; }
    // rigctld took a key of the transmission under way: the rig has been on the air.
    bool KeyTaken() const { return keyTaken_; }
    // Sends the release at once on a connection of its own, waiting at most timeoutMs for rigctld's
    // answer (for the shut-down, when the event loop will not run again). True when rigctld took it.
    bool ReleaseNow(int timeoutMs);
    // One of the PM_ mode bits as last read; 0 while not known or for modes without one.
    int32_t Mode() const { return mode_; }
    void SetMode(int32_t value);

private:
    friend class RigEngine;
    enum class Kind {
        ChkVfo,
        DumpCaps,
        GetFreq,
        GetPtt,
        GetMode,
        GetSplit,
        GetSplitFreq,
        SetFreq,
        SetPtt,
        SetMode,
        SetSplit
    };
    struct Request {
        Kind kind;
        std::string command;  // rigctld command letter or \name
        std::string args;
        bool poll;
    };
    enum class Link { Down, Connecting, Handshake, Ready };

    void SetEndpoint(const std::string& endpoint);
    void Poll();
    void Connect();
    void Drop();
    void Enqueue(Request request);
    void SendNext();
    void OnConnected();
    void OnReadyRead();
    void TakeLine(std::string line);
    void ScheduleRead();
    void BeginRelease();
    void SendRelease();
    void SendKey();
    void SetKeyLost(bool lost);
    // Delivers one of the engine's rig events for this rig.
    void Tell(std::function<void(int)> RigEngine::*event);
    void ReleaseConfirmed();
    void KeyRefused(int rprt);
    std::string OnlineText() const;
    void RecordEmergencyRelease();
    bool Queued(Kind kind) const;
    void OnSocketError();
    void OnDisconnected();
    void OnReplyTimeout();
    void Complete(int rprt);
    void HandleReply(const Request& request, int rprt);
    void Fail(int32_t status, const std::string& text);
    void SetStatus(int32_t status, const std::string& text);
    void SetRigType(const std::string& type);
    std::string Value(const std::string& key) const;

    RigEngine& engine_;
    int number_;
    std::string endpoint_;
    std::string host_;
    uint16_t port_ = 0;
    std::string where_;  // host:port, as the status texts name it
    bool configured_ = false;
    std::unique_ptr<QTcpSocket> socket_;
    std::unique_ptr<QTimer> replyTimer_;
    Link link_ = Link::Down;
    std::deque<Request> queue_;
    bool inFlight_ = false;
    std::string buffer_;  // at most one partial line
    std::vector<std::string> reply_;
    size_t replyBytes_ = 0;        // of the reply being read
    size_t unsolicitedBytes_ = 0;  // lines nobody asked for, on this connection
    bool readScheduled_ = false;
    bool vfoMode_ = false;  // rigctld started with -o wants a VFO in every rig command
    bool pttUnsupported_ = false, modeUnsupported_ = false, splitUnsupported_ = false;

    // Keying: what the program last asked for, and a release that the rig has not confirmed yet.
    int32_t wantedTx_ = 0;
    bool releasePending_ = false;
    // rigctld answered the last release sent on this connection with RPRT 0: only a PTT reading answered
    // after that (the replies come in the order asked) can confirm the release.
    bool releaseTaken_ = false;
    bool releaseWarned_ = false;
    QElapsedTimer releaseClock_;
    // rigctld took a key of this transmission (RPRT 0), and did so on this connection since the key was
    // last sent: only a PTT reading answered after that tells whether the rig is keyed.
    bool keyTaken_ = false;
    bool keyTakenOnLink_ = false;
    bool keyLost_ = false;
    bool keyFailedTold_ = false;
    QElapsedTimer keyLostClock_;
    bool checkPttAfterConnect_ = false;  // the first PTT reading of a new connection
    bool pttRefused_ = false;            // the last keying on this connection was refused
    int pttRefusal_ = 0;                 // and rigctld's error for it
    sockaddr_storage peer_{};            // the rigctld last connected to, for the release of last resort
    socklen_t peerLength_ = 0;
    std::string releaseLine_ = "T 0\n";  // as that rigctld wants it (with a VFO when started with -o)

    std::string rigType_;
    int model_ = 0;
    int32_t status_ = rigctl::ST_NOTCONFIGURED;
    std::string statusStr_;
    int32_t freq_ = 0, splitFreq_ = 0, tx_ = 0, mode_ = 0;
    bool split_ = false;
};

class RigEngine : public QObject {
public:
    explicit RigEngine(QObject* parent = nullptr);
    ~RigEngine() override;

    Rig& Rig1() { return *rig1_; }
    Rig& Rig2() { return *rig2_; }

    // Points a rig (1 or 2) at its rigctld, "host:port" (port 4532 when left out, "[v6 address]:port"
    // for IPv6); an empty text leaves the rig not configured. Reconnects at once.
    void SetEndpoint(int rigNumber, const std::string& endpoint);
    void SetPollInterval(int milliseconds);
    // How long a request may go unanswered before the rig is taken as not responding.
    void SetReplyTimeout(int milliseconds) { replyTimeoutMs_ = milliseconds; }
    int ReplyTimeout() const { return replyTimeoutMs_; }
    // How long a release may go unconfirmed before ReleaseUnconfirmed tells the operator.
    void SetReleaseConfirmTimeout(int milliseconds) { releaseConfirmMs_ = milliseconds; }
    int ReleaseConfirmTimeout() const { return releaseConfirmMs_; }
    // How long a key lost while transmitting may stay lost before KeyingFailed tells the owner.
    void SetKeyRestoreTimeout(int milliseconds) { keyRestoreMs_ = milliseconds; }
    int KeyRestoreTimeout() const { return keyRestoreMs_; }

    // Stops polling, closes both connections and silences the events, for an engine being released. A
    // release still unconfirmed is sent once more on a connection of its own first.
    void Shutdown();

    // The change events, each with the rig's number (1 or 2).
    std::function<void(int rigNumber)> StatusChange;
    std::function<void(int rigNumber, int32_t params)> ParamsChange;
    std::function<void(int rigNumber)> RigTypeChange;
    // The peer at the rig's address answered, but not in rigctld's protocol.
    std::function<void(int rigNumber)> ProtocolMismatch;
    // A release of the transmitter has gone unconfirmed for ReleaseConfirmTimeout (it is still retried).
    std::function<void(int rigNumber)> ReleaseUnconfirmed;
    // rigctld refused to key the rig (its PTT is not set up, or the rig will not transmit).
    std::function<void(int rigNumber)> PttRefused;
    // KeyLost has changed.
    std::function<void(int rigNumber)> KeyStateChange;
    // A key lost while transmitting could not be restored within KeyRestoreTimeout, or rigctld refused
    // to key the rig again: the rig is not on the air and will not be.
    std::function<void(int rigNumber)> KeyingFailed;
    // The rig may be on the air from now on (true, as the key goes out to rigctld), or its release has
    // been confirmed (false). Called at once, not from the event loop, so that it is known before the rig
    // can be keyed; it must not call back into the engine.
    std::function<void(int rigNumber, bool keyed)> KeyedChange;

private:
    friend class Rig;
    // Events reach the owner from the event loop, never from inside a socket handler.
    void Post(std::function<void()> event);

    std::unique_ptr<QTimer> pollTimer_;
    std::unique_ptr<Rig> rig1_, rig2_;
    int replyTimeoutMs_ = 5000;
    int releaseConfirmMs_ = 3000;
    int keyRestoreMs_ = 4000;
    bool shutDown_ = false;
};

}  // namespace muv
