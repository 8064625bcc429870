// The CAT engine against a rigctld that answers anything: the target plays rigctld on a loopback port,
// answering each command line the engine sends with the next record of the input, while the operator
// keys, releases, tunes and changes the mode in between. Whatever the answers, the engine keeps to
// what it may show (a rig type of valid UTF-8 within its length, a frequency, mode and PTT state it
// knows), sends a bounded number of commands for each answer, keeps a release it owes until the rig
// has been asked about its PTT, and from the moment it keys the rig until the release is confirmed
// keeps the release recorded for the crash handler.
//
// Records are separated by "`". A record that starts with "!" is the operator's: "!T1" keys, "!T0"
// releases, "!M<n>" sets the mode (USB, LSB, CW, CWR, PKTUSB, PKTLSB, AM, FM), "!F<hz>" tunes. Any
// other record is the bytes rigctld sends, line ends and all.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/cp1252.h"
#include "fuzz/fuzz_peers.h"
#include "fuzz/fuzz_support.h"
#include "platform/emergency_release.h"
#include "rig/rig_engine.h"

namespace {

using namespace muv::rigctl;

// Turns of the event loop without anything from the engine after which it is taken to be waiting.
constexpr int kQuietTurns = 12;

// rigctld's side: a listening socket and the engine's connection, both without blocking.
class FakeRigctld {
public:
    FakeRigctld() { listener_ = muv::fuzz::LoopbackListener(SOCK_NONBLOCK | SOCK_CLOEXEC, port_); }
    ~FakeRigctld() {
        if (connection_ >= 0) ::close(connection_);
        ::close(listener_);
    }

    // Answers the release of last resort that the engine sends, waiting for it, on a connection of its
    // own (it runs on a thread of its own while the engine waits for the answer), until stop is set.
    void AnswerLastResort(const std::atomic<bool>& stop) {
        while (!stop) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 1) <= 0) continue;
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            std::string line;
            char c = 0;
            while (line.size() < 100 && ::recv(fd, &c, 1, 0) == 1 && c != '\n')
                line += c;
            (void)::send(fd, "RPRT 0\n", 7, MSG_NOSIGNAL);
            ::close(fd);
        }
    }
    uint16_t Port() const { return port_; }

    // The command lines the engine has sent since the last call, once it has gone quiet: the last one
    // waits for its answer, the ones before it took lines of an earlier answer as theirs.
    std::vector<std::string> Commands() {
        std::vector<std::string> lines;
        for (int quiet = 0; quiet < kQuietTurns; ++quiet) {
            QCoreApplication::processEvents();
            if (const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                fd >= 0) {
                if (connection_ >= 0) ::close(connection_);
                connection_ = fd;
                inbox_.clear();
                quiet = 0;
            }
            if (connection_ < 0) continue;
            char buffer[4096];
            const ssize_t n = ::recv(connection_, buffer, sizeof buffer, 0);
            if (n > 0) {
                inbox_.append(buffer, static_cast<size_t>(n));
                quiet = 0;
            } else if (n == 0) {
                ::close(connection_);
                connection_ = -1;
            }
            for (size_t eol; (eol = inbox_.find('\n')) != std::string::npos;) {
                lines.push_back(inbox_.substr(0, eol));
                inbox_.erase(0, eol + 1);
            }
        }
        return lines;
    }
    void Send(std::string_view bytes) {
        if (connection_ >= 0) (void)::send(connection_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }

private:
    int listener_ = -1;
    int connection_ = -1;
    uint16_t port_ = 0;
    std::string inbox_;
};

constexpr int32_t kModes[] = {PM_SSB_U, PM_SSB_L, PM_CW_U, PM_CW_L, PM_DIG_U, PM_DIG_L, PM_AM, PM_FM};

void CheckShown(muv::Rig& rig) {
    MUV_FUZZ_REQUIRE(muv::fuzz::ValidUtf8(rig.RigType()));
    MUV_FUZZ_REQUIRE(muv::Utf8Length(rig.RigType()) <= 64);
    MUV_FUZZ_REQUIRE(muv::fuzz::ValidUtf8(rig.StatusStr()));
    MUV_FUZZ_REQUIRE(rig.Freq() >= 0 && rig.GetTxFrequency() >= 0);
    MUV_FUZZ_REQUIRE(rig.Tx() == 0 || rig.Tx() == PM_TX || rig.Tx() == PM_RX);
    bool knownMode = rig.Mode() == 0;
    for (int32_t m : kModes)
        knownMode = knownMode || rig.Mode() == m;
    MUV_FUZZ_REQUIRE(knownMode);
}

