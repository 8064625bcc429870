// The cluster link on an in-memory connection and hand-driven timers: connecting and logging in, the
// check's one silent reconnect, what the panel's rows show, and the lines and web spots that go out.
#include <gtest/gtest.h>

#include <random>

#include "online/cluster_link.h"
#include "online/tests/cluster_test_host.h"
#include "online/tests/cluster_test_lines.h"
#include "receiver/band_lookup.h"
#include "test_support/memory_tcp_link.h"

namespace muv {
namespace {

using test::DxSpotLine;

class ClusterLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        loginTimer.OnTimer = [this] { cluster.tmrClusterLogin_Timer(); };
        checkTimer.OnTimer = [this] { cluster.tmrClusterComprobarConexion_Timer(); };
        spotTimer.OnTimer = [this] { cluster.tmrEnviarSpotPublico_Timer(); };
        rowTimer.OnTimer = [this] { cluster.tmrClusterRow_Timer(); };
    }
    // Connected, logged in and alive, with nothing sent yet.
    void ConnectLive() {
        cluster.ClusterConnect();
        link.Accept();
        link.Receive("Welcome\r\n");
        link.sent.clear();
    }
    std::string Row(int row) { return host.rows.at(row).comment.Text(); }
    // A read, and the panel as it stands once the rows' pace has passed.
    void Hear(const std::string& bytes) {
        link.Receive(bytes);
        rowTimer.Advance(ClusterLink::kRowPaceMs);
    }

    test::FakeClusterHost host;
    test::MemoryTcpLink link;
    ManualTimer loginTimer, checkTimer, spotTimer, rowTimer;
    ClusterLink cluster{host, link, loginTimer, checkTimer, spotTimer, rowTimer};
};

TEST_F(ClusterLinkTest, ConnectingWaitsThenLogsInAsTheConnectionComesUp) {
    host.callsign = "EA4XYZ/P";
    cluster.ClusterConnect();
    ASSERT_EQ(link.connects, std::vector<std::string>{"cluster.test:8000"});
    EXPECT_EQ(host.skeds[4].caption, "Cluster Spot: Wait....");
    EXPECT_FALSE(host.skeds[4].enabled);
    EXPECT_EQ(host.skeds[5].caption, "Internal Spot: Wait....");
    EXPECT_FALSE(host.skeds[5].enabled);
    EXPECT_TRUE(checkTimer.Enabled());
    EXPECT_EQ(checkTimer.Interval(), 6000);
    EXPECT_TRUE(loginTimer.Enabled());
    EXPECT_EQ(loginTimer.Interval(), 3000);

    // A slow connection: the 3 s log-in finds it down, so the log-in goes when it comes up, once.
    loginTimer.Advance(3000);
    EXPECT_FALSE(loginTimer.Enabled());
    EXPECT_TRUE(link.sent.empty());
    link.Accept();
    EXPECT_EQ(link.sent, (std::vector<std::string>{"EA4XYZ\r\n", "JOIN MUV\r\n"}));

    // A quick one: logged in at once, and the 3 s timer sends nothing more.
    cluster.ClusterConnect();
    link.sent.clear();
    link.Accept();
    loginTimer.Advance(3000);
    EXPECT_EQ(link.sent.size(), 2u);

    // Any text, even a prompt without a line end, makes the link live.
    // From now on the check watches for a long silence.
    link.Receive("login: ");
    EXPECT_TRUE(checkTimer.Enabled());
    EXPECT_EQ(checkTimer.Interval(), ClusterLink::kSilenceBoundMs);
    EXPECT_EQ(host.skeds[4].caption, "Cluster Spot");
    EXPECT_TRUE(host.skeds[4].enabled);
    EXPECT_EQ(host.skeds[5].caption, "Internal Spot");
    EXPECT_TRUE(host.skeds[5].enabled);
}

