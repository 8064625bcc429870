// The reporter on a fake clock and a recording sender: the two records as the program builds them, the
// reading of those records whatever they hold, and the service's pace (the first reports at the next
// tick, then a datagram five minutes and a random part of a minute after the last at the soonest, sooner
// only when full; templates in the first three datagrams and hourly; a callsign once in five minutes).
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "online/psk_reporter.h"
#include "online/tests/ipfix_sets.h"

namespace muv {
namespace {

using test::IpfixFrame;
using test::ReadIpfixFrame;
using test::ReadReceiver;
using test::ReadSenders;

using namespace std::string_literals;

constexpr int64_t kStart = 1700000000;

struct RecordingSender : DatagramSender {
    void SetDestination(const std::string& h, uint16_t p) override {
        host = h;
        port = p;
    }
    bool Send(const std::string& datagram) override {
        if (!accept) return false;
        sent.push_back(datagram);
        return true;
    }
    std::string host;
    uint16_t port = 0;
    bool accept = true;
    std::vector<std::string> sent;
};

struct FakeClock : ReportClock {
    int64_t NowSeconds() const override { return now; }
    int64_t now = kStart;
};

class PskReporterTest : public ::testing::Test {
protected:
    void SetUp() override { module.PskReporterStart("report.example", 4739); }

    void Seen(const std::string& call, const std::string& locator = "", const std::string& own = "EA4xyz",
              const std::string& version = "v5.8.4", const std::string& frequency = "14070300",
              const std::string& antenna = "MUV16_2000_|||~~") {
        module.PskReporterSeen(own, call, "in80dd", locator, frequency, antenna, version);
    }
    // Lets time pass in the main window's 5-second ticks.
    void Pass(int seconds) {
        for (int t = 0; t < seconds; t += 5) {
            clock.now += 5;
            module.PskReporterTickle();
        }
    }
    // Lets time pass until a datagram leaves; false when none does within the longest interval.
    bool PassUntilSent() {
        const size_t before = sender.sent.size();
        const int64_t longest =
            ReceptionReporter::kSendIntervalSeconds + ReceptionReporter::kSendJitterSeconds + 5;
        for (int64_t t = 0; t < longest && sender.sent.size() == before; t += 5)
            Pass(5);
        return sender.sent.size() > before;
    }
    IpfixFrame Frame(size_t i) const { return ReadIpfixFrame(sender.sent.at(i)); }

