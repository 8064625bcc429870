#include "online/cluster_link.h"

#include <cctype>
#include <utility>

#include "common/cp1252.h"
#include "common/error_trap.h"
#include "common/vb.h"
#include "logbook/callsign.h"
#include "online/web_requests.h"
#include "receiver/band_lookup.h"

namespace muv {

namespace {

constexpr int kLoginDelayMs = 3000;
constexpr int kCheckDelayMs = 6000;
constexpr int kMaxSpotDelayMs = 2000;
constexpr const char* kLineEnd = "\r\n";
constexpr const char* kNoInternet = "Internet not available";
// The dial frequency (kHz) of moon-bounce work, whose automatic spots carry "_EME" for the mode.
constexpr double kEmeDialKhz = 144160;
// Beyond this distance (km) the automatic spot's comment names it.
constexpr double kDistanceShownAboveKm = 4000;

// The frequency box shows whole kHz: a trailing "." and one digit go, any other text stays as it is.
std::string FrequencyBoxText(const std::string& frequency) {
    const size_t n = frequency.size();
    if (n >= 2 && frequency[n - 2] == '.' && std::isdigit(static_cast<unsigned char>(frequency[n - 1])))
        return frequency.substr(0, n - 2);
    return frequency;
}

ColorRef BandColourOf(const std::string& frequencyKhz) {
    return BandFromFrequency(static_cast<float>(Val(frequencyKhz) / 1000.0)).Colour;
}

// hhmm as "hh:mm".
std::string TimeBoxText(const std::string& time) {
    const std::string last = time.size() >= 2 ? time.substr(time.size() - 2) : time;
    return Mid(time, 1, 2) + ":" + last;
}

}  // namespace

std::string CleanClusterCallsign(const std::string& callsign) {
    std::string out;
    for (const char c : callsign) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (letter || (c >= '0' && c <= '9') || c == '/') out += c;
    }
    return out;
}

std::string CleanClusterField(const std::string& field) {
    std::string out;
    for (const char c : field)
        if (c != '\r' && c != '\n' && c != '#') out += c;
    return out;
}

ClusterLink::ClusterLink(ClusterHost& host, TcpLink& link, Timer& loginTimer, Timer& checkTimer,
                         Timer& spotTimer, Timer& rowTimer)
    : host_(host),
      link_(link),
      tmrClusterLogin_(loginTimer),
      tmrClusterComprobarConexion_(checkTimer),
      tmrEnviarSpotPublico_(spotTimer),
      tmrClusterRow_(rowTimer) {
    link_.OnConnected = [this] { WinsockCluster_Connect(); };
    link_.OnData = [this](const std::string& bytes) { WinsockCluster_DataArrival(bytes); };
    link_.OnClosed = [this] { WinsockCluster_Closed(); };
    link_.OnError = [this] { WinsockCluster_Error(); };
}

ClusterLink::~ClusterLink() {
    link_.OnConnected = nullptr;
    link_.OnData = nullptr;
    link_.OnClosed = nullptr;
    link_.OnError = nullptr;
}

std::string ClusterLink::OwnCallsign() {
    return BaseCallsign(host_.OperatorCallsign());
}

bool ClusterLink::SendLine(const std::string& line) {
    // Each line in Windows-1252 when it can be, as the cluster and older stations read it, else UTF-8.
    return link_.Send(EncodeText(line) + kLineEnd);
}

void ClusterLink::ClusterConnect() {
    tmrClusterLogin_.SetEnabled(false);
    tmrClusterComprobarConexion_.SetEnabled(false);
    // Once a check has found the cluster silent, the items go on saying so through the new attempts
    // (which, without a network, fail at once) until the cluster is heard again.
    host_.SetSkedsItem(4, clusterSilent_ ? kNoInternet : "Cluster Spot: Wait....", false);
    host_.SetSkedsItem(5, clusterSilent_ ? kNoInternet : "Internal Spot: Wait....", false);
    tmrClusterComprobarConexion_.SetInterval(kCheckDelayMs);
    tmrClusterComprobarConexion_.SetEnabled(true);
    link_.Close();
    splitter_.Clear();
    loginSent_ = false;
    const ServerAddress server = host_.ClusterServer();
    link_.Connect(server.host, server.port);
    tmrClusterLogin_.SetInterval(kLoginDelayMs);
    tmrClusterLogin_.SetEnabled(true);
}

void ClusterLink::ClusterLogin() {
    const bool first = SendLine(CleanClusterCallsign(OwnCallsign()));
    const bool second = first && SendLine("JOIN MUV");
    if (second) loginSent_ = true;
}

void ClusterLink::MarkLinkAlive() {
    // The check now watches for a silence: it starts anew with every arrival.
    tmrClusterComprobarConexion_.SetInterval(silenceBoundMs_);
    tmrClusterComprobarConexion_.SetEnabled(true);
    clusterSilent_ = false;
    if (!host_.SkedsItemEnabled(4)) host_.SetSkedsItem(4, "Cluster Spot", true);
    if (!host_.SkedsItemEnabled(5)) host_.SetSkedsItem(5, "Internal Spot", true);
}