TEST_F(ClusterLinkTest, ASilentClusterGetsOneReconnectAndThenOnlyErrorsReconnect) {
    cluster.ClusterConnect();
    link.Accept();
    host.captionLog.clear();
    checkTimer.Advance(6000);
    // The operator is told, and the second attempt does not cover it with its Wait captions.
    EXPECT_EQ(host.captionLog,
              (std::vector<std::string>{"Internet not available", "Internet not available"}));
    EXPECT_FALSE(host.skeds[4].enabled);
    EXPECT_EQ(link.connects.size(), 2u);
    // The second attempt runs without the short check, under the silence bound only.
    EXPECT_EQ(checkTimer.Interval(), ClusterLink::kSilenceBoundMs);
    EXPECT_TRUE(loginTimer.Enabled());
    checkTimer.Advance(60000);
    EXPECT_EQ(link.connects.size(), 2u);

    // An error with no check pending reconnects at once, and arms the check; a second error waits for it.
    // Without a network the errors come at once: the items go on saying that the internet is missing.
    link.Fail();
    EXPECT_EQ(link.connects.size(), 3u);
    EXPECT_TRUE(checkTimer.Enabled());
    EXPECT_EQ(host.skeds[4].caption, "Internet not available");
    EXPECT_EQ(host.skeds[5].caption, "Internet not available");
    link.Fail();
    EXPECT_EQ(link.connects.size(), 3u);
    checkTimer.Advance(6000);
    EXPECT_EQ(link.connects.size(), 4u);

    // Heard at last: the items come back, and a later connection waits with its own captions again.
    link.Accept();
    link.Receive("login: ");
    EXPECT_EQ(host.skeds[4].caption, "Cluster Spot");
    EXPECT_TRUE(host.skeds[4].enabled);
    EXPECT_EQ(host.skeds[5].caption, "Internal Spot");
    cluster.ClusterConnect();
    EXPECT_EQ(host.skeds[4].caption, "Cluster Spot: Wait....");
    EXPECT_EQ(host.skeds[5].caption, "Internal Spot: Wait....");
}

TEST_F(ClusterLinkTest, TheServersCloseIsNoticedAndReconnectsThroughTheCheck) {
    ConnectLive();
    EXPECT_EQ(checkTimer.Interval(), ClusterLink::kSilenceBoundMs);
    link.PeerCloses();
    // Not redialled at once (a server that greets and hangs up would be hammered) but 6 s later.
    EXPECT_EQ(link.connects.size(), 1u);
    EXPECT_TRUE(checkTimer.Enabled());
    EXPECT_EQ(checkTimer.Interval(), 6000);
    checkTimer.Advance(6000);
    ASSERT_EQ(link.connects.size(), 2u);
    link.Accept();
    EXPECT_EQ(link.sent, (std::vector<std::string>{"EA4XYZ\r\n", "JOIN MUV\r\n"}));

    // A close while a check is pending leaves the reconnect to that check.
    cluster.ClusterConnect();
    link.Accept();
    link.PeerCloses();
    EXPECT_EQ(link.connects.size(), 3u);
    checkTimer.Advance(6000);
    EXPECT_EQ(link.connects.size(), 4u);
}

TEST_F(ClusterLinkTest, ReceivedTextIsSplitIntoLines) {
    ConnectLive();
    // Two lines in one read.
    Hear(DxSpotLine("DL1ABC", "14070.0", "EA4XYZ", "first", "1234") +
         "MUV de G4AAA: 7040.0#ALL#second\a\a\r\n");
    EXPECT_EQ(Row(1), " DL1ABC (Fed. Rep. of Germany (EU)): first" + std::string(25, ' '));
    EXPECT_EQ(Row(2), " ALL de G4AAA (England (EU)): second");
    // One line in two reads: nothing until its end, then the whole line.
    Hear("MUV de K1ABC: 14070.0#ALL#th");
    EXPECT_EQ(Row(2), " ALL de G4AAA (England (EU)): second");
    Hear("ird\a\a\r\n");
    EXPECT_EQ(Row(2), " ALL de K1ABC (United States (NA)): third");
    // A partial line is dropped with its connection.
    Hear("MUV de K1ABC: 14070.0#ALL#lo");
    cluster.ClusterConnect();
    Hear("st\a\a\r\n");
    EXPECT_EQ(Row(2), " ALL de K1ABC (United States (NA)): third");
}

