// The DX-cluster and chat link: one text connection to the cluster server that carries cluster spots
// (of which only those of the operator's own station are shown), the program's chat channel (personal
// messages, messages to all, internal spots of heard stations) and the spots the operator or the
// program sends; besides, the web spot requests to the same service's spot page.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "common/colour.h"
#include "common/text_window.h"
#include "common/timer.h"
#include "common/utc_time.h"
#include "online/cluster_lines.h"
#include "online/online_servers.h"
#include "online/tcp_link.h"

namespace muv {

// What the link needs of the program around it: the operator window, the cluster panel's two rows, the
// Skeds menu, the country and log look-ups, the alarms window, the web and the clock.
class ClusterHost {
public:
    virtual ~ClusterHost() = default;

    // The operator window's txtCallsign and txtQTH, read at each use.
    virtual std::string OperatorCallsign() = 0;
    virtual std::string OperatorQth() = 0;

    // Where the cluster is, and the scheme and host of its spot web site.
    virtual ServerAddress ClusterServer() = 0;
    virtual std::string SpotWebBase() = 0;

    // The cluster panel, row 1 (cluster spots and personal messages) and row 2 (messages to all and
    // internal spots): the rich text box (rtfClusterComentario / rtfClusterComentario2), the frequency
    // box's text and band colour (txtClusterFrecuencia / 2), the time box (txtClusterHora / 2), and
    // showing the row's five controls (the three boxes, pctBorrarMensaje and pctClusterLink, or those
    // with "2").
    virtual TextWindow& ClusterComment(int row) = 0;
    virtual void SetClusterFrequency(int row, const std::string& text, ColorRef colour) = 0;
    virtual void SetClusterTime(int row, const std::string& text) = 0;
    virtual void ShowClusterRow(int row) = 0;

    // The Skeds menu's items 4 ("Cluster Spot") and 5 ("Internal Spot").
    virtual bool SkedsItemEnabled(int index) = 0;
    virtual void SetSkedsItem(int index, const std::string& caption, bool enabled) = 0;

    // The country of a callsign (with its continent in parentheses when withContinent is 1; "" when
    // unknown), the primary prefix of a country, and whether the log holds the country (1) or the
    // callsign (1).
    virtual std::string CountryOfCallsign(const std::string& callsign, uint8_t withContinent) = 0;
    virtual std::string PrimaryPrefixOfCountry(const std::string& country) = 0;
    virtual uint8_t CountryInLog(const std::string& country) = 0;
    virtual uint8_t CallInLog(const std::string& callsign) = 0;

    // The alarms window: whether "Cluster Spot Received" is ticked, and its tune.
    virtual bool ClusterSpotAlarmWanted() = 0;
    virtual void AlarmaClusterSpot() = 0;

    // Requests a web address; the answer is neither awaited nor read.
    virtual void SendWebRequest(const std::string& address) = 0;

    // A fresh random number, uniform in [0, 1), from a generator seeded by the clock; and the UTC time.
    virtual double RandomUnit() = 0;
    virtual UtcTime UtcNow() = 0;
};

// The module modCluster. It takes the link's events itself (connected, data, the peer's close, errors);
// the main window's four timers call the *_Timer methods. Everything runs on the program's one thread.
class ClusterLink {
public:
    // tmrClusterLogin, tmrClusterComprobarConexion, tmrEnviarSpotPublico and tmrClusterRow of the main
    // window.
    ClusterLink(ClusterHost& host, TcpLink& link, Timer& loginTimer, Timer& checkTimer, Timer& spotTimer,
                Timer& rowTimer);
    ~ClusterLink();
    ClusterLink(const ClusterLink&) = delete;
    ClusterLink& operator=(const ClusterLink&) = delete;

    // (Re)opens the link: the Skeds items say "Wait...." (after a failed check: "Internet not available",
    // until the cluster is heard) and are disabled, the check (6 s) and the log-in (3 s) timers are
    // armed, and the connection is made anew.
    void ClusterConnect();
    // Sends the log-in lines: the operator's base callsign, then "JOIN MUV".
    void ClusterLogin();
    // Handles one received line (with its line end, in the bytes the cluster sent): the link counts as
    // alive, and a spot or chat line for the panel is shown.
    void ClusterProcessLine(const std::string& line);
    // Shows one line in row 1 (kinds 1 and 2, not when the operator sent it) or row 2 (kind 3), with
    // what the line does besides: the row's last sender (and for row 2 its frequency), and for row 1
    // the alarm. The texts are UTF-8, as the comment boxes take them; each field shows as OneLineText
    // gives it, so that a line break or a bidirectional control in it is never obeyed. Each line does
    // all that, but a row is laid out at most once a read and once every kRowPaceMs, with the last line
    // for it: a line after a quiet moment shows at once, and of the lines that come together (in one
    // read, or one after the other within kRowPaceMs) the last shows, at most kRowPaceMs later. A flood
    // of spots is not laid out line by line only for each row to be replaced by the next.
    void ClusterShowLine(const std::string& sender, const std::string& addressee,
                         const std::string& frequency, const std::string& text, const std::string& time,
                         uint8_t kind);