    RecordingSender sender;
    FakeClock clock;
    PskReporter module{sender, clock, 0x12345678};
};

TEST(PskReporterRecordsTest, KeysAndValuesEachEndWithNulAndTheRecordWithOneMore) {
    const std::string remote = BuildRemoteRecord("K1ABC", "", "14070300");
    EXPECT_EQ(remote, "call\0K1ABC\0mode\0MUV\0gridsquare\0AA\0freq\00014070300\0\0"s);
    EXPECT_EQ(BuildRemoteRecord("K1ABC", "FN42HN", "7040000").substr(20, 18), "gridsquare\0FN42HN\0"s);
    const std::string local = BuildLocalRecord("EA4xyz/p", "in80dd", "v5.8.4+CAT", "MUV16_2000_|~");
    EXPECT_EQ(local,
              "station_callsign\0EA4xyz/p\0my_gridsquare\0IN80DD\0programid\0MUV\0"
              "programversion\0v5.8.4+CAT\0my_antenna\0MUV16_2000_|~\0\0"s);

    const ReportRecord parsed = ParseReportRecord(local);
    ASSERT_EQ(parsed.size(), 5u);
    EXPECT_EQ(parsed.at("station_callsign"), "EA4xyz/p");
    EXPECT_EQ(parsed.at("programversion"), "v5.8.4+CAT");
}

TEST(PskReporterRecordsTest, OddRecordsAreReadAsFarAsTheyMakeSense) {
    EXPECT_TRUE(ParseReportRecord("").empty());
    EXPECT_TRUE(ParseReportRecord("\0\0"s).empty());
    // No closing NUL, a key without its value, a value not closed.
    EXPECT_EQ(ParseReportRecord("call\0K1ABC\0"s).at("call"), "K1ABC");
    EXPECT_EQ(ParseReportRecord("call\0K1ABC\0mode"s).size(), 1u);
    EXPECT_EQ(ParseReportRecord("call\0K1A"s).size(), 0u);
    // A repeated key keeps its first value; empty values are values.
    const ReportRecord twice = ParseReportRecord("call\0A1\0call\0B2\0freq\0\0\0"s);
    EXPECT_EQ(twice.at("call"), "A1");
    EXPECT_EQ(twice.at("freq"), "");
    // At most 32 pairs and 4096 bytes are read.
    std::string many;
    for (int i = 0; i < 100; ++i)
        many += "k" + std::to_string(i) + "\0v\0"s;
    EXPECT_EQ(ParseReportRecord(many).size(), kMaxRecordPairs);
    const std::string huge = "call\0"s + std::string(10000, 'K') + "\0\0"s;
    EXPECT_TRUE(ParseReportRecord(huge).empty());
}

TEST_F(PskReporterTest, TheFirstReportsLeaveAtTheNextTickAndLaterOnesWaitForTheInterval) {
    EXPECT_EQ(sender.host, "report.example");
    EXPECT_EQ(sender.port, 4739);
    Seen("K1ABC", "FN42HN");
    clock.now += 3;
    Seen("G4AAA/P");
    EXPECT_TRUE(sender.sent.empty());
    Pass(5);
    ASSERT_EQ(sender.sent.size(), 1u);
    const IpfixFrame f = Frame(0);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.exportTime, kStart + 8);
    EXPECT_EQ(f.sequenceNumber, 0u);
    EXPECT_EQ(f.observationDomain, 0x12345678u);
    EXPECT_TRUE(f.HasSet(2) && f.HasSet(3));
    EXPECT_EQ(ReadReceiver(f),
              (std::vector<std::string>{"EA4xyz", "IN80DD", "MUV v5.8.4", "MUV16_2000_|||~~"}));
    const auto senders = ReadSenders(f);
    ASSERT_EQ(senders.size(), 2u);
    EXPECT_EQ(senders[0].callsign, "K1ABC");
    EXPECT_EQ(senders[0].locator, "FN42hn");
    EXPECT_EQ(senders[0].frequencyHz, 14070300u);
    EXPECT_EQ(senders[0].mode, "MUV");
    EXPECT_EQ(senders[0].source, 1);
    EXPECT_EQ(senders[0].flowStart, kStart);  // when each was decoded
    EXPECT_EQ(senders[1].callsign, "G4AAA/P");
    EXPECT_EQ(senders[1].locator, "");  // "AA": sent without a locator
    EXPECT_EQ(senders[1].flowStart, kStart + 3);
    EXPECT_EQ(module.Reporter().PendingCount(), 0u);

    // The next report waits five minutes and a random part of a minute from that datagram; the sequence
    // number counts the data records sent before.
    Seen("JA1ZZZ");
    Pass(295);
    EXPECT_EQ(sender.sent.size(), 1u);
    ASSERT_TRUE(PassUntilSent());
    EXPECT_GE(Frame(1).exportTime, kStart + 8 + ReceptionReporter::kSendIntervalSeconds);
    constexpr int64_t kLongest =
        ReceptionReporter::kSendIntervalSeconds + ReceptionReporter::kSendJitterSeconds;
    EXPECT_LE(Frame(1).exportTime, kStart + 8 + kLongest + 5);
    EXPECT_EQ(Frame(1).sequenceNumber, 3u);
    // Nothing waiting: nothing sent; a report after a quiet spell goes at the next tick.
    Pass(900);
    EXPECT_EQ(sender.sent.size(), 2u);
    Seen("W1AW");
    Pass(5);
    EXPECT_EQ(sender.sent.size(), 3u);

