// The callsign server client on an in-memory link and hand-driven timers: the message of each request
// code, the replies whole and in pieces, the second address and the lamps, and the queue that keeps a
// logged contact from being lost to the requests made after it.
#include "online/callsign_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "common/cp1252.h"
#include "logbook/locator.h"
#include "online/tests/callsign_server_fakes.h"
#include "test_support/memory_tcp_link.h"

namespace muv {
namespace {

using test::PartnerDetails;

class CallsignServerTest : public ::testing::Test {
protected:
    CallsignServerTest() {
        online.OnTimer = [this] { lamps.push_back(client.OnlineTimerTick()); };
        auxiliary.OnTimer = [this] { client.AuxiliaryTimerTick(); };
        quiet.OnTimer = [this] { client.QuietTimerTick(); };
    }

    void Advance(int milliseconds) { muv::test::AdvanceTogether(milliseconds, online, auxiliary, quiet); }

    // One whole exchange without a reply: the request, the connection and the server's quiet. Returns
    // what was sent, "" when nothing was.
    std::string Exchange(uint8_t code, const std::string& call = {}, const std::string& name = {},
                         const std::string& qth = {}, const std::string& locator = {}) {
        const size_t before = link.sent.size();
        client.CallsignServerRequest(code, call, name, qth, locator);
        link.Accept();
        const std::string sent = link.sent.size() > before ? link.sent.back() : "";
        Advance(CallsignServerClient::kReplyWaitMs + 1);
        return sent;
    }

    test::MemoryTcpLink link;
    ManualTimer online, auxiliary, quiet;
    test::FakeCallsignServerHost host;
    CallsignServerClient client{link, online, auxiliary, quiet, host};
    std::vector<ServerLamp> lamps;
};

TEST_F(CallsignServerTest, EachRequestCodeSendsItsMessageOnItsOwnConnection) {
    // The log-in carries the base of the operator's callsign and the other fields as typed.
    host.operatorCallsign = "EA4ABC/P";
    EXPECT_EQ(Exchange(1), "1##EA4ABC##Juan##Madrid##IN80do##");
    EXPECT_EQ(link.connects.back(), "192.0.2.7:8000");
    EXPECT_EQ(Exchange(2, "EA4XYZ/P"), "2##EA4XYZ");
    EXPECT_EQ(client.PendingCall, "EA4XYZ");
    EXPECT_EQ(Exchange(4, "K1ABC"), "4##K1ABC");
    EXPECT_EQ(Exchange(6, "G4ABC/M", "John", "London", "IO91wm"), "6##G4ABC##John##London##IO91wm##");
    EXPECT_EQ(Exchange(7), "7");
    EXPECT_EQ(link.connects.size(), 5u);
    EXPECT_EQ(link.closes, 5);  // each request closes what the one before left open

    // No field can add a field or end one early, and the callsigns hold letters, digits and "/" only.
    host.operatorCallsign = "EA4 ABC";
    host.operatorName = "Ju#an";
    host.operatorQth = "##";
    EXPECT_EQ(Exchange(1), "1##EA4ABC##Juan####IN80do##");
    EXPECT_EQ(Exchange(6, "G4#ABC", "J##ohn", "Lon#don", "IO91wm#"), "6##G4ABC##John##London##IO91wm##");
    // A query for a word with anything else in it asks nothing.
    EXPECT_EQ(Exchange(2, "EA4#BC"), "");
    EXPECT_EQ(Exchange(4, "K1AB\r\n"), "");
}

TEST_F(CallsignServerTest, RepliesFillTheContactBoxesAndTheHeardLocator) {
    client.CallsignServerRequest(2, "G4ABC");
    link.Accept();
    link.Receive("2##JOHN##LONDON##IO91wm");
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0], (PartnerDetails{"JOHN", "LONDON", "IO91wm"}));