    // The chat line "CHAT MUV " frequency "#" callsign "#" comment: a personal message or spot for one
    // station ("ALL": for everyone). True when the line went out. Every line goes out in Windows-1252
    // when that holds it, else in UTF-8 (EncodeText).
    bool SendInternalSpot(const std::string& frequency, const std::string& comment,
                          const std::string& callsign);
    // The same chat line to addressee, and when it went out and the operator has a callsign, the web
    // spot of the operator's own station.
    bool SendInternalSpotWithWeb(const std::string& frequency, const std::string& comment,
                                 const std::string& addressee);
    // The automatic spot of a decoded station: queues its chat line, which the spot timer sends after a
    // random delay once per frequency, and sends its web spot.
    void AutoSpot(const std::string& callsign, const std::string& frequency, const std::string& distance,
                  const std::string& snText, const std::string& modeTag);
    // The delay of the automatic spot's line: 1 to 2000 ms.
    int RandomSpotDelay();
    // The cluster command "DX " frequency " " callsign " " comment. True when the line went out.
    bool SendClusterSpot(const std::string& callsign, const std::string& frequency,
                         const std::string& comment);

    // The main window's timers and the link's events.
    void tmrClusterLogin_Timer();
    void tmrClusterComprobarConexion_Timer();
    void tmrEnviarSpotPublico_Timer();
    void tmrClusterRow_Timer();
    // The operator cleared row 1 or 2: a line that came before and waits for the pace is not shown.
    void ForgetHeldRow(int row) { heldRows_.at(static_cast<size_t>(row - 1)).reset(); }
    void WinsockCluster_Connect();
    void WinsockCluster_DataArrival(const std::string& bytes);
    void WinsockCluster_Closed();
    void WinsockCluster_Error();

    // The chat line of the pending automatic spot (CR LF included), in UTF-8 until it is sent.
    std::string QueuedSpotLine;
    // The senders of the last lines shown in rows 1 and 2.
    std::string LastClusterSpotCall;
    std::string LastInternalSpotCall;
    // The frequency of the last automatic spot queued or of the last row-2 line received.
    std::string LastAutoSpotFreq;

    // Once the cluster has been heard, this long without a byte from it counts as a lost link, and the
    // check reconnects as for a cluster that never spoke: a server that hangs with the connection open,
    // or a connection dropped on the way, is never told by TCP. An active cluster sends spots every few
    // seconds and the nodes their periodic announcements and prompts; five quiet minutes is a link gone,
    // and a reconnect to a cluster that was only quiet costs one log-in.
    static constexpr int kSilenceBoundMs = 5 * 60 * 1000;
    // The shortest time between two layouts of a row: quicker than the eye follows a changing line.
    static constexpr int kRowPaceMs = 50;
    // Sets that bound (tests shorten it); it must exceed the check's 6 s.
    void SetSilenceBound(int milliseconds) { silenceBoundMs_ = milliseconds; }

private:
    // A line as its row shows it.
    struct RowLine {
        std::string sender, addressee, frequency, text, time;
    };

    std::string OwnCallsign();
    // Lays out row 1 or 2 with the line.
    void ShowRow(int row, const RowLine& line);
    // Lays out the rows that hold a line; true when there was one. The first layout after a quiet
    // moment starts the pace timer, which lays out what came meanwhile and stops when nothing did.
    bool ShowHeldRows();
    // The cluster was heard: the items are back, and the check watches for the next silence.
    void MarkLinkAlive();
    // Whether the short check after a (re)connect or a close is pending; the silence watch is not one.
    bool CheckPending() const;
    bool SendLine(const std::string& line);

    ClusterHost& host_;
    TcpLink& link_;
    Timer& tmrClusterLogin_;
    Timer& tmrClusterComprobarConexion_;
    Timer& tmrEnviarSpotPublico_;
    Timer& tmrClusterRow_;
    ClusterLineSplitter splitter_;
    // Whether the log-in lines have gone out on the present connection.
    bool loginSent_ = false;
    // Whether a check found the cluster silent, and nothing has been heard from it since.
    bool clusterSilent_ = false;
    int silenceBoundMs_ = kSilenceBoundMs;
    // Whether the lines of one read are being handled; the line each row is to show once they are
    // done, or when the pace timer fires.
    bool holdingRows_ = false;
    std::array<std::optional<RowLine>, 2> heldRows_;
};

// A callsign as it may stand in a line to the cluster: its letters, digits and "/" only.
std::string CleanClusterCallsign(const std::string& callsign);
// Any other field of a line to the cluster: without CR, LF and "#", which would end the line or start a
// field of their own.
std::string CleanClusterField(const std::string& field);

}  // namespace muv
