// The client of the program's callsign server (module modCallsignServer): it logs the operator in, tells
// the server of each logged contact and of the station's activity, asks for the name, QTH and locator of
// the partner's callsign and for the locator of each station heard. Each request has a TCP connection of
// its own, which carries one message (fields joined by "##", no line end) and the server's reply. Each
// message goes in Windows-1252 when that holds it, else in UTF-8; a reply is read by the same rule.
//
// One request is in its exchange at a time; requests made meanwhile wait in a queue, so that a logged
// contact is never lost to a locator query made a moment later. An exchange ends when its reply is
// complete, when a quiet time has passed after the message (or after the last piece of an unfinished
// reply), or when neither address connects. The connection stays open until the next request starts.
//
// Three one-shot timers of the main window drive it: tmrOnline shows the state lamps 250 ms after a
// request (or its retry) starts, tmrConexionServidorAuxiliar tries the other address when the first has
// not connected within 250 ms, and a third one (the quiet timer) ends exchanges that hear nothing more
// and starts the next queued request. Their handlers call the *Tick methods.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "common/timer.h"
#include "online/online_servers.h"
#include "online/tcp_link.h"

namespace muv {

// What a request to the callsign server asks for.
enum class CallsignServerCode : uint8_t {
    Login = 1,          // the operator's data, at start and when the operator window is confirmed
    InfoQuery = 2,      // name, QTH and locator of a partner's callsign
    LocatorQuery = 4,   // the locator of a heard station
    ContactLogged = 6,  // a contact has been logged
    Activity = 7,       // the station transmits
};

// What the client reaches outside itself.
class CallsignServerHost {
public:
    virtual ~CallsignServerHost() = default;
    // The operator window's txtCallsign, txtName, txtQTH and txtLocator as they stand.
    virtual std::string OperatorCallsign() = 0;
    virtual std::string OperatorName() = 0;
    virtual std::string OperatorQth() = 0;
    virtual std::string OperatorLocator() = 0;
    // The partner's details from the server replace the contact-entry window's txtNombre, txtQTH and
    // txtLocator: each as OneLineText shows it (no line break or bidirectional control obeyed), cut to
    // what its box holds.
    virtual void ShowPartnerDetails(const std::string& name, const std::string& qth,
                                    const std::string& locator) = 0;
    // The word as a callsign when it can be one (with the country file loaded), else "".
    virtual std::string IsPlausibleCallsign(const std::string& word) = 0;
    // CallsignAfterDe of the text of the message being received: the station heard, or "".
    virtual std::string HeardCallsign() = 0;
    // The callsign server by its host name (true) or by its numeric address (false).
    virtual ServerAddress CallsignServerAddress(bool byHostName) = 0;
};

// Which of the contact-entry window's three lamps shows the server's state.
enum class ServerLamp : uint8_t {
    Red,     // imgLedRojo: not connected
    Yellow,  // imgLedAmarillo: the server answered "6", or there was nothing to ask
    Green,   // imgLedVerde: connected, request sent
};

class CallsignServerClient {
public:
    // The lamps and the retry come 250 ms after a request starts.
    static constexpr int kStatusDelayMs = 250;
    // A reply that stops arriving for this long is taken as it stands; a message whose reply nothing
    // reads (log-in, logged contact, activity) ends its exchange when the server has been quiet this long.
    static constexpr int kQuietMs = 1000;
    // How long a query (codes 2 and 4) waits for the first part of its reply.
    static constexpr int kReplyWaitMs = 5000;
    // How long the connection to the second address may take before the request is given up.
    static constexpr int kConnectGiveUpMs = 5000;
    // The pause between the end of one exchange and the start of the next queued request.
    static constexpr int kNextRequestDelayMs = 1;
    // The longest text written into the contact-entry window's name and QTH boxes, in characters.
    static constexpr size_t kBoxTextCap = 49;
    // A reply that grows beyond this without being complete is taken as it stands.
    static constexpr size_t kReplyBufferCap = 1024;