    client.CallsignServerRequest(4, "K1ABC");
    link.Accept();
    link.Receive("4##im98JM");
    EXPECT_EQ(client.ServerLocator(), "IM98jm");
    // "5" changes nothing; a locator reply that is no locator leaves none.
    link.Receive("5");
    EXPECT_EQ(client.ServerLocator(), "IM98jm");
    client.CallsignServerRequest(4, "K1ABC");
    link.Accept();
    link.Receive("5");
    EXPECT_EQ(client.ServerLinkState, 1);
    client.CallsignServerRequest(4, "K1ABC");
    link.Accept();
    link.Receive("4##ZZ99zz");
    EXPECT_EQ(client.ServerLocator(), "");
    client.ClearServerLocator();

    // A malformed "2", taken when the server has been quiet, writes empty parts for what it lacks.
    host.shown.clear();
    client.CallsignServerRequest(2, "G4ABC");
    link.Accept();
    link.Receive("2##JOHN");
    EXPECT_TRUE(host.shown.empty());
    Advance(CallsignServerClient::kQuietMs);
    client.CallsignServerRequest(2, "G4ABC");
    link.Accept();
    link.Receive("2##JOHN##LONDON");
    link.PeerCloses();  // the server's close ends the reply as well
    client.CallsignServerRequest(2, "G4ABC");
    link.Accept();
    link.Receive("2##" + std::string(300, 'N') + "##\x01Q\nTH##IO91wm");
    ASSERT_EQ(host.shown.size(), 3u);
    EXPECT_EQ(host.shown[0], (PartnerDetails{"", "", ""}));
    EXPECT_EQ(host.shown[1], (PartnerDetails{"JOHN", "", ""}));
    // Values are cut to what the boxes hold, control characters left out and a line break shown as such.
    EXPECT_EQ(host.shown[2], (PartnerDetails{std::string(CallsignServerClient::kBoxTextCap, 'N'),
                                             "Q\xE2\x86\xB5TH", "IO91wm"}));
}

TEST_F(CallsignServerTest, MessagesAndRepliesInWindows1252WhereItHoldsThemElseInUtf8) {
    // Each message in Windows-1252 when it holds the whole message, else in UTF-8.
    host.operatorName = "Jos\xC3\xA9";
    EXPECT_EQ(Exchange(1), "1##EA4ABC##Jos\xE9##Madrid##IN80do##");
    host.operatorQth = "Gy\xC5\x91r";
    EXPECT_EQ(Exchange(1), "1##EA4ABC##Jos\xC3\xA9##Gy\xC5\x91r##IN80do##");

    // A reply stored by an older server in Windows-1252, and one in UTF-8 cut to the box's characters.
    client.CallsignServerRequest(2, "EA1ABC");
    link.Accept();
    link.Receive("2##JOS\xC9##M\xC1LAGA##IM76ir");
    std::string cyrillic;
    for (int i = 0; i < 60; ++i)
        cyrillic += "\xD0\x96";  // Ж
    client.CallsignServerRequest(2, "UA3AAA");
    link.Accept();
    link.Receive("2##" + cyrillic + "##\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0##KO85ts");
    ASSERT_EQ(host.shown.size(), 2u);
    EXPECT_EQ(host.shown[0], (PartnerDetails{"JOS\xC3\x89", "M\xC3\x81LAGA", "IM76ir"}));
    EXPECT_EQ(host.shown[1], (PartnerDetails{cyrillic.substr(0, 2 * CallsignServerClient::kBoxTextCap),
                                             "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0", "KO85ts"}));
}