bool ClusterLink::CheckPending() const {
    return tmrClusterComprobarConexion_.Enabled() &&
           tmrClusterComprobarConexion_.Interval() < silenceBoundMs_;
}

void ClusterLink::ClusterProcessLine(const std::string& line) {
    // The lines of one read: the read has marked the link alive once for all of them.
    if (!holdingRows_) MarkLinkAlive();
    const UtcTime now = host_.UtcNow();
    const std::optional<ClusterLine> parsed = ParseClusterLine(line, OwnCallsign(), now.hour, now.minute);
    if (!parsed) return;
    ClusterShowLine(parsed->sender, parsed->addressee, parsed->frequency, parsed->text, parsed->time,
                    parsed->kind);
}

void ClusterLink::ClusterShowLine(const std::string& sender, const std::string& addressee,
                                  const std::string& frequency, const std::string& text,
                                  const std::string& time, uint8_t kind) {
    const int row = kind == 3 ? 2 : 1;
    // Every field is the peer's: it shows on one line as what it says, whatever characters it holds.
    RowLine shown{OneLineText(sender), OneLineText(addressee), OneLineText(frequency), OneLineText(text),
                  OneLineText(time)};
    if (row == 1 && shown.sender == OwnCallsign()) return;  // the operator's own messages and self-spots
    if (row == 2) LastAutoSpotFreq = frequency;

    // The sender also goes into the internal-spot window that the row's link opens.
    if (row == 1)
        LastClusterSpotCall = shown.sender;
    else
        LastInternalSpotCall = shown.sender;
    heldRows_[static_cast<size_t>(row - 1)] = std::move(shown);
    if (!holdingRows_ && !tmrClusterRow_.Enabled()) ShowHeldRows();

    if (row == 1 && host_.ClusterSpotAlarmWanted()) host_.AlarmaClusterSpot();
}

bool ClusterLink::ShowHeldRows() {
    bool shown = false;
    for (int row : {1, 2}) {
        std::optional<RowLine> last = std::exchange(heldRows_[static_cast<size_t>(row - 1)], std::nullopt);
        if (!last) continue;
        shown = true;
        RunTrapped(nullptr, 0, {}, [&] { ShowRow(row, *last); });
    }
    if (shown && !tmrClusterRow_.Enabled()) {
        tmrClusterRow_.SetInterval(kRowPaceMs);
        tmrClusterRow_.SetEnabled(true);
    }
    return shown;
}

void ClusterLink::ShowRow(int row, const RowLine& line) {
    const std::string& sender = line.sender;
    host_.SetClusterFrequency(row, FrequencyBoxText(line.frequency), BandColourOf(line.frequency));
    const std::string country = host_.CountryOfCallsign(sender, 1);

    TextWindow& box = host_.ClusterComment(row);
    box.SetSelLength(0);
    box.SetSelBold(false);
    // The sender is marked where it stands: in row 1 right after the leading blank, in row 2 where it
    // first occurs; its place is counted as the box counts characters (UTF-16 units).
    const std::string head = row == 1 ? " " + sender + " (" : " " + line.addressee + " de " + sender + " (";
    const size_t senderAt = row == 1 ? 1 : head.find(sender);
    const auto units = [](std::string_view utf8) {
        int32_t n = 0;
        for (const char c : utf8) {
            const auto b = static_cast<unsigned char>(c);
            if ((b & 0xC0) != 0x80) n += b >= 0xF0 ? 2 : 1;
        }
        return n;
    };
    const int32_t senderStart = units(std::string_view(head).substr(0, senderAt));
    const int32_t senderLength = units(sender);
    box.SetText(head);
    box.SetSelStart(box.TextLength());
    if (host_.CountryInLog(country) == 0) box.SetSelColor(kRed);
    box.SetSelText(country);
    box.SetSelStart(box.TextLength());
    box.SetSelColor(kBlack);
    box.SetSelText("): " + line.text);
    if (host_.CallInLog(sender) == 1) {
        // The sender, worked before, in bold.
        box.SetSelStart(senderStart);
        box.SetSelLength(senderLength);
        box.SetSelBold(true);
        box.SetSelStart(box.TextLength());
        box.SetSelLength(0);
        box.SetSelBold(false);
    }

    host_.SetClusterTime(row, TimeBoxText(line.time));
    host_.ShowClusterRow(row);
}

bool ClusterLink::SendInternalSpot(const std::string& frequency, const std::string& comment,
                                   const std::string& callsign) {
    return SendLine("CHAT MUV " + CleanClusterField(frequency) + "#" + CleanClusterCallsign(callsign) + "#" +
                    CleanClusterField(comment));
}

bool ClusterLink::SendInternalSpotWithWeb(const std::string& frequency, const std::string& comment,
                                          const std::string& addressee) {
    if (!SendInternalSpot(frequency, comment, addressee)) return false;
    const std::string own = OwnCallsign();
    if (!own.empty()) {
        const std::string prefix = host_.PrimaryPrefixOfCountry(host_.CountryOfCallsign(own, 0));
        host_.SendWebRequest(BuildWebSpotUrl(host_.SpotWebBase(), CleanClusterField(frequency), own,
                                             CleanClusterField(comment), own, prefix, prefix));
    }
    return true;
}

