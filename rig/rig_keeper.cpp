// muv-rig-keeper: runs one rigctld for MUV and sees that the rig is never left keyed.
//
//   muv-rig-keeper PORT RIGCTLD [ARGUMENT...]
//
// It starts RIGCTLD with the arguments given and "-T 127.0.0.1 -t PORT", so that the rig is reached on
// loopback only. Its standard input is a pipe whose other end only MUV holds: when that end closes, MUV
// has ended or no longer wants the rig, whether it closed the pipe itself or was killed outright. The
// keeper then tells rigctld "T 0" until rigctld has taken it and a reading of the PTT asked after that
// answer says 0 (for a minute at most), and only then stops rigctld. SIGTERM asks for the same. The keeper
// leaves MUV's session, so that a terminal's hang-up or Ctrl+C reaches MUV and not the rig.
//
// Exit status: 0 after a release and stop; 2 for a bad command line; 3 when rigctld could not be
// started or ended by itself (its last words are on the keeper's standard error).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "rig/ptt_refusal.h"

namespace {

volatile sig_atomic_t stopAsked = 0;
bool rigctldReaped = false;  // its process id may then belong to another process

void AskStop(int) {
    stopAsked = 1;
}

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

// One connection to rigctld on loopback, reading whole lines with a time limit.
class Link {
public:
    explicit Link(int port) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) return;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) Close();
    }
    ~Link() { Close(); }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    bool Open() const { return fd_ >= 0; }

    // Sends a command and gives the first line of its answer, or nothing on a fault or after the time.
    bool Ask(const std::string& command, std::string& answer, int milliseconds) {
        const std::string line = command + "\n";
        if (send(fd_, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size()))
            return false;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            const size_t end = pending_.find('\n');
            if (end != std::string::npos) {
                answer = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                if (!answer.empty() && answer.back() == '\r') answer.pop_back();
                return true;
            }
            pollfd p{fd_, POLLIN, 0};
            const int ready = poll(&p, 1, MillisecondsLeft(deadline));
            if (ready <= 0) return false;
            char buffer[512];
            const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0 || pending_.size() > 65536) return false;
            pending_.append(buffer, static_cast<size_t>(got));
        }
    }

private:
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    int fd_ = -1;
    std::string pending_;
};

// Whether rigctld's answer is a refusal that says CAT cannot work the PTT at all.
bool CannotWorkPtt(const std::string& answer) {
    if (answer.rfind("RPRT ", 0) != 0) return false;
    const char* code = answer.c_str() + 5;
    char* end = nullptr;
    const long rprt = std::strtol(code, &end, 10);
    return end != code && *end == '\0' && muv::CannotWorkPtt(static_cast<int>(rprt));
}

// "T 0" until rigctld takes it and a reading of the PTT asked after its answer says 0. A rig whose PTT
// cannot be read (the reading is refused) counts as released once "T 0" has been taken: there is
// nothing more to learn from it. A release refused for the moment (a busy rig) is told again; one that
// rigctld cannot carry out at all leaves the reading to decide.
bool ReleasePtt(int port, pid_t rigctld, int milliseconds) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (MillisecondsLeft(deadline) > 0) {
        if (waitpid(rigctld, nullptr, WNOHANG) == rigctld) {
            rigctldReaped = true;
            return false;  // nobody left to tell
        }
        Link link(port);
        std::string release, reading;
        if (link.Open() && link.Ask("T 0", release, 2000) &&
            (release == "RPRT 0" || CannotWorkPtt(release)) && link.Ask("t", reading, 2000) &&
            (reading == "0" || reading.rfind("RPRT", 0) == 0))
            return true;
        usleep(250 * 1000);
    }
    return false;
}

void Stop(pid_t rigctld) {
    if (rigctldReaped) return;
    kill(rigctld, SIGTERM);
    for (int i = 0; i < 30; ++i) {
        if (waitpid(rigctld, nullptr, WNOHANG) == rigctld) return;
        usleep(100 * 1000);
    }
    kill(rigctld, SIGKILL);
    waitpid(rigctld, nullptr, 0);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: muv-rig-keeper PORT RIGCTLD [ARGUMENT...]\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    if (port <= 0 || port > 65535) {
        std::fprintf(stderr, "muv-rig-keeper: '%s' is not a port\n", argv[1]);
        return 2;
    }
    setsid();
    signal(SIGHUP, SIG_IGN);
    signal(SIGINT, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
    struct sigaction stop {};
    stop.sa_handler = AskStop;
    sigaction(SIGTERM, &stop, nullptr);

    std::vector<std::string> words(argv + 2, argv + argc);
    for (const char* extra : {"-T", "127.0.0.1", "-t"})
        words.emplace_back(extra);
    words.push_back(std::to_string(port));
    std::vector<char*> args;
    for (std::string& w : words)
        args.push_back(w.data());
    args.push_back(nullptr);

    const pid_t rigctld = fork();
    if (rigctld < 0) {
        std::fprintf(stderr, "muv-rig-keeper: cannot start %s: %s\n", argv[2], std::strerror(errno));
        return 3;
    }
    if (rigctld == 0) {
        const int nothing = open("/dev/null", O_RDONLY);
        if (nothing >= 0) dup2(nothing, STDIN_FILENO);
        signal(SIGHUP, SIG_DFL);
        signal(SIGINT, SIG_DFL);
        signal(SIGPIPE, SIG_DFL);
        execvp(args[0], args.data());
        std::fprintf(stderr, "muv-rig-keeper: cannot start %s: %s\n", argv[2], std::strerror(errno));
        _exit(127);
    }

    for (;;) {
        int status = 0;
        if (waitpid(rigctld, &status, WNOHANG) == rigctld) {
            if (WIFEXITED(status))
                std::fprintf(stderr, "muv-rig-keeper: rigctld ended with status %d\n", WEXITSTATUS(status));
            else
                std::fprintf(stderr, "muv-rig-keeper: rigctld ended by signal %d\n", WTERMSIG(status));
            return 3;
        }
        if (stopAsked) break;
        pollfd p{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&p, 1, 200);
        if (ready > 0) {
            char buffer[256];
            const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
            if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) break;  // MUV's end closed
        } else if (ready < 0 && errno != EINTR) {
            break;
        }
    }
    if (!ReleasePtt(port, rigctld, 60 * 1000))
        std::fprintf(stderr, "muv-rig-keeper: rigctld on port %d did not confirm PTT off\n", port);
    Stop(rigctld);
    return 0;
}