TEST_F(ClusterLinkTest, EveryLineCountsButARowIsLaidOutWithTheLastOfTheLinesThatComeTogether) {
    ConnectLive();
    host.loggedCalls = {"K1ABC"};
    link.Receive(
        DxSpotLine("DL1ABC", "14070.0", "EA4XYZ", "one", "1201") + "MUV de G4AAA: 7040.0#ALL#to all\a\a\r\n" +
        DxSpotLine("G4AAA", "7040.0", "EA4XYZ/P", "two", "1202") +
        "MUV de DL1ABC: 3580.0#EA4ABC##MUV16 +3 dB in Madrid\a\a\r\n" +
        "MUV de K1ABC: 10140.0#EA4XYZ#are you there?\a\a\r\n" +
        DxSpotLine("G4AAA", "7040.0", "EA4XYZZ", "not ours", "1203") + "MUV de K1ABC: 7040.0#ALL#ha");
    EXPECT_EQ(host.rows[1].shows, 1);
    EXPECT_EQ(host.rows[2].shows, 1);
    EXPECT_EQ(Row(1), " K1ABC (United States (NA)): are you there?");
    EXPECT_EQ(host.rows[1].frequency, "10140");
    EXPECT_EQ(host.rows[1].time, "09:05");
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(host.rows[1].comment.BoldAt(i), i >= 1 && i <= 5) << i;
    EXPECT_EQ(Row(2), " EA4ABC de DL1ABC (Fed. Rep. of Germany (EU)): MUV16 +3 dB in Madrid");
    EXPECT_EQ(host.rows[2].frequency, "3580");
    // What each line does besides: an alarm for every line of row 1, the rows' last senders, the
    // frequency of row 2's last line.
    EXPECT_EQ(host.alarms, 3);
    EXPECT_EQ(cluster.LastClusterSpotCall, "K1ABC");
    EXPECT_EQ(cluster.LastInternalSpotCall, "DL1ABC");
    EXPECT_EQ(cluster.LastAutoSpotFreq, "3580.0");

    // The next reads, a moment later, end the line begun and bring another: they count at once, and
    // row 2 alone is laid out again with the last of them when the pace has passed.
    rowTimer.Advance(ClusterLink::kRowPaceMs / 2);
    link.Receive("lf done\a\a\r\n");
    link.Receive("MUV de G4AAA: 7040.0#ALL#last\a\a\r\n");
    EXPECT_EQ(cluster.LastAutoSpotFreq, "7040.0");
    EXPECT_EQ(cluster.LastInternalSpotCall, "G4AAA");
    EXPECT_EQ(host.rows[2].shows, 1);
    rowTimer.Advance(ClusterLink::kRowPaceMs / 2);
    EXPECT_EQ(host.rows[1].shows, 1);
    EXPECT_EQ(host.rows[2].shows, 2);
    EXPECT_EQ(Row(2), " ALL de G4AAA (England (EU)): last");
    // A line that waits when the operator clears its row is not shown after the clearing.
    link.Receive("MUV de G4AAA: 7040.0#ALL#before the clearing\a\a\r\n");
    cluster.ForgetHeldRow(2);
    rowTimer.Advance(ClusterLink::kRowPaceMs);
    EXPECT_EQ(host.rows[2].shows, 2);
    // Nothing more came: the pace stops, and a line after the quiet moment shows as it comes.
    rowTimer.Advance(ClusterLink::kRowPaceMs);
    EXPECT_FALSE(rowTimer.Enabled());
    link.Receive("MUV de K1ABC: 7040.0#ALL#after\a\a\r\n");
    EXPECT_EQ(host.rows[2].shows, 3);
    EXPECT_EQ(Row(2), " ALL de K1ABC (United States (NA)): after");
}