void ClusterLink::AutoSpot(const std::string& callsign, const std::string& frequency,
                           const std::string& distance, const std::string& snText,
                           const std::string& modeTag) {
    const std::string heard = CleanClusterCallsign(callsign);
    const std::string freq = CleanClusterField(frequency);
    const std::string tag = Val(freq) == kEmeDialKhz ? "_EME" : modeTag;
    const std::string qth = host_.OperatorQth();
    const std::string comment = CleanClusterField(
        Val(distance) <= kDistanceShownAboveKm ? "MUV" + tag + " " + snText + " in " + qth
                                               : "MUV" + tag + " " + distance + " " + snText + " in " + qth);

    QueuedSpotLine = "CHAT MUV " + freq + "#" + heard + "##" + comment + kLineEnd;
    if (LastAutoSpotFreq != freq) {
        LastAutoSpotFreq = freq;
        tmrEnviarSpotPublico_.SetInterval(RandomSpotDelay());
        tmrEnviarSpotPublico_.SetEnabled(true);
    }

    const std::string own = OwnCallsign();
    if (own.empty()) return;
    const std::string heardBase = BaseCallsign(heard);
    // spotpfx carries the operator's country prefix and spotterpfx the heard station's, as the spot
    // page reads them.
    host_.SendWebRequest(
        BuildWebSpotUrl(host_.SpotWebBase(), freq, heardBase, comment, own,
                        host_.PrimaryPrefixOfCountry(host_.CountryOfCallsign(own, 0)),
                        host_.PrimaryPrefixOfCountry(host_.CountryOfCallsign(heardBase, 0))));
}

int ClusterLink::RandomSpotDelay() {
    const double delay = kMaxSpotDelayMs - kMaxSpotDelayMs * host_.RandomUnit();
    // A delay of 0 would never fire and the spot would be lost.
    if (!(delay >= 1)) return 1;
    if (delay > kMaxSpotDelayMs) return kMaxSpotDelayMs;
    return static_cast<int>(RoundHalfEven(delay));
}

bool ClusterLink::SendClusterSpot(const std::string& callsign, const std::string& frequency,
                                  const std::string& comment) {
    return SendLine("DX " + CleanClusterField(frequency) + " " + CleanClusterCallsign(callsign) + " " +
                    CleanClusterField(comment));
}

void ClusterLink::tmrClusterLogin_Timer() {
    // The log-in normally goes out as the connection comes up; this is for a connection up before.
    if (!loginSent_) ClusterLogin();
    tmrClusterLogin_.SetEnabled(false);
}

void ClusterLink::tmrClusterComprobarConexion_Timer() {
    // Nothing heard from the cluster (since the connection was made, or for the silence bound): the
    // items tell the operator, and the link is made once more.
    clusterSilent_ = true;
    ClusterConnect();
    // One quick silent reconnect: the new connection is given the silence bound, not the short check.
    tmrClusterComprobarConexion_.SetInterval(silenceBoundMs_);
}

void ClusterLink::tmrEnviarSpotPublico_Timer() {
    link_.Send(EncodeText(QueuedSpotLine));
    tmrEnviarSpotPublico_.SetEnabled(false);
}

void ClusterLink::tmrClusterRow_Timer() {
    if (!ShowHeldRows()) tmrClusterRow_.SetEnabled(false);
}

void ClusterLink::WinsockCluster_Connect() {
    if (!loginSent_) ClusterLogin();
}

void ClusterLink::WinsockCluster_DataArrival(const std::string& bytes) {
    // Any text, even a prompt without a line end, shows that the link is alive.
    MarkLinkAlive();
    // Every line is handled; each row is laid out once, with the last line for it, now or, when a row
    // was laid out a moment ago, by the pace timer.
    struct Hold {
        bool& holding;
        explicit Hold(bool& h) : holding(h) { holding = true; }
        ~Hold() { holding = false; }
    };
    {
        const Hold hold(holdingRows_);
        for (const std::string& line : splitter_.Feed(bytes))
            RunTrapped(nullptr, 0, {}, [&] { ClusterProcessLine(line); });
    }
    if (!tmrClusterRow_.Enabled()) ShowHeldRows();
}

void ClusterLink::WinsockCluster_Closed() {
    // The server ended a connection that was up. The reconnect goes through the check, 6 s on, so
    // that a server that greets and hangs up at once is not dialled again in a tight loop; when a
    // check is pending already, it reconnects. A silence watch gives way to the check.
    if (CheckPending()) return;
    tmrClusterComprobarConexion_.SetInterval(kCheckDelayMs);
    tmrClusterComprobarConexion_.SetEnabled(true);
}

void ClusterLink::WinsockCluster_Error() {
    if (!CheckPending()) ClusterConnect();
}

}  // namespace muv
