#include "online/callsign_server.h"

#include <algorithm>
#include <iterator>

#include "common/cp1252.h"
#include "common/vb.h"
#include "logbook/callsign.h"
#include "logbook/locator.h"

namespace muv {

namespace {

bool IsCallsignCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/';
}

// A callsign that may be asked about: letters, digits and "/" only. A word from the received text that
// holds anything else (a line break, a "#") is not a callsign and is not sent.
bool IsServerCallsign(const std::string& callsign) {
    return !callsign.empty() && std::all_of(callsign.begin(), callsign.end(), IsCallsignCharacter);
}

// The operator's own callsign and a logged one keep only their letters, digits and "/".
std::string CallsignCharacters(const std::string& callsign) {
    std::string kept;
    std::copy_if(callsign.begin(), callsign.end(), std::back_inserter(kept), IsCallsignCharacter);
    return kept;
}

// A field of a message: no "#", so that no field can end early or add a field of its own.
std::string Field(std::string text) {
    std::erase(text, '#');
    return text;
}

// A value of a reply for a one-line box: shown as OneLineText gives it, at most cap characters (UTF-8).
std::string BoxText(const std::string& text, size_t cap) {
    return Utf8Left(OneLineText(text), cap);
}

// The characters from the 1-based position start, length of them; "" when the cut is impossible.
std::string Cut(const std::string& text, long start, long length) {
    if (length <= 0) return {};
    return Mid(text, start, length);
}

// The positions (1-based) of the "##" after the name and of the "##" after the QTH in a "2" reply, as the
// reply handler finds them; 0 when not there.
struct InfoReplyCuts {
    long afterName = 0;
    long afterQth = 0;
};

InfoReplyCuts FindInfoReplyCuts(const std::string& reply) {
    InfoReplyCuts cuts;
    cuts.afterName = InStr(4, reply, "##");
    if (cuts.afterName > 0) cuts.afterQth = InStr(cuts.afterName + 1, reply, "##");
    return cuts;
}

// The length of the complete reply at the front of the text, or 0 while it is still arriving. A reply of
// a kind that nothing reads takes the whole text.
size_t CompleteReplyLength(const std::string& text) {
    switch (text[0]) {
        case '2': {
            // Name, QTH and the six characters of the locator.
            const InfoReplyCuts cuts = FindInfoReplyCuts(text);
            if (cuts.afterQth == 0) return 0;
            const size_t length = static_cast<size_t>(cuts.afterQth) + 7;
            return text.size() >= length ? length : 0;
        }
        case '4':
            // "4##" and the six characters of the locator.
            return text.size() >= 9 ? 9 : 0;
        case '5':
        case '6':
            return 1;
        default:
            return text.size();
    }
}

}  // namespace

CallsignServerClient::CallsignServerClient(TcpLink& link, Timer& onlineTimer, Timer& auxiliaryTimer,
                                           Timer& quietTimer, CallsignServerHost& host)
    : link_(link),
      onlineTimer_(onlineTimer),
      auxiliaryTimer_(auxiliaryTimer),
      quietTimer_(quietTimer),
      host_(host) {
    link_.OnConnected = [this] { CallsignServerOnConnect(); };
    link_.OnData = [this](const std::string& bytes) { CallsignServerOnData(bytes); };
    link_.OnClosed = [this] { OnLinkClosed(); };
    link_.OnError = [this] { OnLinkError(); };
}

CallsignServerClient::~CallsignServerClient() {
    link_.OnConnected = nullptr;
    link_.OnData = nullptr;
    link_.OnClosed = nullptr;
    link_.OnError = nullptr;
}

void CallsignServerClient::CallsignServerRequest(uint8_t code, const std::string& callsign,
                                                 const std::string& name, const std::string& qth,
                                                 const std::string& locator) {
    Request request{code, BaseCallsign(callsign), name, qth, locator};
    if (!Busy() && queue_.empty()) {
        Start(request);
        return;
    }
    // Only the newest query, log-in and activity notice of each kind is worth sending once the link is
    // free; every logged contact is.
    if (code != 6) std::erase_if(queue_, [code](const Request& queued) { return queued.code == code; });
    queue_.push_back(std::move(request));
}

void CallsignServerClient::Start(const Request& request) {
    quietTimer_.SetEnabled(false);
    // What the previous connection left unfinished is taken as it stands before that connection goes.
    HandleBufferedReply();
    PendingRequestCode = request.code;
    PendingCall = request.call;
    PendingName = request.name;
    PendingQth = request.qth;
    PendingLocator = request.locator;
    // A locator query forgets the one before: whatever the server said of another station must not be
    // taken for this one.
    locatorWanted_ = request.code == 4;
    if (locatorWanted_) serverLocator_.clear();
    RestartServerStatus();
    phase_ = Phase::Connecting;
    attempt_ = 1;
    // The retry check is armed before connecting: a connection that fails at once is retried by it too.
    auxiliaryTimer_.SetEnabled(false);
    auxiliaryTimer_.SetInterval(kStatusDelayMs);
    auxiliaryTimer_.SetEnabled(true);
    link_.Close();
    Connect();
}

