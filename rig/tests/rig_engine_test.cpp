#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "common/cp1252.h"
#include "rig/rig_engine.h"
#include "rig/tests/rig_peers.h"

namespace muv {
namespace {

using namespace rigctl;

class RigEngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
    void SetUp() override {
        engine.SetPollInterval(100);
        engine.StatusChange = [this](int n) { statusEvents.push_back(n); };
        engine.ParamsChange = [this](int n, int32_t params) { paramsEvents.emplace_back(n, params); };
        engine.RigTypeChange = [this](int n) { rigTypeEvents.push_back(n); };
        engine.ProtocolMismatch = [this](int n) { mismatchEvents.push_back(n); };
        engine.ReleaseUnconfirmed = [this](int n) { unconfirmedEvents.push_back(n); };
    }
    bool SawParams(int rig, int32_t bit) const {
        for (const auto& [n, params] : paramsEvents)
            if (n == rig && (params & bit) != 0) return true;
        return false;
    }

    RigEngine engine;
    std::vector<int> statusEvents, rigTypeEvents, mismatchEvents, unconfirmedEvents;
    std::vector<std::pair<int, int32_t>> paramsEvents;
};

TEST_F(RigEngineTest, FollowsARealRigctldThroughItsLifetime) {
    if (!Rigctld::Installed()) GTEST_SKIP() << "/usr/bin/rigctld is not installed";
    Rigctld rigctld;
    Rig& rig = engine.Rig1();
    engine.SetEndpoint(1, rigctld.Endpoint());
    ASSERT_TRUE(WaitFor([&] { return rig.Status() == ST_ONLINE; })) << rig.StatusStr();
    EXPECT_EQ(rig.StatusStr(), "Rig online");
    EXPECT_EQ(rig.GetRxFrequency(), 145000000);  // where the dummy rig starts
    EXPECT_EQ(rig.RigType(), "Hamlib Dummy");
    EXPECT_EQ(engine.Rig2().Status(), ST_NOTCONFIGURED);
    EXPECT_TRUE(
        WaitFor([&] { return SawParams(1, PM_FREQ) && !rigTypeEvents.empty() && !statusEvents.empty(); }));

    // Settings go out without waiting: the rig's values change only when the read-back comes.
    rig.SetSimplexMode(7074000);
    EXPECT_EQ(rig.GetRxFrequency(), 145000000);
    EXPECT_TRUE(WaitFor([&] { return rig.GetRxFrequency() == 7074000; }));
    EXPECT_EQ(rig.GetTxFrequency(), 7074000);

    rig.SetTx(PM_TX);
    EXPECT_TRUE(WaitFor([&] { return rig.Tx() == PM_TX; }));
    EXPECT_TRUE(WaitFor([&] { return SawParams(1, PM_TX); }));
    rig.SetTx(PM_RX);
    EXPECT_TRUE(WaitFor([&] { return rig.Tx() == PM_RX; }));
    rig.SetMode(PM_DIG_U);
    EXPECT_TRUE(WaitFor([&] { return rig.Mode() == PM_DIG_U; }));

    // rigctld gone: the rig goes offline and nothing is known of it; back again: online again.
    rigctld.Stop();
    EXPECT_TRUE(WaitFor([&] { return rig.Status() == ST_PORTBUSY; })) << rig.StatusStr();
    EXPECT_EQ(rig.StatusStr(), "rigctld not running on " + rigctld.Endpoint());
    EXPECT_EQ(rig.GetRxFrequency(), 0);
    rig.SetSimplexMode(3573000);  // dropped: no rig to take it
    rigctld.Start();
    EXPECT_TRUE(WaitFor([&] { return rig.Status() == ST_ONLINE; })) << rig.StatusStr();
    EXPECT_EQ(rig.GetRxFrequency(), 145000000);  // a new dummy rig
}

TEST_F(RigEngineTest, SilentPeersTimeOutAndForeignPeersFailTheHandshake) {
    engine.SetReplyTimeout(300);
    LoopbackPeer silent;
    LoopbackPeer foreign("SSH-2.0-Test\r\n");
    engine.SetEndpoint(1, silent.Endpoint());
    engine.SetEndpoint(2, foreign.Endpoint());
    EXPECT_EQ(engine.Rig1().StatusStr(), "Connecting to rigctld on " + silent.Endpoint());
    EXPECT_TRUE(WaitFor(
        [&] { return engine.Rig1().StatusStr() == "rigctld on " + silent.Endpoint() + " does not answer"; }));
    EXPECT_EQ(engine.Rig1().Status(), ST_NOTRESPONDING);
    EXPECT_TRUE(WaitFor([&] { return !mismatchEvents.empty(); }));
    EXPECT_EQ(mismatchEvents.front(), 2);
    EXPECT_EQ(engine.Rig2().StatusStr(), foreign.Endpoint() + " does not answer the rigctld protocol");

    engine.SetEndpoint(2, "somewhere:99999");
    EXPECT_EQ(engine.Rig2().Status(), ST_NOTCONFIGURED);
    engine.SetEndpoint(2, "");
    EXPECT_EQ(engine.Rig2().StatusStr(), "Rig 2: no rigctld address set");
}

// Misbehaving peers, each in a process of its own. They first pass the handshake where told to, then:
// data with no line end, a flood of short lines, or a one-megabyte answer.
void WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0) return;
        data += n;
        size -= static_cast<size_t>(n);
    }
}
void ReadLine(int fd) {
    char c = 0;
    while (::read(fd, &c, 1) == 1 && c != '\n') {
    }
}
void Handshake(int fd) {
    ReadLine(fd);
    WriteAll(fd, "0\n", 2);
    ReadLine(fd);
    const char caps[] = "dump_caps:\nModel name:\tFlood\nMfg name:\tTest\nRPRT 0\n";
    WriteAll(fd, caps, sizeof caps - 1);
}
void WriteForever(int fd, const char* unit) {
    static char block[64 * 1024];
    const size_t length = std::strlen(unit);
    for (size_t i = 0; i < sizeof block; ++i)
        block[i] = unit[i % length];
    const size_t whole = sizeof block / length * length;
    while (::write(fd, block, whole) > 0) {
    }
}
void NoLineEnd(int fd) {
    Handshake(fd);
    WriteForever(fd, "x");
}
void ShortLines(int fd) {
    Handshake(fd);
    WriteForever(fd, "x\n");
}
void HugeAnswer(int fd) {
    Handshake(fd);
    ReadLine(fd);
    static char answer[1 << 20];
    std::memset(answer, '1', sizeof answer);
    WriteAll(fd, "get_freq:\nFrequency: ", 21);
    WriteAll(fd, answer, sizeof answer);
    WriteAll(fd, "\nRPRT 0\n", 8);
    ReadLine(fd);
}