TEST_F(CallsignServerTest, RepliesSplitOverReadsAreTakenWhole) {
    client.CallsignServerRequest(2, "G4ABC");
    link.Accept();
    for (const char* piece : {"2", "##JO", "HN##LON", "DON", "##IO9", "1w"}) {
        link.Receive(piece);
        Advance(CallsignServerClient::kQuietMs - 1);  // pieces within the quiet time wait for the rest
    }
    EXPECT_TRUE(host.shown.empty());
    EXPECT_TRUE(client.Busy());
    link.Receive("m");
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0], (PartnerDetails{"JOHN", "LONDON", "IO91wm"}));
    EXPECT_FALSE(client.Busy());  // the complete reply ended the exchange

    client.CallsignServerRequest(4, "K1ABC");
    link.Accept();
    link.Receive("4##IM");
    EXPECT_EQ(client.ServerLocator(), "");
    link.Receive("98jm");
    EXPECT_EQ(client.ServerLocator(), "IM98jm");

    // Two replies in one read are both handled.
    client.CallsignServerRequest(4, "K1ABC");
    link.Accept();
    link.Receive("64##JN40ab");
    EXPECT_EQ(client.ServerLinkState, 2);
    EXPECT_EQ(client.ServerLocator(), "JN40ab");

    // An unfinished locator reply is taken as it stands after the quiet time: no locator.
    client.CallsignServerRequest(4, "K1ABC");
    link.Accept();
    link.Receive("4##IM98j");
    Advance(CallsignServerClient::kQuietMs - 1);
    EXPECT_TRUE(client.Busy());
    Advance(1);
    EXPECT_EQ(client.ServerLocator(), "");
    EXPECT_FALSE(client.Busy());

    // However much arrives at once, a reply that never completes is cut at the buffer's cap.
    client.CallsignServerRequest(2, "G4ABC");
    link.Accept();
    host.shown.clear();
    link.Receive("2##" + std::string(1 << 20, 'A'));
    ASSERT_EQ(host.shown.size(), 1u);  // no "##" in the first part of the buffer: nothing to cut
    EXPECT_EQ(host.shown[0], (PartnerDetails{"", "", ""}));
    EXPECT_FALSE(client.Busy());
}

TEST_F(CallsignServerTest, TheSecondAddressIsTriedOnceAndKeptForTheNextRequest) {
    client.CallsignServerRequest(2, "G4ABC");
    ASSERT_EQ(link.connects, std::vector<std::string>{"192.0.2.7:8000"});
    link.Fail();  // refused at once: the retry waits for its check all the same
    EXPECT_EQ(link.connects.size(), 1u);
    Advance(CallsignServerClient::kStatusDelayMs);
    EXPECT_EQ(lamps, std::vector<ServerLamp>{ServerLamp::Red});
    ASSERT_EQ(link.connects.size(), 2u);
    EXPECT_EQ(link.connects[1], "server.example:8000");
    EXPECT_EQ(client.UseHostName, 1);
    EXPECT_TRUE(online.Enabled());  // the lamps are due again 250 ms after the retry
    link.Accept();
    EXPECT_EQ(link.sent, std::vector<std::string>{"2##G4ABC"});
    Advance(CallsignServerClient::kStatusDelayMs);
    EXPECT_EQ(lamps.back(), ServerLamp::Green);
    EXPECT_EQ(link.connects.size(), 2u);  // one retry only

    // The next request tries the host name first.
    link.Receive("2##A##B##IO91wm");
    client.CallsignServerRequest(4, "K1ABC");
    EXPECT_EQ(link.connects.back(), "server.example:8000");

    // Neither address answering: the request is given up, and the one queued behind it goes.
    Advance(CallsignServerClient::kStatusDelayMs);
    EXPECT_EQ(link.connects.back(), "192.0.2.7:8000");
    EXPECT_EQ(client.UseHostName, 0);
    client.CallsignServerRequest(7);
    EXPECT_EQ(client.QueuedRequests(), 1u);
    Advance(CallsignServerClient::kConnectGiveUpMs - 1);
    EXPECT_EQ(client.PendingRequestCode, 4);
    Advance(1 + CallsignServerClient::kNextRequestDelayMs);
    EXPECT_EQ(client.PendingRequestCode, 7);
    link.Fail();  // the first address refused ...
    Advance(CallsignServerClient::kStatusDelayMs);
    ASSERT_EQ(link.connects.back(), "server.example:8000");
    link.Fail();  // ... and the second too
    EXPECT_FALSE(client.Busy());
    EXPECT_EQ(lamps.back(), ServerLamp::Red);
    EXPECT_EQ(link.sent.size(), 1u);
}

