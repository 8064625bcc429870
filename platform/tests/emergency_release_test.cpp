// The release of last resort: a process that crashes while it has the transmitter keyed releases it on
// its way out, by CAT through a real rigctld and on the serial line (here a pseudo-terminal).
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/emergency_release.h"

namespace muv {
namespace {

sockaddr_in LoopbackAddress(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

uint16_t FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = LoopbackAddress(0);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t length = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}

// One command to rigctld on a connection of its own; its first answer line, "" when there is none. A
// connection that a busy rigctld resets is tried again.
std::string Ask(uint16_t port, const std::string& command) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = LoopbackAddress(port);
        std::string answer;
        bool ended = false;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
            const std::string line = command + "\n";
            if (::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size())) {
                char c = 0;
                while (::read(fd, &c, 1) == 1) {
                    if (c == '\n') {
                        ended = true;
                        break;
                    }
                    answer.push_back(c);
                }
            }
        }
        ::close(fd);
        if (ended) return answer;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}

class RigctldProcess {
public:
    RigctldProcess() : port_(FreePort()) {
        pid_ = ::fork();
        if (pid_ == 0) {
            const std::string port = std::to_string(port_);
            ::execl("/usr/bin/rigctld", "rigctld", "-m", "1", "-P", "RIG", "-T", "127.0.0.1", "-t",
                    port.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 200 && Ask(port_, "t").empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ~RigctldProcess() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    uint16_t Port() const { return port_; }

private:
    uint16_t port_;
    pid_t pid_ = -1;
};

bool HaveRigctld() {
    struct stat st {};
    return ::stat("/usr/bin/rigctld", &st) == 0;
}

// Runs body in a child process and returns the signal that ended it (0 when it exited).
template <class Body>
int SignalOfChild(Body body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

TEST(EmergencyRelease, ACrashWhileKeyedByCatReleasesTheRig) {
    if (!HaveRigctld()) GTEST_SKIP() << "/usr/bin/rigctld is not installed";
    RigctldProcess rigctld;
    for (int crash : {SIGSEGV, SIGABRT}) {
        ASSERT_EQ(Ask(rigctld.Port(), "T 1"), "RPRT 0");
        ASSERT_EQ(Ask(rigctld.Port(), "t"), "1");
        const int ended = SignalOfChild([&] {
            const sockaddr_in a = LoopbackAddress(rigctld.Port());
            emergency::SetCatRelease(1, reinterpret_cast<const sockaddr*>(&a), sizeof a, "T 0\n");
            emergency::InstallCrashHandlers();
            std::raise(crash);
        });
        EXPECT_EQ(ended, crash);  // the crash still ends the process as it would have
        EXPECT_EQ(Ask(rigctld.Port(), "t"), "0") << strsignal(crash);
    }

    // Nothing recorded (or the record cleared after a confirmed release): the rig is left alone.
    ASSERT_EQ(Ask(rigctld.Port(), "T 1"), "RPRT 0");
    SignalOfChild([&] {
        const sockaddr_in a = LoopbackAddress(rigctld.Port());
        emergency::SetCatRelease(1, reinterpret_cast<const sockaddr*>(&a), sizeof a, "T 0\n");
        emergency::ClearCatRelease(1);
        emergency::InstallCrashHandlers();
        std::raise(SIGSEGV);
    });
    EXPECT_EQ(Ask(rigctld.Port(), "t"), "1");
    Ask(rigctld.Port(), "T 0");
}

TEST(EmergencyRelease, ACrashTellsTheDdsBoxToStop) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string slave = ::ptsname(master);
    SignalOfChild([&] {
        const int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
        emergency::SetSerialPort(fd);
        emergency::SetSerialReleaseText("KEY OFF\rPTT OFF\r");
        emergency::InstallCrashHandlers();
        std::raise(SIGBUS);
    });
    std::string seen;
    char buffer[64];
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    for (int i = 0; i < 50 && seen.size() < 16; ++i) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n > 0) seen.append(buffer, static_cast<size_t>(n));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::close(master);
    // The terminal line discipline may turn CR into LF; the two commands arrive in order.
    for (char& c : seen)
        if (c == '\n') c = '\r';
    EXPECT_EQ(seen, "KEY OFF\rPTT OFF\r");
}

TEST(EmergencyRelease, AReleaseToAPeerThatIsNotThereEndsInTime) {
    // Nothing listening: refused at once.
    const sockaddr_in nobody = LoopbackAddress(FreePort());
    EXPECT_FALSE(
        emergency::SendCatLine(reinterpret_cast<const sockaddr*>(&nobody), sizeof nobody, "T 0\n", 500));

    // A peer that takes the connection and never answers: given up after the timeout.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in silent = LoopbackAddress(0);
    ::bind(listener, reinterpret_cast<sockaddr*>(&silent), sizeof silent);
    ::listen(listener, 1);
    socklen_t length = sizeof silent;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&silent), &length);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(
        emergency::SendCatLine(reinterpret_cast<const sockaddr*>(&silent), sizeof silent, "T 0\n", 300));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_LT(waited, std::chrono::milliseconds(2000));
    ::close(listener);
}

}  // namespace
}  // namespace muv