long ResidentKilobytes() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    long size = 0, resident = 0;
    if (f) {
        if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

TEST_F(RigEngineTest, FloodsNeitherGrowTheMemoryNorHoldUpTheEventLoop) {
    struct Case {
        ForkedPeer::Behaviour behaviour;
        const char* status;
    };
    const Case cases[] = {{NoLineEnd, "sent a line too long to be an answer"},
                          {ShortLines, "sent an oversized reply"},
                          {HugeAnswer, "sent a line too long to be an answer"}};
    for (const Case& c : cases) {
        ForkedPeer peer(c.behaviour);
        const long before = ResidentKilobytes();
        // A 1 ms timer stands for the sound pumps: the longest gap between its ticks is the longest stall.
        QElapsedTimer clock;
        qint64 last = 0, longest = 0;
        QTimer pump;
        QObject::connect(&pump, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        engine.SetEndpoint(1, peer.Endpoint());
        clock.start();
        pump.start(1);
        RunEvents(1500);
        pump.stop();
        const std::string status = engine.Rig1().StatusStr();
        EXPECT_NE(status.find(c.status), std::string::npos) << status;
        EXPECT_NE(engine.Rig1().Status(), ST_ONLINE);
        // A few ms when the machine is not busy; the bound leaves room for a loaded test machine and
        // still catches the seconds that a loop over the whole buffer took.
        EXPECT_LT(longest, 1000) << c.status;
        EXPECT_LT(ResidentKilobytes() - before, 16 * 1024) << c.status;
        std::printf("[ flood ] %s: longest stall %lld ms, memory %+ld kB\n", c.status,
                    static_cast<long long>(longest), ResidentKilobytes() - before);
        engine.SetEndpoint(1, "");
    }
}

// A peer that answers every command with a damaged form of rigctld's real answer: flipped, dropped and
// repeated bytes, cut lines, foreign numbers (hexadecimal, signs, exponents, overflows), stray bytes.
class MangledRigctld {
public:
    explicit MangledRigctld(uint32_t seed) : rng_(seed) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { Answer(*s); });
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    std::string Endpoint() const { return Loopback(server_.serverPort()); }
    int answers = 0;

private:
    void Answer(QTcpSocket& s) {
        while (s.canReadLine()) {
            const std::string command = s.readLine().trimmed().toStdString();
            // The handshake mostly passes, so that most of the damage reaches the answers to the polls.
            const bool handshake = command[0] == '\\';
            const std::string reply = handshake && rng_() % 8 ? Truth(command) : Mangle(Truth(command));
            s.write(reply.data(), static_cast<qint64>(reply.size()));
            ++answers;
        }
    }
    std::string Truth(const std::string& command) {
        static const char* const numbers[] = {"14074000", "0x10", "-5", "1e9",       "99999999999999",
                                              "7.5e6",    "nan",  "",   " 14074000", "14074000.000000",
                                              "+3",       "2"};
        const std::string n = numbers[rng_() % (sizeof numbers / sizeof *numbers)];
        if (command == "\\chk_vfo") return "0\n";
        if (command == "+\\dump_caps")
            return "dump_caps:\nModel name:\tD\xC0\xAFummy\nMfg name:\tHamlib\nRPRT 0\n";
        if (command == "+f") return "get_freq:\nFrequency: " + n + "\nRPRT 0\n";
        if (command == "+t") return "get_ptt:\nPTT: " + n + "\nRPRT " + n + "\n";
        if (command == "+m") return "get_mode:\nMode: USB\nPassband: " + n + "\nRPRT 0\n";
        if (command == "+s") return "get_split_vfo:\nSplit: " + n + "\nTX VFO: VFOA\nRPRT 0\n";
        if (command == "+i") return "get_split_freq:\nTX Frequency: " + n + "\nRPRT 0\n";
        return "RPRT " + n + "\n";
    }
    std::string Mangle(std::string text) {
        const int edits = static_cast<int>(rng_() % 4);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            const size_t at = rng_() % text.size();
            switch (rng_() % 5) {
                case 0:
                    text[at] = static_cast<char>(rng_());
                    break;
                case 1:
                    text.erase(at, 1 + rng_() % 8);
                    break;
                case 2:
                    text.insert(at, text.substr(at, rng_() % 16));
                    break;
                case 3:
                    text.insert(at, std::string(rng_() % 64, static_cast<char>(rng_())));
                    break;
                default:
                    text.resize(at);
                    break;
            }
        }
        return text;
    }

    std::mt19937 rng_;
    QTcpServer server_;
};