TEST_F(ClusterLinkTest, ASpotOfTheOwnStationFillsRowOneAndSoundsTheAlarm) {
    ConnectLive();
    host.loggedCalls = {"DL1ABC"};
    Hear(DxSpotLine("DL1ABC", "14070.0", "EA4XYZ/P", "MUV16 579", "1234"));
    const auto& row = host.rows[1];
    EXPECT_TRUE(row.visible);
    EXPECT_EQ(row.frequency, "14070");
    EXPECT_EQ(row.frequencyColour, BandFromFrequency(14.07f).Colour);
    EXPECT_EQ(row.time, "12:34");
    const std::string text = row.comment.Text();
    EXPECT_EQ(text, " DL1ABC (Fed. Rep. of Germany (EU)): MUV16 579" + std::string(21, ' '));
    // The sender, worked before, in bold; the country, never logged, in red; the rest black.
    for (int i = 0; i < static_cast<int>(text.size()); ++i) {
        EXPECT_EQ(row.comment.BoldAt(i), i >= 1 && i <= 6) << i;
        const bool country = i >= 9 && i < 9 + 25;
        EXPECT_EQ(row.comment.ColourAt(i), country ? kRed : kBlack) << i;
    }
    EXPECT_EQ(cluster.LastClusterSpotCall, "DL1ABC");
    EXPECT_EQ(host.alarms, 1);
    EXPECT_FALSE(host.rows[2].visible);

    // Another station's spot changes nothing; nor does the operator's own spot or message.
    Hear(DxSpotLine("G4AAA", "7040.0", "EA4XYZZ", "x", "0000"));
    Hear(DxSpotLine("EA4XYZ", "7040.0", "EA4XYZ", "self", "0000"));
    Hear("MUV de EA4XYZ: 7040.0#EA4XYZ hello me\a\a\r\n");
    EXPECT_EQ(host.rows[1].frequency, "14070");
    EXPECT_EQ(host.alarms, 1);

    // Without the alarm ticked the row is still shown; a country in the log is not red.
    host.alarmWanted = false;
    Hear(DxSpotLine("EA1AAA", "3580.5", "EA4XYZ", "hi", "2301"));
    EXPECT_EQ(host.rows[1].frequency, "3580");
    EXPECT_EQ(host.rows[1].time, "23:01");
    EXPECT_EQ(host.rows[1].comment.ColourAt(9), kBlack);
    EXPECT_FALSE(host.rows[1].comment.BoldAt(1));
    EXPECT_EQ(host.alarms, 1);
}

TEST_F(ClusterLinkTest, PersonalMessagesGoToRowOneOnlyForTheOperator) {
    ConnectLive();
    Hear("MUV de G4AAA: 7040#EA4XYZ#are you QRV?\a\a\r\n");
    EXPECT_EQ(Row(1), " G4AAA (England (EU)): are you QRV?");
    EXPECT_EQ(host.rows[1].frequency, "7040");  // no decimal: nothing cut
    EXPECT_EQ(host.rows[1].time, "09:05");      // the clock's time
    EXPECT_EQ(cluster.LastClusterSpotCall, "G4AAA");
    EXPECT_EQ(host.alarms, 1);

    Hear("MUV de K1ABC: 7040.0#DL1ABC#not for us\a\a\r\n");
    host.callsign = "";
    Hear("MUV de K1ABC: 7040.0#DL1ABC#nor with no callsign\a\a\r\n");
    Hear(DxSpotLine("K1ABC", "7040.0", "", "x", "0000"));
    EXPECT_EQ(Row(1), " G4AAA (England (EU)): are you QRV?");
    EXPECT_EQ(host.alarms, 1);
}