TEST_F(CallsignServerTest, TheLampsShowTheStateAQuarterSecondAfterTheStart) {
    // 0: not connected yet.
    client.CallsignServerRequest(4, "K1ABC");
    Advance(CallsignServerClient::kStatusDelayMs);
    ASSERT_EQ(lamps.size(), 1u);
    EXPECT_EQ(lamps[0], ServerLamp::Red);
    link.Accept();
    link.Receive("4##IM98jm");
    Advance(CallsignServerClient::kStatusDelayMs);

    // 1: connected, message sent.
    lamps.clear();
    client.CallsignServerRequest(7);
    link.Accept();
    Advance(CallsignServerClient::kStatusDelayMs);
    EXPECT_EQ(lamps, std::vector<ServerLamp>{ServerLamp::Green});
    EXPECT_FALSE(online.Enabled());
    Advance(CallsignServerClient::kQuietMs);

    // 2: the server answered "6" before the check.
    lamps.clear();
    client.CallsignServerRequest(6, "G4ABC", "John", "London", "IO91wm");
    link.Accept();
    link.Receive("6");
    Advance(CallsignServerClient::kStatusDelayMs);
    EXPECT_EQ(lamps, std::vector<ServerLamp>{ServerLamp::Yellow});

    // A query for a word that is not a plausible callsign sends nothing and shows yellow.
    lamps.clear();
    const size_t sent = link.sent.size();
    client.CallsignServerRequest(2, "HELLO");
    link.Accept();
    Advance(CallsignServerClient::kStatusDelayMs);
    EXPECT_EQ(link.sent.size(), sent);
    EXPECT_EQ(lamps, std::vector<ServerLamp>{ServerLamp::Yellow});
    EXPECT_FALSE(client.Busy());
}

TEST_F(CallsignServerTest, ALoggedContactQueuedBehindAQueryIsNeverLost) {
    client.CallsignServerRequest(4, "K1ABC");
    link.Accept();
    // Requested while the query waits for its reply: none of them closes its connection.
    client.CallsignServerRequest(6, "G4ABC", "John", "London", "IO91wm");
    client.CallsignServerRequest(7);
    client.CallsignServerRequest(4, "EA4XYZ");
    EXPECT_EQ(link.connects.size(), 1u);
    EXPECT_EQ(link.closes, 1);
    EXPECT_EQ(client.QueuedRequests(), 3u);
    link.Receive("4##IM98jm");
    EXPECT_EQ(client.ServerLocator(), "IM98jm");

    // Each goes when the one before has ended: by its reply, by the server's quiet or by its close.
    Advance(CallsignServerClient::kNextRequestDelayMs);
    link.Accept();
    Advance(CallsignServerClient::kStatusDelayMs);
    EXPECT_EQ(link.connects.size(), 2u);
    link.Receive("6");
    Advance(CallsignServerClient::kNextRequestDelayMs);
    link.Accept();
    Advance(CallsignServerClient::kQuietMs + CallsignServerClient::kNextRequestDelayMs);
    link.Accept();
    link.PeerCloses();
    EXPECT_EQ(link.sent,
              (std::vector<std::string>{"4##K1ABC", "6##G4ABC##John##London##IO91wm##", "7", "4##EA4XYZ"}));
    EXPECT_EQ(client.QueuedRequests(), 0u);
    EXPECT_FALSE(client.Busy());

    // The queue keeps only the newest query of a kind, but every logged contact.
    client.CallsignServerRequest(4, "K1ABC");
    for (const char* call : {"EA1AAA", "EA2BBB", "EA3CCC"}) {
        client.CallsignServerRequest(6, call);
        client.CallsignServerRequest(4, call);
        client.CallsignServerRequest(2, call);
        client.CallsignServerRequest(7);
    }
    EXPECT_EQ(client.QueuedRequests(), 6u);
    std::vector<std::string> sent;
    for (int i = 0; i < 8 && (client.Busy() || client.QueuedRequests() > 0); ++i) {
        link.Accept();
        sent.push_back(link.sent.back());
        Advance(CallsignServerClient::kReplyWaitMs + CallsignServerClient::kNextRequestDelayMs);
    }
    EXPECT_EQ(sent, (std::vector<std::string>{"4##K1ABC", "6##EA1AAA########", "6##EA2BBB########",
                                              "6##EA3CCC########", "4##EA3CCC", "2##EA3CCC", "7"}));
}