TEST_F(RigEngineTest, MangledAnswersNeverCrashAndLeaveOnlySaneValues) {
    engine.SetPollInterval(10);
    engine.SetReplyTimeout(50);
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        MangledRigctld peer(seed);
        engine.SetEndpoint(1, peer.Endpoint());
        const long before = ResidentKilobytes();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 1500) {
            RunEvents(20);
            const Rig& rig = engine.Rig1();
            ASSERT_GE(rig.Freq(), 0);
            ASSERT_TRUE(rig.Tx() == 0 || rig.Tx() == PM_TX || rig.Tx() == PM_RX) << rig.Tx();
            ASSERT_LE(Utf8Length(rig.RigType()), 64u);
            if (rig.Status() == ST_ONLINE)
                rig.Tx() == PM_TX ? engine.Rig1().SetTx(PM_RX) : engine.Rig1().SetTx(PM_TX);
        }
        EXPECT_GT(peer.answers, 50) << "seed " << seed;
        EXPECT_LT(ResidentKilobytes() - before, 16 * 1024);
        // An overlong form never stands for the character it spells.
        EXPECT_EQ(engine.Rig1().RigType().find('/'), std::string::npos) << engine.Rig1().RigType();
        engine.SetEndpoint(1, "");
    }
}

// A rigctld that answers correctly except for the frequency, which it gives as told, and the rig's
// capabilities, given as told when told.
class FrequencyPeer {
public:
    explicit FrequencyPeer(std::string frequency, std::string caps = {})
        : frequency_(std::move(frequency)), caps_(std::move(caps)) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection())
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    while (s->canReadLine()) {
                        const QByteArray command = s->readLine().trimmed();
                        if (command == "\\chk_vfo")
                            s->write("0\n");
                        else if (command == "+f")
                            s->write(("get_freq:\nFrequency: " + frequency_ + "\nRPRT 0\n").c_str());
                        else if (command == "+\\dump_caps" && !caps_.empty())
                            s->write(("dump_caps:\n" + caps_ + "RPRT 0\n").c_str());
                        else
                            s->write("RPRT 0\n");
                    }
                });
        });
    }
    std::string Endpoint() const { return Loopback(server_.serverPort()); }