void CallsignServerClient::Connect() {
    const ServerAddress server = host_.CallsignServerAddress(UseHostName != 0);
    link_.Connect(server.host, server.port);
}

void CallsignServerClient::CallsignServerRetry() {
    if (phase_ != Phase::Connecting) return;
    UseHostName = UseHostName == 0 ? 1 : 0;
    RestartServerStatus();
    attempt_ = 2;
    // The second address has a while to connect; after that the request is given up.
    ArmQuietTimer(kConnectGiveUpMs);
    link_.Close();
    Connect();
}

void CallsignServerClient::RestartServerStatus() {
    onlineTimer_.SetEnabled(false);
    ServerLinkState = 0;
    onlineTimer_.SetInterval(kStatusDelayMs);
    onlineTimer_.SetEnabled(true);
}

void CallsignServerClient::CallsignServerOnConnect() {
    if (phase_ != Phase::Connecting) return;
    quietTimer_.SetEnabled(false);
    ServerLinkState = 1;
    phase_ = Phase::Awaiting;
    reply_.clear();
    sent_ = false;
    switch (PendingRequestCode) {
        case 1:
            SendLogin();
            break;
        case 2:
            SendInfoQuery(PendingCall);
            break;
        case 4:
            SendLocatorQuery(PendingCall);
            break;
        case 6:
            SendContactInfo();
            break;
        case 7:
            SendActivity();
            break;
        default:
            break;
    }
    if (!sent_) {
        // Nothing to ask, or the connection went before the message could go.
        EndExchange();
        return;
    }
    // A query waits for its answer; a notice only for the server's quiet.
    const bool query = PendingRequestCode == 2 || PendingRequestCode == 4;
    ArmQuietTimer(query ? kReplyWaitMs : kQuietMs);
}

void CallsignServerClient::SendMessage(const std::string& message) {
    // In Windows-1252 when that holds the message, as the server has always read it, else in UTF-8.
    sent_ = link_.Send(EncodeText(message));
}

void CallsignServerClient::SendLogin() {
    SendMessage("1##" + CallsignCharacters(BaseCallsign(host_.OperatorCallsign())) + "##" +
                Field(host_.OperatorName()) + "##" + Field(host_.OperatorQth()) + "##" +
                Field(host_.OperatorLocator()) + "##");
}

void CallsignServerClient::SendInfoQuery(const std::string& callsign) {
    const std::string plausible = host_.IsPlausibleCallsign(callsign);
    if (IsServerCallsign(plausible))
        SendMessage("2##" + plausible);
    else
        ServerLinkState = 2;
}

void CallsignServerClient::SendLocatorQuery(const std::string& callsign) {
    if (IsServerCallsign(callsign))
        SendMessage("4##" + callsign);
    else
        ServerLinkState = 2;
}

void CallsignServerClient::SendContactInfo() {
    SendMessage("6##" + CallsignCharacters(PendingCall) + "##" + Field(PendingName) + "##" +
                Field(PendingQth) + "##" + Field(PendingLocator) + "##");
}

void CallsignServerClient::SendActivity() {
    SendMessage("7");
}

void CallsignServerClient::CallsignServerOnData(const std::string& bytes) {
    bool answered = false;
    // Taken in pieces no longer than the buffer's cap: a reply never grows beyond it, however much
    // arrives at once.
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t room = kReplyBufferCap - reply_.size();
        const size_t piece = std::min(room, bytes.size() - at);
        reply_.append(bytes, at, piece);
        at += piece;
        if (HandleCompleteReplies()) answered = true;
        if (reply_.size() >= kReplyBufferCap) {
            HandleBufferedReply();
            answered = true;
        }
    }
    if (answered && phase_ == Phase::Awaiting) {
        EndExchange();
        return;
    }
    // An unfinished reply waits for the rest for a quiet time, unless the next request is about to start
    // (which takes it as it stands).
    if (!reply_.empty() && (phase_ == Phase::Awaiting || (phase_ == Phase::Idle && queue_.empty())))
        ArmQuietTimer(kQuietMs);
}

bool CallsignServerClient::HandleCompleteReplies() {
    bool handled = false;
    while (!reply_.empty()) {
        const size_t length = CompleteReplyLength(reply_);
        if (length == 0) break;
        const std::string reply = reply_.substr(0, length);
        reply_.erase(0, length);
        HandleReply(reply);
        handled = true;
    }
    return handled;
}

