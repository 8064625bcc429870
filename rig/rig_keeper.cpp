// muv-rig-keeper: runs one rigctld for MUV, or guards the operator's own, and sees that the rig is never
// left keyed.
//
//   muv-rig-keeper PORT RIGCTLD [ARGUMENT...]
//   muv-rig-keeper --guard HOST PORT
//
// The first form checks the arguments against rigctld's options (rig/rigctld_options.h) and starts
// RIGCTLD with them and "-T 127.0.0.1 -t PORT", so that the rig is reached on loopback only. Once
// rigctld listens, the keeper makes sure that none of its listening sockets is bound beyond loopback,
// and stops it when one is. Its standard input is a pipe whose other end only MUV holds: when that end
// closes, MUV has ended or no longer wants the rig, whether it closed the pipe itself or was killed
// outright. The keeper then tells rigctld "T 0" until rigctld has taken it and a reading of the PTT asked
// after that answer says 0 (for a minute at most), and only then stops rigctld. SIGTERM asks for the same.
//
// The second form runs no rigctld: it guards the operator's own rigctld at HOST:PORT, which MUV uses as
// it is. It holds a connection of its own to that rigctld, and reads lines from its standard input,
// whose other end only MUV holds: "1" as MUV keys the rig through it, "0" once the rig has confirmed its
// release. When that end closes (or SIGTERM comes) after a "1", the guard releases the rig as above, for
// a minute at most, and ends; after a "0" it just ends.
//
// Either leaves MUV's session, so that a terminal's hang-up or Ctrl+C reaches MUV and not the rig.
//
// Exit status: 0 after a release and stop, and at the guard's end; 2 for a bad command line (arguments
// that rigctld must not be given included); 3 when rigctld could not be started or ended by itself; 4
// when rigctld listened beyond loopback and was stopped. The last words are on standard error.
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netdb.h>
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
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "rig/ptt_refusal.h"
#include "rig/rigctld_options.h"