private:
    std::string frequency_, caps_;
    QTcpServer server_;
};

TEST_F(RigEngineTest, OnlyPlainNumbersAreFrequencies) {
    const std::pair<const char*, int32_t> cases[] = {{"14074000", 14074000},
                                                     {"14074000.000000", 14074000},
                                                     {"0x10", 0},
                                                     {"1e9", 0},
                                                     {"-5", 0},
                                                     {"+7074000", 0},
                                                     {"99999999999", 0},
                                                     {"inf", 0},
                                                     {"7074000 Hz", 0},
                                                     {"3573000.4", 3573000}};
    for (const auto& [text, hz] : cases) {
        FrequencyPeer peer(text);
        engine.SetEndpoint(1, peer.Endpoint());
        ASSERT_TRUE(WaitFor([&] { return engine.Rig1().Status() == ST_ONLINE; })) << text;
        EXPECT_EQ(engine.Rig1().Freq(), hz) << text;
    }
}

// The rig's name as rigctld gives it, in UTF-8 or (from an older backend) Windows-1252, shown whole
// and cut to its characters.
TEST_F(RigEngineTest, TheRigsNameIsReadInEitherEncodingAndCutByCharacters) {
    const auto letters = [](int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += "Ж";
        return s;
    };
    const std::string maker(40, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {"Mfg name:\tRadio Espa\xF1ola\nModel name:\tDX-1\n", "Radio Española DX-1"},
        {"Mfg name:\tСвязь\nModel name:\tРадио-7\n", "Связь Радио-7"},
        {"Mfg name:\t" + maker + "\nModel name:\t" + letters(30) + "\n", maker + " " + letters(23)},
    };
    for (const auto& [caps, type] : cases) {
        FrequencyPeer peer("14074000", caps);
        engine.SetEndpoint(1, peer.Endpoint());
        ASSERT_TRUE(WaitFor([&] { return engine.Rig1().Status() == ST_ONLINE; })) << type;
        EXPECT_EQ(engine.Rig1().RigType(), type);
    }
}

// The transmitter is keyed through a proxy that the test controls, and the link fails around the release.
class CatReleaseTest : public RigEngineTest {
protected:
    void SetUp() override {
        RigEngineTest::SetUp();
        if (!Rigctld::Installed()) GTEST_SKIP() << "/usr/bin/rigctld is not installed";
        rigctld = std::make_unique<Rigctld>();
        proxy = std::make_unique<RigProxy>(rigctld->Port());
        engine.SetReplyTimeout(400);
        engine.SetReleaseConfirmTimeout(800);
        engine.SetEndpoint(1, proxy->Endpoint());
        ASSERT_TRUE(WaitFor([&] { return rig().Status() == ST_ONLINE; })) << rig().StatusStr();
        rig().SetTx(PM_TX);
        ASSERT_TRUE(WaitFor([&] { return rig().Tx() == PM_TX; }));
        ASSERT_EQ(RigctldPtt(rigctld->Port()), 1);
    }
    Rig& rig() { return engine.Rig1(); }
    bool ReleasedAtRigctld() {
        return WaitFor([&] { return !rig().ReleasePending(); }) && RigctldPtt(rigctld->Port()) == 0;
    }