bool AsksPtt(std::string_view command) {
    return command.starts_with("+t") || command.starts_with("+T");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    new QCoreApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view script = muv::fuzz::Text(data, size);
    muv::emergency::ClearCatRelease(1);
    FakeRigctld rigctld;
    auto engine = std::make_unique<muv::RigEngine>();
    engine->SetPollInterval(24 * 3600 * 1000);
    engine->SetReplyTimeout(24 * 3600 * 1000);
    engine->SetEndpoint(1, "127.0.0.1:" + std::to_string(rigctld.Port()));
    muv::Rig& rig = engine->Rig1();

    // A release owed, and whether the rig has been asked about its PTT since (or was being asked when
    // the release began): only the answer to such a question confirms it.
    bool owed = false, pttAsked = false;
    // The rig has been told to key, and has neither refused nor confirmed a release since.
    bool keyed = false;
    // The engine has told of a refused key since the last step (the refusal it shows may be gone by
    // then, with a connection dropped after it).
    bool keyRefused = false;
    engine->PttRefused = [&](int n) { keyRefused = keyRefused || n == 1; };
    std::string lastCommand;
    auto step = [&](const std::vector<std::string>& commands) {
        bool asked = false;
        for (const std::string& c : commands) {
            asked = asked || AsksPtt(c);
            if (c.starts_with("+T") && c.ends_with(" 1")) keyed = true;
        }
        const bool askedBefore = AsksPtt(lastCommand);
        if (!commands.empty()) lastCommand = commands.back();
        MUV_FUZZ_REQUIRE(commands.size() <= 32);
        CheckShown(rig);
        if (owed) {
            pttAsked = pttAsked || asked;
            if (!rig.ReleasePending()) {
                MUV_FUZZ_REQUIRE(pttAsked);
                keyed = false;
            }
        } else if (rig.ReleasePending()) {
            pttAsked = asked || askedBefore;
        }
        owed = rig.ReleasePending();
        if (rig.RefusesPtt() || keyRefused) keyed = false;
        keyRefused = false;
        // While the transmitter may be on the air, a crash still releases it.
        if (keyed) MUV_FUZZ_REQUIRE(muv::emergency::CatReleaseRecorded(1));
    };

    while (!script.empty()) {
        const size_t end = script.find('`');
        const std::string_view record = script.substr(0, end);
        script = end == std::string_view::npos ? std::string_view{} : script.substr(end + 1);
        if (record.starts_with("!")) {
            const std::string_view rest = record.substr(1);
            if (rest.starts_with("T")) {
                const bool key = rest.substr(1).starts_with("1");
                rig.SetTx(key ? PM_TX : PM_RX);
                // Keying again takes the place of a release owed.
                if (key) owed = rig.ReleasePending();
            } else if (rest.starts_with("M") && rest.size() > 1) {
                rig.SetMode(kModes[static_cast<unsigned char>(rest[1]) % std::size(kModes)]);
            } else if (rest.starts_with("F")) {
                int32_t hz = 0;
                for (char d : rest.substr(1, 9))
                    if (d >= '0' && d <= '9') hz = hz * 10 + (d - '0');
                rig.SetSimplexMode(hz);
            }
            step({});
            continue;
        }
        // The answer goes to the command the engine waits on (or, when it waits on none, unasked).
        step(rigctld.Commands());
        rigctld.Send(record);
    }
    // What the engine makes of the last answer.
    step(rigctld.Commands());
    // The engine goes as the program ends, releasing a rig it may have keyed.
    std::atomic<bool> stop{false};
    std::thread lastResort;
    if (rig.MayBeKeyed()) lastResort = std::thread([&] { rigctld.AnswerLastResort(stop); });
    engine.reset();
    stop = true;
    if (lastResort.joinable()) lastResort.join();
    return 0;
}
