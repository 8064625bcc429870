#include "platform/emergency_release.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace muv::emergency {

namespace {

constexpr size_t kTextBytes = 64;

struct CatEntry {
    std::atomic<int> valid{0};
    sockaddr_storage address{};
    socklen_t length = 0;
    char line[kTextBytes] = {};
};

// The record. Writers clear `valid` first and set it last, so the handler never reads half an entry.
CatEntry g_cat[kRigs];
std::atomic<int> g_serialFd{-1};
std::atomic<int> g_serialTextValid{0};
char g_serialText[kTextBytes] = {};

void CopyText(char* to, const char* from) {
    size_t n = 0;
    for (; from && from[n] != '\0' && n + 1 < kTextBytes; ++n)
        to[n] = from[n];
    to[n] = '\0';
}

long long NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Waits for the events on fd until the deadline; false on timeout or error.
bool WaitFd(int fd, short events, long long deadline) {
    for (;;) {
        const long long left = deadline - NowMs();
        if (left <= 0) return false;
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left));
        if (r > 0) return (p.revents & events) != 0;
        if (r < 0 && errno != EINTR) return false;
    }
}

bool WriteAll(int fd, const char* data, size_t size, long long deadline) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!WaitFd(fd, POLLOUT, deadline)) return false;
        } else {
            return false;
        }
    }
    return true;
}

enum class Report { None, Done, Refused };

// Reads rigctld's answer up to the line that begins "RPRT ": Done for "RPRT 0", Refused for another
// code, None when no answer came.
Report ReadReport(int fd, long long deadline) {
    char buffer[256];
    size_t used = 0;
    for (;;) {
        if (!WaitFd(fd, POLLIN, deadline)) return Report::None;
        const ssize_t n = ::read(fd, buffer + used, sizeof buffer - 1 - used);
        if (n == 0) return Report::None;
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            return Report::None;
        }
        used += static_cast<size_t>(n);
        buffer[used] = '\0';
        // Look at every complete line; keep a partial last line at the buffer's start.
        size_t start = 0;
        for (size_t i = 0; i < used; ++i) {
            if (buffer[i] != '\n') continue;
            if (i - start >= 5 && std::memcmp(buffer + start, "RPRT ", 5) == 0) {
                const char* value = buffer + start + 5;
                const bool done = value[0] == '0' && (value[1] == '\n' || value[1] == '\r');
                return done ? Report::Done : Report::Refused;
            }
            start = i + 1;
        }
        if (start > 0) {
            std::memmove(buffer, buffer + start, used - start);
            used -= start;
        } else if (used == sizeof buffer - 1) {
            used = 0;  // an endless line is not an answer
        }
    }
}

void ReleaseSerial() {
    const int fd = g_serialFd.load();
    if (fd < 0) return;
    if (g_serialTextValid.load()) {
        const size_t length = std::strlen(g_serialText);
        const long long deadline = NowMs() + 300;
        WriteAll(fd, g_serialText, length, deadline);
        ::tcdrain(fd);
    }
    int lines = TIOCM_RTS | TIOCM_DTR;
    ::ioctl(fd, TIOCMBIC, &lines);
}

alignas(16) char g_altStack[64 * 1024];

void OnCrash(int signal) {
    const int savedErrno = errno;
    ReleaseAll(1000);
    errno = savedErrno;
    // The handler was reset on entry: the signal now does what it would have done.
    ::raise(signal);
}

}  // namespace

void SetSerialPort(int fd) {
    g_serialFd.store(fd);
}

void ClearSerialPort(int fd) {
    int expected = fd;
    g_serialFd.compare_exchange_strong(expected, -1);
}

void SetSerialReleaseText(const char* text) {
    g_serialTextValid.store(0);
    CopyText(g_serialText, text);
    if (g_serialText[0] != '\0') g_serialTextValid.store(1);
}

void SetCatRelease(int rig, const sockaddr* address, socklen_t length, const char* line) {
    if (rig < 1 || rig > kRigs || !address || length == 0 || length > sizeof(sockaddr_storage)) return;
    CatEntry& e = g_cat[rig - 1];
    e.valid.store(0);
    std::memcpy(&e.address, address, length);
    e.length = length;
    CopyText(e.line, line);
    e.valid.store(1);
}

void ClearCatRelease(int rig) {
    if (rig >= 1 && rig <= kRigs) g_cat[rig - 1].valid.store(0);
}

bool CatReleaseRecorded(int rig) {
    return rig >= 1 && rig <= kRigs && g_cat[rig - 1].valid.load() != 0;
}

bool SendCatLine(const sockaddr* address, socklen_t length, const char* line, int timeoutMs) {
    const long long deadline = NowMs() + timeoutMs;
    // A connection refused or reset (a rigctld busy with others, or restarting) is tried again while
    // there is time; an answer, good or bad, ends it.
    for (;;) {
        const int fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        Report report = Report::None;
        if (::connect(fd, address, length) == 0 || errno == EINPROGRESS) {
            int error = 0;
            socklen_t size = sizeof error;
            if (WaitFd(fd, POLLOUT, deadline) && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 &&
                error == 0 && WriteAll(fd, line, std::strlen(line), deadline)) {
                report = ReadReport(fd, deadline);
            }
        }
        ::close(fd);
        if (report != Report::None) return report == Report::Done;
        if (NowMs() + 20 >= deadline) return false;
        const timespec pause{0, 20 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
}

void ReleaseAll(int catTimeoutMs) {
    ReleaseSerial();
    for (CatEntry& e : g_cat) {
        if (e.valid.load())
            SendCatLine(reinterpret_cast<const sockaddr*>(&e.address), e.length, e.line, catTimeoutMs);
    }
}

void InstallCrashHandlers() {
    stack_t stack{};
    stack.ss_sp = g_altStack;
    stack.ss_size = sizeof g_altStack;
    ::sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_handler = OnCrash;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_ONSTACK | SA_RESETHAND;
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT})
        ::sigaction(signal, &action, nullptr);
}

}  // namespace muv::emergency