namespace {

constexpr int kBadCommandLine = 2;
constexpr int kRigctldEnded = 3;
constexpr int kListenedBeyondLoopback = 4;

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

// One connection to a rigctld, reading whole lines with a time limit.
class Link {
public:
    Link(const std::string& host, int port, int milliseconds) {
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_NUMERICSERV;
        addrinfo* found = nullptr;
        if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
        for (const addrinfo* a = found; a && fd_ < 0; a = a->ai_next) {
            fd_ = socket(a->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            if (fd_ < 0) continue;
            if (connect(fd_, a->ai_addr, a->ai_addrlen) != 0 &&
                !(errno == EINPROGRESS && Connected(deadline)))
                Close();
        }
        freeaddrinfo(found);
    }
    ~Link() { Close(); }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    bool Open() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

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
    bool Connected(Clock::time_point deadline) const {
        pollfd p{fd_, POLLOUT, 0};
        if (poll(&p, 1, MillisecondsLeft(deadline)) <= 0) return false;
        int error = 0;
        socklen_t length = sizeof error;
        return getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    int fd_ = -1;
    std::string pending_;
};

// How the rigctld is told to release the rig and asked for its PTT: with a VFO when it was started with
// -o.
struct PttCommands {
    std::string release = "T 0";
    std::string reading = "t";
    bool known = false;

    void SetVfoMode(bool vfo) {
        release = vfo ? "T currVFO 0" : "T 0";
        reading = vfo ? "t currVFO" : "t";
        known = true;
    }
};

// Asks the rigctld whether it wants a VFO in every command, as the rig engine does when it connects.
void LearnVfoMode(Link& link, PttCommands& commands) {
    std::string v;
    if (!link.Ask("\\chk_vfo", v, 2000)) return;
    // "0"/"1", older "CHKVFO n" or "ChkVFO: n"; a very old rigctld rejects the command.
    for (const char* prefix : {"ChkVFO:", "CHKVFO"})
        if (v.rfind(prefix, 0) == 0) v.erase(0, std::strlen(prefix));
    v.erase(0, v.find_first_not_of(' '));
    if (v == "0" || v == "1" || v.rfind("RPRT ", 0) == 0) commands.SetVfoMode(v == "1");
}

// The rigctld whose rig is released: MUV's own, run by the keeper, or the operator's.
struct Target {
    std::string host;
    int port = 0;
    pid_t rigctld = -1;  // -1 for the operator's own
    PttCommands commands;
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
// rigctld cannot carry out at all leaves the reading to decide. The first try goes over the connection
// held, when there is one.
bool ReleasePtt(Target& target, std::unique_ptr<Link>& held, int milliseconds) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (MillisecondsLeft(deadline) > 0) {
        if (target.rigctld > 0 && waitpid(target.rigctld, nullptr, WNOHANG) == target.rigctld) {
            rigctldReaped = true;
            return false;  // nobody left to tell
        }
        const std::unique_ptr<Link> link =
            held ? std::move(held) : std::make_unique<Link>(target.host, target.port, 2000);
        if (link->Open()) {
            if (!target.commands.known) LearnVfoMode(*link, target.commands);
            std::string release, reading;
            if (link->Ask(target.commands.release, release, 2000) &&
                (release == "RPRT 0" || CannotWorkPtt(release)) &&
                link->Ask(target.commands.reading, reading, 2000) &&
                (reading == "0" || reading.rfind("RPRT", 0) == 0))
                return true;
        }
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

// What a process listens on, as /proc tells: whether it listens on the port, and an address beyond
// loopback that it listens on ("0.0.0.0:4532"), if any.
struct Listening {
    bool onPort = false;
    std::string beyond;
};

std::set<unsigned long> SocketInodes(pid_t pid) {
    std::set<unsigned long> inodes;
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
    DIR* dir = opendir(folder.c_str());
    if (!dir) return inodes;
    while (const dirent* entry = readdir(dir)) {
        char target[64];
        const ssize_t length = readlink((folder + "/" + entry->d_name).c_str(), target, sizeof target - 1);
        if (length <= 0) continue;
        target[length] = '\0';
        unsigned long inode = 0;
        if (std::sscanf(target, "socket:[%lu]", &inode) == 1) inodes.insert(inode);
    }
    closedir(dir);
    return inodes;
}

// An address of /proc/net/tcp or tcp6: the kernel prints each 32-bit word of it, in the order of memory,
// as a number in the machine's own byte order.
bool ParseProcAddress(const std::string& hex, unsigned char* bytes, size_t size) {
    if (hex.size() != size * 2) return false;
    for (size_t word = 0; word < size / 4; ++word) {
        const std::string digits = hex.substr(word * 8, 8);
        if (digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
        const uint32_t value = static_cast<uint32_t>(std::strtoul(digits.c_str(), nullptr, 16));
        std::memcpy(bytes + word * 4, &value, 4);
    }
    return true;
}

Listening ListeningSockets(pid_t pid, int port) {
    Listening found;
    const std::set<unsigned long> inodes = SocketInodes(pid);
    if (inodes.empty()) return found;
    for (const int family : {AF_INET, AF_INET6}) {
        std::ifstream table(family == AF_INET ? "/proc/net/tcp" : "/proc/net/tcp6");
        std::string line;
        std::getline(table, line);  // the heading
        while (std::getline(table, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout;
            unsigned long inode = 0;
            if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
                  timeout >> inode))
                continue;
            if (state != "0A" || !inodes.count(inode)) continue;  // 0A: listening
            const size_t colon = local.find(':');
            if (colon == std::string::npos) continue;
            const int localPort = static_cast<int>(std::strtol(local.c_str() + colon + 1, nullptr, 16));
            unsigned char bytes[16] = {};
            const size_t size = family == AF_INET ? 4 : 16;
            if (!ParseProcAddress(local.substr(0, colon), bytes, size)) continue;
            static const unsigned char kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
            static const unsigned char kV6Loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
            const bool loopback = family == AF_INET
                                      ? bytes[0] == 127
                                      : std::memcmp(bytes, kV6Loopback, 16) == 0 ||
                                            (std::memcmp(bytes, kMappedPrefix, 12) == 0 && bytes[12] == 127);
            if (localPort == port) found.onPort = true;
            if (!loopback && found.beyond.empty()) {
                char text[INET6_ADDRSTRLEN] = "?";
                inet_ntop(family, bytes, text, sizeof text);
                found.beyond = (family == AF_INET ? std::string(text) : "[" + std::string(text) + "]") + ":" +
                               std::to_string(localPort);
            }
        }
    }
    return found;
}

// Out of MUV's session, and SIGTERM asks for the end.
void LeaveSession() {
    setsid();
    signal(SIGHUP, SIG_IGN);
    signal(SIGINT, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
    struct sigaction stop {};
    stop.sa_handler = AskStop;
    sigaction(SIGTERM, &stop, nullptr);
}

int Usage() {
    std::fprintf(stderr,
                 "usage: muv-rig-keeper PORT RIGCTLD [ARGUMENT...]\n"
                 "       muv-rig-keeper --guard HOST PORT\n");
    return kBadCommandLine;
}

int ParsePort(const char* text) {
    char* end = nullptr;
    const long port = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || port <= 0 || port > 65535) {
        std::fprintf(stderr, "muv-rig-keeper: '%s' is not a port\n", text);
        return -1;
    }
    return static_cast<int>(port);
}

// Runs rigctld and releases its rig when MUV lets go of it.
int Keep(int argc, char* argv[]) {
    if (argc < 3) return Usage();
    const int port = ParsePort(argv[1]);
    if (port < 0) return kBadCommandLine;
    const std::vector<std::string> arguments(argv + 3, argv + argc);
    const muv::RigctldWords checked = muv::CheckRigctldWords(arguments);
    if (!checked.refusal.empty()) {
        std::fprintf(stderr, "muv-rig-keeper: rigctld not started: %s\n", checked.refusal.c_str());
        return kBadCommandLine;
    }
    LeaveSession();

    std::vector<std::string> words = {argv[2]};
    words.insert(words.end(), arguments.begin(), arguments.end());
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
        return kRigctldEnded;
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
    Target target;
    target.host = "127.0.0.1";
    target.port = port;
    target.rigctld = rigctld;
    target.commands.SetVfoMode(checked.vfoMode);

    // Until rigctld is seen listening on the port, where it listens is looked at often.
    bool listeningChecked = false;
    std::string beyond;
    for (;;) {
        int status = 0;
        if (waitpid(rigctld, &status, WNOHANG) == rigctld) {
            if (WIFEXITED(status))
                std::fprintf(stderr, "muv-rig-keeper: rigctld ended with status %d\n", WEXITSTATUS(status));
            else
                std::fprintf(stderr, "muv-rig-keeper: rigctld ended by signal %d\n", WTERMSIG(status));
            return kRigctldEnded;
        }
        if (stopAsked) break;
        if (!listeningChecked) {
            const Listening listening = ListeningSockets(rigctld, port);
            beyond = listening.beyond;
            if (!beyond.empty()) break;
            listeningChecked = listening.onPort;
        }
        pollfd p{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&p, 1, listeningChecked ? 200 : 50);
        if (ready > 0) {
            char buffer[256];
            const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
            if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) break;  // MUV's end closed
        } else if (ready < 0 && errno != EINTR) {
            break;
        }
    }
    std::unique_ptr<Link> none;
    if (!ReleasePtt(target, none, (beyond.empty() ? 60 : 5) * 1000))
        std::fprintf(stderr, "muv-rig-keeper: rigctld on port %d did not confirm PTT off\n", port);
    Stop(rigctld);
    if (beyond.empty()) return 0;
    std::fprintf(stderr, "muv-rig-keeper: rigctld stopped: it listened on %s, beyond this computer\n",
                 beyond.c_str());
    return kListenedBeyondLoopback;
}

// Guards the operator's own rigctld: releases the rig when MUV ends while it has the rig keyed.
int Guard(int argc, char* argv[]) {
    if (argc != 4) return Usage();
    const int port = ParsePort(argv[3]);
    if (port < 0) return kBadCommandLine;
    LeaveSession();
    Target target;
    target.host = argv[2];
    target.port = port;
    auto held = std::make_unique<Link>(target.host, port, 2000);
    if (held->Open())
        LearnVfoMode(*held, target.commands);
    else
        held.reset();

    bool keyed = false;
    std::string heard;
    while (!stopAsked) {
        pollfd p[2] = {{STDIN_FILENO, POLLIN, 0}, {held ? held->Fd() : -1, POLLIN, 0}};
        const int ready = poll(p, 2, 1000);
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        // rigctld never speaks unasked: the connection held has ended.
        if (p[1].revents != 0) held.reset();
        if (p[0].revents == 0) continue;
        char buffer[256];
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) break;  // MUV's end closed
        if (got < 0) continue;
        heard.append(buffer, static_cast<size_t>(got));
        for (size_t end; (end = heard.find('\n')) != std::string::npos; heard.erase(0, end + 1)) {
            if (heard.compare(0, end, "1") == 0) keyed = true;
            if (heard.compare(0, end, "0") == 0) keyed = false;
        }
        if (heard.size() > 64) heard.clear();  // no line of MUV's is that long
    }
    if (keyed && !ReleasePtt(target, held, 60 * 1000))
        std::fprintf(stderr, "muv-rig-keeper: rigctld at %s port %d did not confirm PTT off\n",
                     target.host.c_str(), port);
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc >= 2 && std::strcmp(argv[1], "--guard") == 0) return Guard(argc, argv);
    return Keep(argc, argv);
}