TEST_F(ClusterLinkTest, MessagesToAllAndInternalSpotsGoToRowTwo) {
    ConnectLive();
    host.loggedCalls = {"DL1ABC"};
    Hear("MUV de DL1ABC: 14070.0#EA4ABC##MUV16 +3 dB in Madrid\a\a\r\n");
    const auto& row = host.rows[2];
    EXPECT_TRUE(row.visible);
    const std::string text = row.comment.Text();
    EXPECT_EQ(text, " EA4ABC de DL1ABC (Fed. Rep. of Germany (EU)): MUV16 +3 dB in Madrid");
    EXPECT_EQ(row.frequency, "14070");
    EXPECT_EQ(row.time, "09:05");
    EXPECT_EQ(cluster.LastInternalSpotCall, "DL1ABC");
    EXPECT_EQ(cluster.LastAutoSpotFreq, "14070.0");
    for (int i = 0; i < static_cast<int>(text.size()); ++i)
        EXPECT_EQ(row.comment.BoldAt(i), i >= 11 && i <= 16) << i;
    EXPECT_EQ(host.alarms, 0);  // no alarm for row 2
    EXPECT_FALSE(host.rows[1].visible);

    // The operator's own message to all is shown too.
    Hear("MUV de EA4XYZ: 7040.0#ALL#cq cq\a\a\r\n");
    EXPECT_EQ(Row(2), " ALL de EA4XYZ (Spain (EU)): cq cq");
    EXPECT_EQ(cluster.LastAutoSpotFreq, "7040.0");
    EXPECT_EQ(row.comment.ColourAt(16), kBlack);  // Spain is in the log
}

TEST_F(ClusterLinkTest, LinesInUtf8OrInWindows1252ReachTheBoxesWhole) {
    ConnectLive();
    // A cluster that writes UTF-8: the comment's 30 columns and the time's are counted in characters.
    Hear(DxSpotLine("UA3AAA", "14070.0", "EA4XYZ", "Привет из Москвы, 73!", "1234"));
    EXPECT_EQ(Row(1), " UA3AAA (): Привет из Москвы, 73!" + std::string(9, ' '));
    EXPECT_EQ(host.rows[1].time, "12:34");
    Hear("MUV de G4AAA: 7040.0#ALL#Привет всем\a\a\r\n");
    EXPECT_EQ(Row(2), " ALL de G4AAA (England (EU)): Привет всем");
    // A station whose lines are Windows-1252.
    Hear("MUV de EA1AAA: 7040.0#EA4XYZ#Saludos de Jos\xE9\a\a\r\n");
    EXPECT_EQ(Row(1), " EA1AAA (Spain (EU)): Saludos de José");
}

TEST_F(ClusterLinkTest, LinesGoOutInWindows1252WhenItHoldsThemElseInUtf8) {
    ConnectLive();
    EXPECT_TRUE(cluster.SendInternalSpot("14070.0", "73 de José", "DL1ABC"));
    EXPECT_TRUE(cluster.SendInternalSpot("14070.0", "73 from Győr", "DL1ABC"));
    EXPECT_EQ(link.sent, (std::vector<std::string>{"CHAT MUV 14070.0#DL1ABC#73 de Jos\xE9\r\n",
                                                   "CHAT MUV 14070.0#DL1ABC#73 from Gy\xC5\x91r\r\n"}));

    // The automatic spot names the QTH the same way, on the line and on the spot page.
    link.sent.clear();
    host.qth = "Győr";
    cluster.AutoSpot("DL1ABC", "7040.0", "", "+3 dB", "16");
    host.qth = "Málaga";
    cluster.AutoSpot("DL1ABC", "3580.0", "", "+3 dB", "16");
    spotTimer.Advance(2000);
    EXPECT_EQ(link.sent, std::vector<std::string>{"CHAT MUV 3580.0#DL1ABC##MUV16 +3 dB in M\xE1laga\r\n"});
    ASSERT_EQ(host.webRequests.size(), 2u);
    EXPECT_NE(host.webRequests[0].find("&comment=MUV16%20%2B3%20dB%20in%20Gy%C5%91r&"), std::string::npos);
    EXPECT_NE(host.webRequests[1].find("&comment=MUV16%20%2B3%20dB%20in%20M%E1laga&"), std::string::npos);
    host.qth = "Győr";
    cluster.AutoSpot("DL1ABC", "7040.0", "", "+3 dB", "16");
    spotTimer.Advance(2000);
    EXPECT_EQ(link.sent.back(), "CHAT MUV 7040.0#DL1ABC##MUV16 +3 dB in Gy\xC5\x91r\r\n");
}