    std::unique_ptr<Rigctld> rigctld;
    std::unique_ptr<RigProxy> proxy;
};

TEST_F(CatReleaseTest, ReleaseSurvivesALinkCutBeforeIt) {
    proxy->SetRefusing(true);
    proxy->Cut();
    rig().SetTx(PM_RX);  // the engine may not even know yet that the link is gone
    RunEvents(1200);
    EXPECT_TRUE(rig().ReleasePending());
    EXPECT_EQ(RigctldPtt(rigctld->Port()), 1);  // nothing could reach the rig meanwhile
    // Unconfirmed for longer than the confirm timeout: the operator is told, once.
    EXPECT_EQ(unconfirmedEvents, std::vector<int>{1});
    proxy->SetRefusing(false);
    EXPECT_TRUE(ReleasedAtRigctld());
    EXPECT_EQ(unconfirmedEvents.size(), 1u);
}

TEST_F(CatReleaseTest, ReleaseSurvivesAStallPastTheReplyTimeout) {
    proxy->SetStalled(true);
    rig().SetTx(PM_RX);  // held by the proxy: rigctld never sees it on this connection
    EXPECT_TRUE(WaitFor([&] { return rig().Status() == ST_NOTRESPONDING; }));
    proxy->SetStalled(false);
    EXPECT_TRUE(ReleasedAtRigctld());
}

TEST_F(CatReleaseTest, ReleaseSurvivesAResetWhileItIsQueued) {
    rig().SetTx(PM_RX);
    proxy->Cut();  // before the queued release has left the engine
    EXPECT_TRUE(ReleasedAtRigctld());
    EXPECT_GE(proxy->Connections(), 2);
}

// A rigctld whose rig is at times busy: it holds back its answer to a PTT reading while told to, and
// refuses releases while told to, with "RPRT -9" as rigctld gives a command the rig rejected. Otherwise
// it answers as rigctld does and keeps the PTT as it is set.
class BusyRig {
public:
    BusyRig() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection())
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { Answer(*s); });
        });
    }
    std::string Endpoint() const { return Loopback(server_.serverPort()); }
    // Answers the reading held back with the PTT state given, and answers on.
    void AnswerHeldReading(int value) {
        holdReadings = false;
        QTcpSocket* s = std::exchange(held, nullptr);
        s->write(Reading(value).c_str());
        Answer(*s);
    }

    bool holdReadings = false;
    QTcpSocket* held = nullptr;  // where a reading waits for its answer
    int releasesToRefuse = 0;
    int refusal = -9;  // what a refused release is answered (busy)
    int releases = 0;  // "T 0" heard
    int ptt = 0;

private:
    static std::string Reading(int value) { return "get_ptt:\nPTT: " + std::to_string(value) + "\nRPRT 0\n"; }
    void Answer(QTcpSocket& s) {
        while (held == nullptr && s.canReadLine()) {
            const QByteArray command = s.readLine().trimmed();
            std::string reply = "RPRT 0\n";
            if (command == "\\chk_vfo") {
                reply = "0\n";
            } else if (command == "+\\dump_caps") {
                reply = "dump_caps:\nModel name:\tBusy\nMfg name:\tTest\nRPRT 0\n";
            } else if (command == "+f") {
                reply = "get_freq:\nFrequency: 14074000\nRPRT 0\n";
            } else if (command == "+t") {
                if (holdReadings) {
                    held = &s;
                    return;
                }
                reply = Reading(ptt);
            } else if (command == "+T 1") {
                ptt = 1;
            } else if (command == "+T 0") {
                ++releases;
                if (releasesToRefuse > 0) {
                    --releasesToRefuse;
                    reply = "set_ptt: 0\nRPRT " + std::to_string(refusal) + "\n";
                } else {
                    ptt = 0;
                }
            }
            s.write(reply.c_str());
        }
    }

    QTcpServer server_;
};

