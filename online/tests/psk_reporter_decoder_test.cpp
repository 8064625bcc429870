// The whole way out: decoded callsigns go through the reporter and the UDP sender to a loopback port,
// and the datagrams caught there are read back by ipfixDump (libfixbuf), a decoder written elsewhere,
// told the service's element names and types. What it reads is what the service would store.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QUdpSocket>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>

#include "online/psk_reporter.h"
#include "platform/qt/qt_udp_sender.h"
#include "test_support/qt_app.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

constexpr int64_t kStart = 1733700000;

struct FakeClock : ReportClock {
    int64_t NowSeconds() const override { return now; }
    int64_t now = kStart;
};

using DecodedRecord = std::map<std::string, std::string>;

struct Decoded {
    std::vector<DecodedRecord> records;
    std::string errors;
};

// ipfixDump's data records as name -> value, strings without their "(len: n) " prefix.
Decoded RunIpfixDump(const QString& program, const std::string& file) {
    QProcess dump;
    dump.start(program, {"-e", QStringLiteral(MUV_REPORT_ELEMENTS), "-i", QString::fromStdString(file)});
    Decoded out;
    if (!dump.waitForFinished(30000)) {
        out.errors = "ipfixDump did not finish";
        return out;
    }
    out.errors = dump.readAllStandardError().toStdString();
    std::istringstream lines(dump.readAllStandardOutput().toStdString());
    std::string line;
    bool inData = false;
    while (std::getline(lines, line)) {
        if (line.rfind("--- ", 0) == 0) {
            inData = line.find("data record") != std::string::npos;
            if (inData) out.records.emplace_back();
            continue;
        }
        if (!inData || line.rfind("\t(", 0) != 0) continue;
        const size_t colon = line.find(" : ");
        if (colon == std::string::npos) continue;
        const size_t nameStart = line.find_last_of(" \t", colon - 1) + 1;
        std::string value = line.substr(colon + 3);
        if (value.rfind("(len: ", 0) == 0) value = value.substr(value.find(") ") + 2);
        out.records.back()[line.substr(nameStart, colon - nameStart)] = value;
    }
    return out;
}