void CallsignServerClient::HandleBufferedReply() {
    if (reply_.empty()) return;
    const std::string reply = std::move(reply_);
    reply_.clear();
    HandleReply(reply);
}

void CallsignServerClient::HandleReply(const std::string& reply) {
    switch (reply[0]) {
        case '2':
            OnInfoReply(reply);
            break;
        case '4':
            OnLocatorReply(reply);
            break;
        case '6':
            ServerLinkState = 2;
            break;
        default:
            break;
    }
}

void CallsignServerClient::OnInfoReply(const std::string& bytes) {
    // The reply as the server wrote it: UTF-8, or Windows-1252 as older servers stored the names. The
    // "##" marks are ASCII, so the cuts at them never split a character; the name's start after "2##"
    // would, in a reply that does not begin so, and the rest of a character cut there is left out.
    const std::string reply = DecodeText(bytes);
    long nameStart = 4;
    while (nameStart <= static_cast<long>(reply.size()) &&
           (static_cast<unsigned char>(reply[static_cast<size_t>(nameStart - 1)]) & 0xC0) == 0x80)
        ++nameStart;
    // A "##" that is missing leaves the parts it would have ended (and those after it) empty; the three
    // boxes are written all the same.
    const InfoReplyCuts cuts = FindInfoReplyCuts(reply);
    std::string name, qth, locator;
    if (cuts.afterName > 0) name = Cut(reply, nameStart, cuts.afterName - nameStart);
    if (cuts.afterQth > 0) {
        qth = Cut(reply, cuts.afterName + 2, cuts.afterQth - cuts.afterName - 2);
        locator = Utf8Left(Mid(reply, cuts.afterQth + 2), 6);
    }
    host_.ShowPartnerDetails(BoxText(name, kBoxTextCap), BoxText(qth, kBoxTextCap), BoxText(locator, 6));
}

void CallsignServerClient::OnLocatorReply(const std::string& reply) {
    // Only the answer to the question being asked: a "4" from another exchange, or one that comes after
    // the message it was asked for has been closed, names some other station.
    if (!locatorWanted_) return;
    serverLocator_ = NormaliseLocator(Mid(reply, 4, 6));
}

void CallsignServerClient::ClearServerLocator() {
    serverLocator_.clear();
    locatorWanted_ = false;
}

void CallsignServerClient::OnLinkClosed() {
    HandleBufferedReply();
    if (phase_ == Phase::Awaiting) EndExchange();
}

void CallsignServerClient::OnLinkError() {
    // The first address failing is left to the retry check, which tries the other one.
    if (phase_ == Phase::Connecting && attempt_ < 2) return;
    HandleBufferedReply();
    if (Busy()) EndExchange();
}

void CallsignServerClient::EndExchange() {
    phase_ = Phase::Idle;
    attempt_ = 0;
    locatorWanted_ = false;
    // The next request starts from a timer tick, not from inside the link's event.
    if (!queue_.empty())
        ArmQuietTimer(kNextRequestDelayMs);
    else if (!reply_.empty())
        ArmQuietTimer(kQuietMs);
    else
        quietTimer_.SetEnabled(false);
}

void CallsignServerClient::ArmQuietTimer(int milliseconds) {
    quietTimer_.SetEnabled(false);
    quietTimer_.SetInterval(milliseconds);
    quietTimer_.SetEnabled(true);
}

void CallsignServerClient::QuietTimerTick() {
    quietTimer_.SetEnabled(false);
    switch (phase_) {
        case Phase::Connecting:
            // The second address did not connect in time.
            if (attempt_ >= 2) EndExchange();
            return;
        case Phase::Awaiting:
            HandleBufferedReply();
            EndExchange();
            return;
        case Phase::Idle:
            HandleBufferedReply();
            if (!queue_.empty()) {
                const Request next = std::move(queue_.front());
                queue_.pop_front();
                Start(next);
            }
            return;
    }
}

ServerLamp CallsignServerClient::OnlineTimerTick() {
    onlineTimer_.SetEnabled(false);
    if (ServerLinkState == 0) return ServerLamp::Red;
    if (ServerLinkState == 2) return ServerLamp::Yellow;
    return ServerLamp::Green;
}

void CallsignServerClient::AuxiliaryTimerTick() {
    auxiliaryTimer_.SetEnabled(false);
    // No connection 250 ms after the request: the server's other address, once.
    if (ServerLinkState == 0 && phase_ == Phase::Connecting && attempt_ == 1) CallsignServerRetry();
}

void CallsignServerClient::LookupHeardCallLocator() {
    const std::string call = host_.HeardCallsign();
    if (IsServerCallsign(call)) CallsignServerRequest(4, call);
}

}  // namespace muv