TEST_F(ClusterLinkTest, AutomaticSpotsAreSentOncePerFrequency) {
    ConnectLive();
    host.random = 0.25;
    cluster.AutoSpot("DL1ABC", "14070.0", "1200 km", "+3 dB", "16");
    EXPECT_EQ(cluster.QueuedSpotLine, "CHAT MUV 14070.0#DL1ABC##MUV16 +3 dB in Madrid\r\n");
    EXPECT_TRUE(spotTimer.Enabled());
    EXPECT_EQ(spotTimer.Interval(), 1500);
    ASSERT_EQ(host.webRequests.size(), 1u);
    EXPECT_EQ(
        host.webRequests[0],
        "http://spots.test/muv.php?freq=14070%2E0&spotcall=DL1ABC&comment=MUV16%20%2B3%20dB%20in%20Madrid"
        "&spotter=EA4XYZ&spotpfx=EA&spotterpfx=DL");

    // A second spot before the delay ends replaces the queued line; the timer is not armed again.
    spotTimer.Advance(1000);
    cluster.AutoSpot("G4AAA", "14070.0", "4001 km", "-5 dB", "16");
    EXPECT_EQ(cluster.QueuedSpotLine, "CHAT MUV 14070.0#G4AAA##MUV16 4001 km -5 dB in Madrid\r\n");
    spotTimer.Advance(500);
    EXPECT_EQ(link.sent,
              std::vector<std::string>{"CHAT MUV 14070.0#G4AAA##MUV16 4001 km -5 dB in Madrid\r\n"});
    EXPECT_FALSE(spotTimer.Enabled());
    // After the delay has run out, another spot on that frequency goes nowhere but the web.
    cluster.AutoSpot("K1ABC", "14070.0", "4000 km", "+1 dB", "16");
    EXPECT_EQ(cluster.QueuedSpotLine, "CHAT MUV 14070.0#K1ABC##MUV16 +1 dB in Madrid\r\n");
    EXPECT_FALSE(spotTimer.Enabled());
    spotTimer.Advance(5000);
    EXPECT_EQ(link.sent.size(), 1u);
    EXPECT_EQ(host.webRequests.size(), 3u);

    // A row-2 line on a frequency counts as that frequency's spot.
    link.Receive("MUV de G4AAA: 7040.0#ALL#hi\a\a\r\n");
    cluster.AutoSpot("DL1ABC", "7040.0", "", "+1 dB", "8");
    EXPECT_FALSE(spotTimer.Enabled());
    cluster.AutoSpot("DL1ABC", "3580.0", "", "+1 dB", "8");
    EXPECT_TRUE(spotTimer.Enabled());

    // No web spot for an operator without a callsign.
    host.callsign = "";
    cluster.AutoSpot("DL1ABC", "3590.0", "", "+1 dB", "8");
    EXPECT_EQ(host.webRequests.size(), 5u);
}

TEST_F(ClusterLinkTest, TheMoonBounceDialFrequencyGivesTheEmeTag) {
    cluster.AutoSpot("DL1ABC", "144160.0", "5230 km", "-20 dB", "4");
    EXPECT_EQ(cluster.QueuedSpotLine, "CHAT MUV 144160.0#DL1ABC##MUV_EME 5230 km -20 dB in Madrid\r\n");
    cluster.AutoSpot("DL1ABC", "144160.5", "5230 km", "-20 dB", "4");
    EXPECT_EQ(cluster.QueuedSpotLine, "CHAT MUV 144160.5#DL1ABC##MUV4 5230 km -20 dB in Madrid\r\n");
}

TEST_F(ClusterLinkTest, TheRandomDelayIsNeverZero) {
    ConnectLive();
    host.random = 0.0;
    EXPECT_EQ(cluster.RandomSpotDelay(), 2000);
    host.random = 0.5;
    EXPECT_EQ(cluster.RandomSpotDelay(), 1000);
    host.random = 0.99999;  // 0.02 ms
    EXPECT_EQ(cluster.RandomSpotDelay(), 1);
    cluster.AutoSpot("DL1ABC", "14070.0", "", "+3 dB", "16");
    EXPECT_EQ(spotTimer.Interval(), 1);
    spotTimer.Advance(1);
    EXPECT_EQ(link.sent.size(), 1u);
}