TEST_F(CallsignServerTest, TheHeardStationIsAskedAboutOnlyWhenItIsACallsign) {
    host.heard = "";
    client.LookupHeardCallLocator();
    EXPECT_TRUE(link.connects.empty());
    // A line break inside the word after "DE" makes it no callsign.
    host.heard = "K1\r\nDX";
    client.LookupHeardCallLocator();
    EXPECT_TRUE(link.connects.empty());
    host.heard = "EA4XYZ/P";
    client.LookupHeardCallLocator();
    link.Accept();
    EXPECT_EQ(link.sent, std::vector<std::string>{"4##EA4XYZ"});
}

// Random and mutated replies in random pieces, mixed with requests, connections that fail or close and
// time that passes: nothing fails, the boxes never get more than they hold and the locator is always
// a locator or nothing.
TEST_F(CallsignServerTest, FuzzedRepliesNeverOverfillTheBoxes) {
    std::mt19937 random(20240611);
    const std::vector<std::string> seeds = {"2##JOHN##LONDON##IO91wm",
                                            "4##IM98jm",
                                            "4##ZZ99zz",
                                            "6",
                                            "5",
                                            "2##JOHN",
                                            "2####",
                                            "2######",
                                            "4##",
                                            "2##A##B##",
                                            "7##x"};
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    auto mutate = [&](std::string s) {
        const size_t edits = pick(4);
        for (size_t e = 0; e < edits; ++e) {
            switch (pick(5)) {
                case 0:
                    if (!s.empty()) s[pick(s.size())] = static_cast<char>(random());
                    break;
                case 1:
                    s.insert(pick(s.size() + 1), "##");
                    break;
                case 2:
                    if (!s.empty()) s.erase(pick(s.size()), 1 + pick(4));
                    break;
                case 3:
                    s.insert(pick(s.size() + 1), std::string(pick(200), static_cast<char>(random())));
                    break;
                default:
                    s.resize(pick(s.size() + 1));
                    break;
            }
        }
        return s;
    };
    size_t contacts = 0;
    for (int round = 0; round < 20000; ++round) {
        switch (pick(10)) {
            case 0: {
                const auto code = static_cast<uint8_t>(pick(9));
                if (code == 6) ++contacts;
                client.CallsignServerRequest(code, mutate("EA4XYZ"), mutate("John"));
                break;
            }
            case 1:
                link.Accept();
                break;
            case 2:
                link.Fail();
                break;
            case 3:
                link.PeerCloses();
                break;
            case 4:
                Advance(static_cast<int>(pick(1500)));
                break;
            default: {
                // A reply, whole or mutated, or random bytes, in random pieces.
                std::string reply = pick(4) == 0 ? std::string(pick(40), static_cast<char>(random()))
                                                 : mutate(seeds[pick(seeds.size())]);
                while (!reply.empty()) {
                    const size_t piece = 1 + pick(reply.size());
                    link.Receive(reply.substr(0, piece));
                    reply.erase(0, piece);
                }
                break;
            }
        }
        const std::string locator = client.ServerLocator();
        ASSERT_TRUE(locator.empty() || IsValidLocator(locator) == 1) << locator;
        // One of each other code at most, besides the logged contacts.
        ASSERT_LE(client.QueuedRequests(), contacts + 8);
    }
    EXPECT_FALSE(host.shown.empty());
    // The caps count characters, and every value is whole UTF-8 whatever bytes came.
    for (const PartnerDetails& d : host.shown) {
        EXPECT_LE(Utf8Length(d.name), CallsignServerClient::kBoxTextCap);
        EXPECT_LE(Utf8Length(d.qth), CallsignServerClient::kBoxTextCap);
        EXPECT_LE(Utf8Length(d.locator), 6u);
        for (const std::string* value : {&d.name, &d.qth, &d.locator})
            ASSERT_EQ(DecodeText(*value), *value);
    }
    // Whatever state the link was left in, the queue drains once the server answers again.
    for (int i = 0; i < 1000 && (client.Busy() || client.QueuedRequests() > 0); ++i) {
        link.Accept();
        Advance(CallsignServerClient::kConnectGiveUpMs + CallsignServerClient::kReplyWaitMs);
    }
    EXPECT_FALSE(client.Busy());
    EXPECT_EQ(client.QueuedRequests(), 0u);
}

}  // namespace
}  // namespace muv