// Rig 1 on the peer, online and keyed, with a minute for a release to be confirmed.
void KeyOn(RigEngine& engine, BusyRig& peer) {
    engine.SetReleaseConfirmTimeout(60000);
    Rig& rig = engine.Rig1();
    engine.SetEndpoint(1, peer.Endpoint());
    ASSERT_TRUE(WaitFor([&] { return rig.Status() == ST_ONLINE; })) << rig.StatusStr();
    rig.SetTx(PM_TX);
    ASSERT_TRUE(WaitFor([&] { return rig.Tx() == PM_TX && peer.ptt == 1; }));
}

// A PTT reading asked before the release is no confirmation of it, and a release that the rig refuses
// is still owed: it goes out again until the rig takes it and a reading asked after that says PTT off,
// and until then the shut-down would send it too.
TEST_F(RigEngineTest, OnlyAReadingAfterATakenReleaseConfirmsIt) {
    BusyRig peer;
    Rig& rig = engine.Rig1();
    ASSERT_NO_FATAL_FAILURE(KeyOn(engine, peer));

    // A poll's reading is on its way when the operator releases; its answer comes from before.
    peer.holdReadings = true;
    ASSERT_TRUE(WaitFor([&] { return peer.held != nullptr; }));
    rig.SetTx(PM_RX);
    peer.releasesToRefuse = 1000;
    peer.AnswerHeldReading(0);
    ASSERT_TRUE(WaitFor([&] { return peer.releases >= 2; })) << "the refused release is not sent again";
    EXPECT_EQ(peer.ptt, 1);
    EXPECT_TRUE(rig.ReleasePending());
    EXPECT_TRUE(rig.MayBeKeyed());
    peer.releasesToRefuse = 0;
    EXPECT_TRUE(WaitFor([&] { return !rig.ReleasePending(); }));
    EXPECT_EQ(peer.ptt, 0);
}

// A rig whose PTT CAT cannot work (keyed through another line): its refusal of the release is final,
// and a reading of 0 confirms the release.
TEST_F(RigEngineTest, AReleaseThatCatCannotCarryOutIsConfirmedByAReadingOfZero) {
    BusyRig peer;
    Rig& rig = engine.Rig1();
    ASSERT_NO_FATAL_FAILURE(KeyOn(engine, peer));
    peer.refusal = -11;
    peer.releasesToRefuse = 1000;
    peer.ptt = 0;
    rig.SetTx(PM_RX);
    EXPECT_TRUE(WaitFor([&] { return !rig.ReleasePending(); }));
    EXPECT_FALSE(rig.MayBeKeyed());
}

TEST_F(RigEngineTest, ShutDownReleasesOnAConnectionOfItsOwn) {
    if (!Rigctld::Installed()) GTEST_SKIP() << "/usr/bin/rigctld is not installed";
    Rigctld rigctld;
    engine.SetEndpoint(1, rigctld.Endpoint());
    ASSERT_TRUE(WaitFor([&] { return engine.Rig1().Status() == ST_ONLINE; }));
    engine.Rig1().SetTx(PM_TX);
    ASSERT_TRUE(WaitFor([&] { return RigctldPtt(rigctld.Port()) == 1; }));
    // The release is only queued on the engine's connection when the engine goes, and no event loop
    // will run again to send it.
    engine.Rig1().SetTx(PM_RX);
    engine.Shutdown();
    EXPECT_FALSE(engine.Rig1().ReleasePending());
    EXPECT_EQ(RigctldPtt(rigctld.Port()), 0);
}