std::string UtcText(int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

// Reads what has reached the collector until it holds count datagrams in all.
bool Catch(QUdpSocket& collector, std::vector<QByteArray>& datagrams, size_t count) {
    return test::WaitFor([&] {
        while (collector.hasPendingDatagrams()) {
            QByteArray d(static_cast<qsizetype>(collector.pendingDatagramSize()), '\0');
            collector.readDatagram(d.data(), d.size());
            datagrams.push_back(d);
        }
        return datagrams.size() >= count;
    });
}

// The datagrams, one after the other in a file, as ipfixDump reads them.
Decoded Decode(const QString& ipfixDump, const std::vector<QByteArray>& datagrams) {
    test::ScratchFolder folder("psk_reporter");
    const std::string file = folder.Path("caught.ipfix");
    {
        std::ofstream out(file, std::ios::binary);
        for (const QByteArray& d : datagrams)
            out.write(d.constData(), d.size());
    }
    return RunIpfixDump(ipfixDump, file);
}

// The module on a fake clock, reporting to a collector on loopback whose datagrams the decoder reads.
class PskReporterDecoderTest : public test::QtAppTest {
protected:
    void SetUp() override {
        ipfixDump = QStandardPaths::findExecutable(QStringLiteral("ipfixDump"));
        if (ipfixDump.isEmpty()) GTEST_SKIP() << "ipfixDump (Debian package libfixbuf-tools) is not installed";
        ASSERT_TRUE(collector.bind(QHostAddress::LocalHost, 0));
        module.PskReporterStart("127.0.0.1", collector.localPort());
    }

    QString ipfixDump;
    QUdpSocket collector;
    QtUdpSender sender;
    FakeClock clock;
    PskReporter module{sender, clock};
};

TEST_F(PskReporterDecoderTest, TheDecoderReadsTheStationTheHeardCallsAndTheirTimes) {
    // With CAT and the heard station's locator; then, 40 s later (no tick between), without CAT and
    // without a locator (the program passes "AA" then), on a microwave band.
    module.PskReporterSeen("EA4xyz/P", "K1ABC", "in80dd", "FN42HN", "14070300", "MUV16_2000_|||~~",
                           "v5.8.4+CAT");
    clock.now += 40;
    module.PskReporterSeen("EA4xyz/P", "G4AAA", "IN80DD", "AA", "10368100000", "MUV1_500_|~~~~", "v5.8.4");
    for (int i = 0; i < 60; ++i) {
        clock.now += 5;
        module.PskReporterTickle();
    }

    std::vector<QByteArray> datagrams;
    ASSERT_TRUE(Catch(collector, datagrams, 2));
    test::RunEvents(100);
    EXPECT_FALSE(collector.hasPendingDatagrams());  // one datagram for each station, no more

    const Decoded decoded = Decode(ipfixDump, datagrams);
    // No complaint: templates accepted, sequence numbers in order.
    EXPECT_EQ(decoded.errors, "");
    ASSERT_EQ(decoded.records.size(), 4u);

    const DecodedRecord& station = decoded.records[0];
    EXPECT_EQ(station.at("receiverCallsign"), "EA4xyz/P");
    EXPECT_EQ(station.at("receiverLocator"), "IN80DD");
    EXPECT_EQ(station.at("decodingSoftware"), "MUV v5.8.4+CAT");
    EXPECT_EQ(station.at("antennaInformation"), "MUV16_2000_|||~~");

    const DecodedRecord& heard = decoded.records[1];
    EXPECT_EQ(heard.at("senderCallsign"), "K1ABC");
    EXPECT_EQ(heard.at("senderLocator"), "FN42hn");
    EXPECT_EQ(heard.at("frequency"), "14070300");
    EXPECT_EQ(heard.at("mode"), "MUV");
    EXPECT_EQ(heard.at("informationSource"), "1");
    EXPECT_EQ(heard.at("flowStartSeconds"), UtcText(kStart));

    EXPECT_EQ(decoded.records[2].at("decodingSoftware"), "MUV v5.8.4");
    EXPECT_EQ(decoded.records[2].at("antennaInformation"), "MUV1_500_|~~~~");
    const DecodedRecord& unlocated = decoded.records[3];
    EXPECT_EQ(unlocated.at("senderCallsign"), "G4AAA");
    EXPECT_EQ(unlocated.count("senderLocator"), 0u);
    EXPECT_EQ(unlocated.at("frequency"), "10368100000");
    EXPECT_EQ(unlocated.at("flowStartSeconds"), UtcText(kStart + 40));
}

// A session of a few minutes: the first station heard is on the service within a tick, the next waits
// five minutes (and a random part of a minute) after that datagram, and the last one, heard a moment
// before the program closes, goes at shut-down.
TEST_F(PskReporterDecoderTest, AShortSessionIsReportedWholeTheLastStationsAtShutDown) {
    auto tick = [&] {
        clock.now += 5;
        module.PskReporterTickle();
    };
    auto seen = [&](const char* call) {
        module.PskReporterSeen("EA4XYZ", call, "IN80DD", "", "14070300", "MUV16_2000_|||~~", "v5.8.4");
    };

    std::vector<QByteArray> datagrams;
    clock.now += 10;
    seen("K1ABC");
    tick();
    ASSERT_TRUE(Catch(collector, datagrams, 1));
    const int64_t first = clock.now;

    seen("G4AAA");
    while (clock.now + 5 < first + ReceptionReporter::kSendIntervalSeconds)
        tick();
    test::RunEvents(100);
    EXPECT_FALSE(collector.hasPendingDatagrams());
    EXPECT_EQ(module.Reporter().PendingCount(), 1u);
    const int64_t latest =
        first + ReceptionReporter::kSendIntervalSeconds + ReceptionReporter::kSendJitterSeconds;
    while (module.Reporter().PendingCount() > 0 && clock.now < latest)
        tick();
    EXPECT_EQ(module.Reporter().PendingCount(), 0u);
    ASSERT_TRUE(Catch(collector, datagrams, 2));
    const int64_t second = clock.now;
    EXPECT_GE(second, first + ReceptionReporter::kSendIntervalSeconds);

    tick();
    seen("JA1ZZZ");
    module.PskReporterFlush();  // the program closes
    ASSERT_TRUE(Catch(collector, datagrams, 3));
    test::RunEvents(100);
    EXPECT_FALSE(collector.hasPendingDatagrams());

    const Decoded decoded = Decode(ipfixDump, datagrams);
    EXPECT_EQ(decoded.errors, "");
    ASSERT_EQ(decoded.records.size(), 6u);
    const std::vector<std::pair<std::string, int64_t>> heard = {
        {"K1ABC", kStart + 10}, {"G4AAA", first}, {"JA1ZZZ", second + 5}};
    for (size_t i = 0; i < heard.size(); ++i) {
        EXPECT_EQ(decoded.records[2 * i].at("receiverCallsign"), "EA4XYZ");
        EXPECT_EQ(decoded.records[2 * i + 1].at("senderCallsign"), heard[i].first);
        EXPECT_EQ(decoded.records[2 * i + 1].at("flowStartSeconds"), UtcText(heard[i].second));
    }
}

}  // namespace
}  // namespace muv