TEST_F(ClusterLinkTest, HandSentSpotsAndWhatNeverReachesALine) {
    EXPECT_FALSE(cluster.SendClusterSpot("DL1ABC", "14070.0", "MUV16"));  // not connected
    EXPECT_FALSE(cluster.SendInternalSpotWithWeb("14070.0", "cq", "ALL"));
    EXPECT_TRUE(host.webRequests.empty());
    ConnectLive();

    EXPECT_TRUE(cluster.SendClusterSpot("DL1ABC", "14070.0", " MUV16 +3 dB"));
    EXPECT_TRUE(cluster.SendInternalSpot("14070.0", "hello there", "DL1ABC"));
    EXPECT_TRUE(cluster.SendInternalSpotWithWeb("14070.0", "cq & qrv", "ALL"));
    EXPECT_EQ(link.sent, (std::vector<std::string>{"DX 14070.0 DL1ABC  MUV16 +3 dB\r\n",
                                                   "CHAT MUV 14070.0#DL1ABC#hello there\r\n",
                                                   "CHAT MUV 14070.0#ALL#cq & qrv\r\n"}));
    ASSERT_EQ(host.webRequests.size(), 1u);
    EXPECT_EQ(host.webRequests[0],
              "http://spots.test/muv.php?freq=14070%2E0&spotcall=EA4XYZ&comment=cq%20%26%20qrv&spotter=EA4XYZ"
              "&spotpfx=EA&spotterpfx=EA");

    // A callsign heard on the air that carries a line break and a command; a QTH, comment and
    // frequency with CR, LF and "#": every line stays one line with its fields where they belong.
    link.sent.clear();
    host.qth = "Madrid#\r\nJOIN X";
    cluster.AutoSpot("K1\r\nDX", "14070.0\r\n#", "", "+3 dB", "16");
    spotTimer.Advance(2000);
    cluster.SendClusterSpot("K1AB C\r\nBYE", "7040.0\n", "a\rb");
    cluster.SendInternalSpot("7040.0", "x#y\r\nz", "EA#4\nXYZ");
    EXPECT_EQ(link.sent,
              (std::vector<std::string>{"CHAT MUV 14070.0#K1DX##MUV16 +3 dB in MadridJOIN X\r\n",
                                        "DX 7040.0 K1ABCBYE ab\r\n", "CHAT MUV 7040.0#EA4XYZ#xyz\r\n"}));
}

// Random and mutated reads through the whole link: nothing crashes, the rows hold no more than a
// line's worth of text, and the link stays usable.
TEST_F(ClusterLinkTest, RandomReadsAreHandledSafely) {
    ConnectLive();
    std::mt19937 rng(7);
    const std::vector<std::string> seeds = {
        DxSpotLine("DL1ABC", "14070.0", "EA4XYZ/P", "MUV16 579", "1234"),
        "MUV de G4AAA: 7040.0#ALL#hi\a\a\r\n",
        "MUV de G4AAA: 7040.0#DL1ABC##MUV16 +3 dB in Madrid\a\a\r\n",
        "MUV de G4AAA: 7040.0#EA4XYZ hello\a\a\r\n",
    };
    for (int round = 0; round < 5000; ++round) {
        std::string read = seeds[rng() % seeds.size()];
        for (int m = rng() % 5; m > 0; --m)
            read[rng() % read.size()] = static_cast<char>(rng());
        if (rng() % 4 == 0) read = read.substr(0, rng() % read.size());
        if (rng() % 50 == 0) read = std::string(5000 + rng() % 5000, static_cast<char>(rng()));
        link.Receive(read);
        for (int row : {1, 2})
            ASSERT_LE(host.rows[row].comment.TextLength(), 8300);
    }
    EXPECT_TRUE(cluster.SendInternalSpot("7040.0", "still here", "ALL"));
}

}  // namespace
}  // namespace muv