    // onlineTimer: the main window's tmrOnline; auxiliaryTimer: its tmrConexionServidorAuxiliar;
    // quietTimer: a one-shot of the main window for this client alone. The link's events are taken over;
    // the link and the timers must outlive the client.
    CallsignServerClient(TcpLink& link, Timer& onlineTimer, Timer& auxiliaryTimer, Timer& quietTimer,
                         CallsignServerHost& host);
    ~CallsignServerClient();
    CallsignServerClient(const CallsignServerClient&) = delete;
    CallsignServerClient& operator=(const CallsignServerClient&) = delete;

    // Starts a request (1 log-in, 2 information query, 4 locator query, 6 logged contact, 7 activity), or
    // queues it while another request is in its exchange. Only a code 6 uses name, QTH and locator. A
    // queued request replaces a queued one of the same code, except that every logged contact is kept.
    void CallsignServerRequest(uint8_t code, const std::string& callsign = {}, const std::string& name = {},
                               const std::string& qth = {}, const std::string& locator = {});
    // Connects the current request to the server's other address.
    void CallsignServerRetry();
    // The link's events (the link's callbacks are set to call them).
    void CallsignServerOnConnect();
    void CallsignServerOnData(const std::string& bytes);
    // The state back to "not connected" and the lamps due again in 250 ms.
    void RestartServerStatus();
    // Asks for the locator of the station heard after "DE" in the message being received.
    void LookupHeardCallLocator();

    // The timers' handlers. The lamp tick returns the lamp to show (the other two are hidden).
    ServerLamp OnlineTimerTick();
    void AuxiliaryTimerTick();
    void QuietTimerTick();

    // The normalised locator that the server gave for the station last asked about ("" when none). A
    // locator query starts with none, and only its own exchange's reply is taken. Clearing it also closes
    // the question: a reply still on its way for that station comes too late to be used.
    std::string ServerLocator() const { return serverLocator_; }
    void ClearServerLocator();

    // The current request (the one in its exchange, or the last one).
    uint8_t PendingRequestCode = 0;
    std::string PendingCall, PendingName, PendingQth, PendingLocator;
    // 0 not connected yet, 1 connected (request sent), 2 the server answered "6" or nothing to ask.
    uint8_t ServerLinkState = 0;
    // 0: the numeric address is tried first; 1: the host name. Kept from request to request.
    uint8_t UseHostName = 0;

    // How many requests wait behind the current one.
    size_t QueuedRequests() const { return queue_.size(); }
    // Whether a request is in its exchange.
    bool Busy() const { return phase_ == Phase::Connecting || phase_ == Phase::Awaiting; }

    // Senders of the messages.
    void SendLogin();
    void SendInfoQuery(const std::string& callsign);
    void SendLocatorQuery(const std::string& callsign);
    void SendContactInfo();
    void SendActivity();
    // Reply handlers, for a reply's bytes as received.
    void OnInfoReply(const std::string& reply);
    void OnLocatorReply(const std::string& reply);

private:
    struct Request {
        uint8_t code = 0;
        std::string call, name, qth, locator;
    };
    enum class Phase : uint8_t {
        Idle,        // no request in its exchange; the last one's connection may still be open
        Connecting,  // the current request waits for its connection (attempt 1 or 2)
        Awaiting,    // its message has been sent; the reply may come
    };

    void Start(const Request& request);
    void Connect();
    void SendMessage(const std::string& message);
    void EndExchange();
    void ArmQuietTimer(int milliseconds);
    // Handles the complete replies at the front of the buffer; true when at least one was handled.
    bool HandleCompleteReplies();
    // Handles what the buffer holds as one reply, complete or not, and empties it.
    void HandleBufferedReply();
    void HandleReply(const std::string& reply);
    void OnLinkClosed();
    void OnLinkError();

    TcpLink& link_;
    Timer& onlineTimer_;
    Timer& auxiliaryTimer_;
    Timer& quietTimer_;
    CallsignServerHost& host_;

    std::string serverLocator_;
    std::deque<Request> queue_;
    Phase phase_ = Phase::Idle;
    int attempt_ = 0;
    bool sent_ = false;           // the current request's message went out
    bool locatorWanted_ = false;  // the current exchange is a locator query whose answer is still of use
    std::string reply_;
};

}  // namespace muv