TEST_F(RigEngineTest, ARigFoundKeyedOnConnectingIsReleased) {
    if (!Rigctld::Installed()) GTEST_SKIP() << "/usr/bin/rigctld is not installed";
    Rigctld rigctld;
    ASSERT_TRUE(WaitFor([&] { return RigctldSetPtt(rigctld.Port(), true); }, 3000));
    engine.SetEndpoint(1, rigctld.Endpoint());
    EXPECT_TRUE(WaitFor([&] { return engine.Rig1().Status() == ST_ONLINE; }));
    EXPECT_TRUE(WaitFor([&] { return !engine.Rig1().ReleasePending() && engine.Rig1().Tx() == PM_RX; }));
    EXPECT_EQ(RigctldPtt(rigctld.Port()), 0);

    // Keyed by someone else later, while connected: not the program's to release.
    ASSERT_TRUE(RigctldSetPtt(rigctld.Port(), true));
    RunEvents(500);
    EXPECT_EQ(RigctldPtt(rigctld.Port()), 1);
    EXPECT_TRUE(RigctldSetPtt(rigctld.Port(), false));
}

// A rig keyed by the program that loses its key (rigctld killed and started again with a rig that is not
// keyed, or the rig switched off and on) is keyed again as soon as it can be reached; one that stays
// unreachable, or refuses the new key, fails the transmission once.
TEST_F(RigEngineTest, AKeyLostWhileTransmittingIsRestoredOrTold) {
    if (!Rigctld::Installed()) GTEST_SKIP() << "/usr/bin/rigctld is not installed";
    std::vector<int> keyEvents, failures;
    engine.KeyStateChange = [&](int n) { keyEvents.push_back(n); };
    engine.KeyingFailed = [&](int n) { failures.push_back(n); };
    engine.SetReplyTimeout(500);
    engine.SetKeyRestoreTimeout(1500);
    Rigctld rigctld;
    Rig& rig = engine.Rig1();
    engine.SetEndpoint(1, rigctld.Endpoint());
    ASSERT_TRUE(WaitFor([&] { return rig.Status() == ST_ONLINE; }));
    rig.SetTx(PM_TX);
    ASSERT_TRUE(WaitFor([&] { return RigctldPtt(rigctld.Port()) == 1 && rig.KeyTaken(); }));
    EXPECT_FALSE(rig.KeyLost());

    // The rig switched off and on behind rigctld: the next reading says off, the key goes out again.
    ASSERT_TRUE(RigctldSetPtt(rigctld.Port(), false));
    EXPECT_TRUE(WaitFor([&] { return RigctldPtt(rigctld.Port()) == 1 && !rig.KeyLost(); }, 3000));
    EXPECT_FALSE(keyEvents.empty());

    // rigctld killed and back (a new dummy rig, unkeyed): keyed again after the reconnection.
    rigctld.Stop();
    EXPECT_TRUE(WaitFor([&] { return rig.KeyLost(); }, 3000));
    rigctld.Start();
    EXPECT_TRUE(WaitFor([&] { return RigctldPtt(rigctld.Port()) == 1 && !rig.KeyLost(); }, 5000))
        << rig.StatusStr();
    EXPECT_TRUE(WaitFor([&] { return rig.StatusStr() == "Rig online"; })) << rig.StatusStr();
    RunEvents(300);
    EXPECT_TRUE(failures.empty());

    // Gone for longer than the program waits: told once, and the release that follows is owed until
    // a rigctld confirms it.
    rigctld.Stop();
    EXPECT_TRUE(WaitFor([&] { return failures.size() == 1; }, 5000));
    RunEvents(500);
    EXPECT_EQ(failures.size(), 1u);
    rig.SetTx(PM_RX);
    EXPECT_TRUE(rig.ReleasePending() && !rig.KeyLost());
    rigctld.Start();
    EXPECT_TRUE(WaitFor([&] { return !rig.ReleasePending(); }, 5000));
    EXPECT_EQ(RigctldPtt(rigctld.Port()), 0);

    // Back without a PTT it can work: the new key is refused at once, and that fails the transmission.
    rig.SetTx(PM_TX);
    ASSERT_TRUE(WaitFor([&] { return RigctldPtt(rigctld.Port()) == 1 && rig.KeyTaken(); }));
    rigctld.Stop();
    Rigctld refusing(rigctld.Port(), Rigctld::Ptt::None);
    EXPECT_TRUE(WaitFor([&] { return failures.size() == 2; }, 5000));
    EXPECT_TRUE(rig.RefusesPtt());
    rig.SetTx(PM_RX);
}

}  // namespace
}  // namespace muv