    // What waits at shut-down goes at once.
    Seen("VE3XX");
    module.PskReporterFlush();
    ASSERT_EQ(sender.sent.size(), 4u);
    EXPECT_EQ(ReadSenders(Frame(3)).at(0).callsign, "VE3XX");
    module.PskReporterFlush();
    EXPECT_EQ(sender.sent.size(), 4u);
}

TEST_F(PskReporterTest, TemplatesGoInTheFirstThreeDatagramsAndThenOnceAnHourAtRandomIntervals) {
    for (int i = 0; i < 18; ++i) {
        Seen("K" + std::to_string(i) + "AA");
        ASSERT_TRUE(PassUntilSent());
    }
    ASSERT_EQ(sender.sent.size(), 18u);
    int64_t lastTemplates = 0;
    int refreshes = 0;
    std::set<int64_t> gaps;
    for (size_t i = 0; i < 18; ++i) {
        const IpfixFrame f = Frame(i);
        ASSERT_TRUE(f.ok);
        EXPECT_EQ(f.HasSet(3), f.HasSet(2));
        const bool due = i < 3 || f.exportTime - lastTemplates >= 3600;
        EXPECT_EQ(f.HasSet(2), due) << i;
        if (due) lastTemplates = f.exportTime;
        if (i >= 3 && due) ++refreshes;
        if (i == 0) continue;
        // Reports that wait go five minutes and a random part of a minute after the datagram before.
        const int64_t gap = f.exportTime - Frame(i - 1).exportTime;
        EXPECT_GE(gap, ReceptionReporter::kSendIntervalSeconds);
        EXPECT_LE(gap, ReceptionReporter::kSendIntervalSeconds + ReceptionReporter::kSendJitterSeconds + 5);
        gaps.insert(gap);
    }
    EXPECT_EQ(refreshes, 1);
    EXPECT_GT(gaps.size(), 3u);
}

TEST_F(PskReporterTest, OnlyCleanCallsignsRealFrequenciesAndValidLocatorsGoOut) {
    Seen("k1abc\r\nDX #1");  // text from the air: only letters, digits and "/", in capitals
    Seen("#\r\n-");          // nothing left: not reported
    Seen("W1AW", "AA");
    Seen("VE3XX", "fn03");  // not a six-character locator
    Seen("DL1AB", "jo62QM");
    Seen("F5ZZ", "", "EA4xyz", "v5.8.4", "");        // no frequency
    Seen("F6ZZ", "", "EA4xyz", "v5.8.4", "-14070");  // not a frequency
    Seen("F7ZZ", "", "");                            // no own callsign
    Pass(300);
    ASSERT_EQ(sender.sent.size(), 1u);
    const auto senders = ReadSenders(Frame(0));
    std::map<std::string, std::string> got;
    for (const auto& s : senders)
        got[s.callsign] = s.locator;
    EXPECT_EQ(got, (std::map<std::string, std::string>{
                       {"K1ABCDX1", ""}, {"W1AW", ""}, {"VE3XX", ""}, {"DL1AB", "JO62qm"}}));
}

TEST_F(PskReporterTest, ACallsignIsReportedOnceInFiveMinutesAndALocatorLearntLaterIsKept) {
    Seen("W1AW");
    Pass(5);  // the first datagram: what follows waits for the interval
    Seen("K1ABC");
    Pass(60);
    Seen("K1ABC", "FN42HN");  // the same station again, now with its locator
    Pass(200);
    Seen("K1ABC");
    EXPECT_EQ(module.Reporter().PendingCount(), 1u);
    ASSERT_TRUE(PassUntilSent());
    ASSERT_EQ(sender.sent.size(), 2u);
    const auto senders = ReadSenders(Frame(1));
    ASSERT_EQ(senders.size(), 1u);
    EXPECT_EQ(senders[0].locator, "FN42hn");
    EXPECT_EQ(senders[0].flowStart, kStart + 5);

    Seen("K1ABC");  // five minutes after it was first kept
    EXPECT_EQ(module.Reporter().PendingCount(), 1u);
}

TEST_F(PskReporterTest, AFullDatagramLeavesAtOnceAndTheRestWaitsForItsTime) {
    Seen("W1AW");
    Pass(5);  // the first datagram: what follows waits for the interval
    for (int i = 0; i < 150; ++i)
        Seen("EA" + std::to_string(1000 + i), "IN80DD");
    Pass(5);
    ASSERT_GT(sender.sent.size(), 1u);
    const size_t early = sender.sent.size();
    size_t reported = 0;
    for (size_t i = 1; i < early; ++i) {
        const std::string& d = sender.sent[i];
        EXPECT_LE(d.size(), ReceptionReporter::kMaxDatagramBytes);
        EXPECT_GT(d.size(), ReceptionReporter::kMaxDatagramBytes - 40);  // full, not just started
        reported += ReadSenders(ReadIpfixFrame(d)).size();
    }
    EXPECT_GT(module.Reporter().PendingCount(), 0u);
    EXPECT_EQ(reported + module.Reporter().PendingCount(), 150u);
    Pass(290);
    EXPECT_EQ(sender.sent.size(), early);
    ASSERT_TRUE(PassUntilSent());
    EXPECT_EQ(module.Reporter().PendingCount(), 0u);
    std::set<std::string> calls;
    uint32_t sequence = 0;
    for (size_t i = 0; i < sender.sent.size(); ++i) {
        const IpfixFrame f = Frame(i);
        EXPECT_EQ(f.sequenceNumber, sequence);
        const auto senders = ReadSenders(f);
        sequence += static_cast<uint32_t>(senders.size() + 1);
        for (const auto& s : senders)
            calls.insert(s.callsign);
    }
    EXPECT_EQ(calls.size(), 151u);

    // However many decodes arrive between ticks, only so many reports wait.
    for (int i = 0; i < 1500; ++i)
        Seen("K" + std::to_string(10000 + i));
    EXPECT_EQ(module.Reporter().PendingCount(), ReceptionReporter::kMaxPendingReports);
}

TEST_F(PskReporterTest, EachStationGoesInItsOwnDatagramWithItsLatestAntennaText) {
    Seen("K1ABC", "", "EA4xyz", "v5.8.4", "14070300", "MUV16_2000_|~~~~");
    Seen("K2ABC", "", "EA4xyz", "v5.8.4+CAT", "14070300", "MUV16_2000_||~~~");
    Seen("K3ABC", "", "EA4xyz", "v5.8.4", "14070300", "MUV16_2000_|||~~");
    Pass(300);
    ASSERT_EQ(sender.sent.size(), 2u);
    EXPECT_EQ(ReadReceiver(Frame(0))[2], "MUV v5.8.4");
    EXPECT_EQ(ReadReceiver(Frame(0))[3], "MUV16_2000_|||~~");
    EXPECT_EQ(ReadSenders(Frame(0)).size(), 2u);
    EXPECT_EQ(ReadReceiver(Frame(1))[2], "MUV v5.8.4+CAT");
    EXPECT_EQ(ReadSenders(Frame(1)).at(0).callsign, "K2ABC");
    EXPECT_EQ(Frame(1).sequenceNumber, 3u);
}

TEST_F(PskReporterTest, ADroppedDatagramTakesItsReportsAndTheTemplatesComeAgain) {
    sender.accept = false;
    Seen("K1ABC");
    Pass(5);
    EXPECT_EQ(module.Reporter().PendingCount(), 0u);
    sender.accept = true;
    for (int i = 0; i < 3; ++i) {
        Seen("K" + std::to_string(i + 2) + "ABC");
        ASSERT_TRUE(PassUntilSent());
    }
    ASSERT_EQ(sender.sent.size(), 3u);
    EXPECT_TRUE(Frame(2).HasSet(2));
    EXPECT_EQ(Frame(0).sequenceNumber, 0u);
}

TEST_F(PskReporterTest, AClockSetBackDoesNotHoldTheReportsBack) {
    clock.now -= 86400;
    Seen("K1ABC");
    Pass(305);
    EXPECT_EQ(sender.sent.size(), 1u);
    // Forward by a day: the next report goes at the next tick.
    clock.now += 86400;
    Seen("K2ABC");
    Pass(5);
    EXPECT_EQ(sender.sent.size(), 2u);
}

TEST(PskReporterStartTest, NothingIsSentBeforeTheStart) {
    RecordingSender sender;
    FakeClock clock;
    PskReporter module(sender, clock);
    EXPECT_NE(module.Reporter().ObservationDomain(), 0u);
    module.PskReporterSeen("EA4XYZ", "K1ABC", "IN80DD", "", "14070300", "x", "v5.8.4");
    for (int i = 0; i < 100; ++i) {
        clock.now += 5;
        module.PskReporterTickle();
    }
    EXPECT_TRUE(sender.sent.empty());
    module.PskReporterFlush();
    EXPECT_TRUE(sender.sent.empty());
    module.PskReporterStart("127.0.0.1", 4739);
    clock.now += 5;
    module.PskReporterTickle();
    EXPECT_EQ(sender.sent.size(), 1u);
}

// Random bytes and damaged records, fed to the reader and the reporter: nothing fails, what is kept stays
// bounded, and every datagram is well framed and carries only clean callsigns and valid locators.
TEST(PskReporterFuzzTest, RandomAndDamagedRecordsNeverBreakTheReporter) {
    std::mt19937 rng(20241209);
    RecordingSender sender;
    FakeClock clock;
    ReceptionReporter reporter(sender, clock, 99);
    reporter.Initialize("h", 1);
    const std::vector<std::string> seeds = {
        BuildRemoteRecord("K1ABC", "FN42HN", "14070300"), BuildRemoteRecord("G4AAA/P", "", "7040000"),
        BuildLocalRecord("EA4xyz", "in80dd", "v5.8.4+CAT", "MUV16_2000_|||~~"), std::string("\0\0\0", 3), ""};
    auto mutate = [&](std::string s) {
        const int edits = static_cast<int>(rng() % 6);
        for (int e = 0; e < edits; ++e) {
            const size_t at = s.empty() ? 0 : rng() % (s.size() + 1);
            switch (rng() % 5) {
                case 0:
                    s.insert(at, 1, static_cast<char>(rng()));
                    break;
                case 1:
                    if (at < s.size()) s.erase(at, 1);
                    break;
                case 2:
                    s.insert(at, 1, '\0');
                    break;
                case 3:
                    s = s.substr(0, at);
                    break;
                default:
                    s.insert(at, std::string(rng() % 300, static_cast<char>('A' + rng() % 26)));
            }
        }
        return s;
    };
    auto random = [&] {
        std::string s(rng() % 200, '\0');
        for (char& c : s)
            c = static_cast<char>(rng() % 4 == 0 ? 0 : rng());
        return s;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::string remote = rng() % 3 == 0 ? random() : mutate(seeds[rng() % seeds.size()]);
        const std::string local = rng() % 3 == 0 ? random() : mutate(seeds[2 + rng() % 3]);
        const ReportRecord pairs = ParseReportRecord(remote);
        ASSERT_LE(pairs.size(), kMaxRecordPairs);
        for (const auto& [key, value] : pairs) {
            ASSERT_FALSE(key.empty());
            ASSERT_LE(key.size() + value.size(), kMaxRecordBytes);
        }
        reporter.SeenCallsign(remote, local, static_cast<int32_t>(rng()));
        ASSERT_LE(reporter.PendingCount(), ReceptionReporter::kMaxPendingReports);
        if (i % 50 == 0) {
            clock.now += 5 + static_cast<int64_t>(rng() % 200);
            reporter.Tickle();
        }
    }
    clock.now += 600;
    reporter.Tickle();
    EXPECT_EQ(reporter.PendingCount(), 0u);
    ASSERT_FALSE(sender.sent.empty());
    for (const std::string& d : sender.sent) {
        const IpfixFrame f = ReadIpfixFrame(d);
        ASSERT_TRUE(f.ok);
        for (const auto& s : ReadSenders(f)) {
            ASSERT_FALSE(s.callsign.empty());
            ASSERT_EQ(s.callsign.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/"),
                      std::string::npos);
            ASSERT_TRUE(s.locator.empty() || s.locator.size() == 6);
            ASSERT_GT(s.frequencyHz, 0u);
            ASSERT_NE(s.source & 0x03, 0);
        }
    }
}

}  // namespace
}  // namespace muv
