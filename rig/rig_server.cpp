#include "rig/rig_server.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QTcpSocket>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "rig/rigctld_options.h"

extern char** environ;

namespace muv {

namespace {

// The keeper's back-off after it ends by itself: 1, 2, 4 … seconds, at most a minute.
constexpr int kLongestWaitSeconds = 60;
// A server that has run this long starts its back-off afresh.
constexpr int kSettledMilliseconds = 60 * 1000;
// What is kept of what the keeper and rigctld said last.
constexpr size_t kLastWordsBytes = 400;
// The keeper's exit status for arguments that rigctld must not be given, and for a rigctld that listened
// beyond loopback and was stopped: nothing to start again.
constexpr int kKeeperRefused = 2;
constexpr int kKeeperStoppedListening = 4;

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

// Waits for a keeper that MUV has let go of, so that it leaves no zombie behind; it deletes itself.
class Leftover : public QObject {
public:
    Leftover(pid_t pid, int endFd) : pid_(pid), endFd_(endFd) {
        if (endFd_ >= 0) {
            auto* notifier = new QSocketNotifier(endFd_, QSocketNotifier::Read, this);
            connect(notifier, &QSocketNotifier::activated, this, [this] { Reap(); });
        } else {
            auto* poll = new QTimer(this);
            connect(poll, &QTimer::timeout, this, [this] { Reap(); });
            poll->start(1000);
        }
    }
    ~Leftover() override {
        if (endFd_ >= 0) close(endFd_);
    }

private:
    void Reap() {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) deleteLater();
    }
    pid_t pid_;
    int endFd_;
};

// The last line of what was said, without its line end.
std::string LastLine(const std::string& words) {
    std::string text = words;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    const size_t start = text.find_last_of('\n');
    return start == std::string::npos ? text : text.substr(start + 1);
}

// Starts the keeper with the words given (its path first), its standard input from `input`, standard
// output to nothing and standard error to `errors` (-1: MUV's own). 0, or why it could not be started.
int SpawnKeeper(std::vector<std::string> words, int input, int errors, pid_t& pid) {
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (errors >= 0) posix_spawn_file_actions_adddup2(&actions, errors, STDERR_FILENO);
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed;
}

std::string BesideTheProgram(const char* name) {
    if (QCoreApplication::instance()) {
        const QString beside = QCoreApplication::applicationDirPath() + "/" + name;
        if (QFileInfo(beside).isExecutable()) return beside.toStdString();
    }
#ifdef MUV_RIG_KEEPER_BUILT_AT
    if (std::strcmp(name, "muv-rig-keeper") == 0 && QFileInfo(MUV_RIG_KEEPER_BUILT_AT).isExecutable())
        return MUV_RIG_KEEPER_BUILT_AT;
#endif
    return name;  // on the search path
}

}  // namespace

std::vector<std::string> RigctldArguments(const RigServerSetup& setup) {
    std::vector<std::string> args = {"-m", std::to_string(setup.model)};
    if (!setup.device.empty()) args.insert(args.end(), {"-r", setup.device});
    if (setup.speed > 0) args.insert(args.end(), {"-s", std::to_string(setup.speed)});
    if (!setup.ptt.empty()) args.insert(args.end(), {"-P", setup.ptt});
    args.insert(args.end(), setup.extra.begin(), setup.extra.end());
    return args;
}

std::string& RigServer::KeeperPath() {
    static std::string path = BesideTheProgram("muv-rig-keeper");
    return path;
}

std::string& RigServer::RigctldPath() {
    static std::string path = "rigctld";
    return path;
}

RigServer::RigServer(QObject* parent) : QObject(parent) {
    restart_.setSingleShot(true);
    connect(&restart_, &QTimer::timeout, this, [this] { Launch(); });
    settled_.setSingleShot(true);
    settled_.setInterval(kSettledMilliseconds);
    connect(&settled_, &QTimer::timeout, this, [this] { failures_ = 0; });
}

RigServer::~RigServer() {
    StatusChange = nullptr;
    Stop();
}

void RigServer::Start(const RigServerSetup& setup) {
    // A refused setup stays refused.
    const bool running = state_ == State::kRunning || state_ == State::kStarting ||
                         state_ == State::kWaitingToRestart || state_ == State::kRefused;
    if (running && setup == setup_) return;
    Stop();
    setup_ = setup;
    guardHost_ = "127.0.0.1";
    failures_ = 0;
    if (leaving_ && leavingPort_ == setup.port) {
        // The rigctld just let go of would pass for the operator's own, and holds the port.
        SetStatus(State::kStarting, "waiting for the previous rigctld to stop");
        awaitingLeaving_ = connect(leaving_, &QObject::destroyed, this, [this] {
            disconnect(awaitingLeaving_);
            StartUnlessAnswered();
        });
        return;
    }
    StartUnlessAnswered();
}

void RigServer::StartUnlessAnswered() {
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(setup_.port));
    if (probe.waitForConnected(500)) {
        probe.abort();
        StartGuard();
        SetStatus(State::kOperatorsOwn, "");
        return;
    }
    Launch();
}

void RigServer::Guard(const std::string& host, int port) {
    if (state_ == State::kOperatorsOwn && guard_ >= 0 && setup_.model == 0 && setup_.port == port &&
        guardHost_ == host)
        return;
    Stop();
    setup_ = RigServerSetup{};
    setup_.port = port;
    guardHost_ = host;
    StartGuard();
    SetStatus(State::kOperatorsOwn, "");
}

// The guard holds the read end of a socket pair rather than a pipe: a guard that has gone cannot end MUV
// with SIGPIPE when it is told something.
void RigServer::StartGuard() {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
    pid_t pid = -1;
    const int failed =
        SpawnKeeper({KeeperPath(), "--guard", guardHost_, std::to_string(setup_.port)}, ends[0], -1, pid);
    close(ends[0]);
    if (failed != 0) {
        close(ends[1]);
        return;
    }
    guard_ = pid;
    guardLifeline_ = ends[1];
    if (keyed_) TellGuard();
}

// The guard releases the rig if the last it heard is that the rig is keyed; it is awaited without MUV
// waiting for it.
void RigServer::StopGuard() {
    if (guard_ < 0) return;
    close(guardLifeline_);
    guardLifeline_ = -1;
    new Leftover(guard_, OpenPidFd(guard_));
    guard_ = -1;
}

void RigServer::RigKeyed(bool keyed) {
    if (keyed == keyed_) return;
    keyed_ = keyed;
    if (guard_ < 0 || TellGuard()) return;
    // The guard has gone: another one takes its place, and is told.
    StopGuard();
    StartGuard();
}

bool RigServer::TellGuard() {
    const char* line = keyed_ ? "1\n" : "0\n";
    return send(guardLifeline_, line, 2, MSG_NOSIGNAL | MSG_DONTWAIT) == 2;
}

void RigServer::Launch() {
    const RigctldWords checked = CheckRigctldWords(RigctldArguments(setup_));
    if (!checked.refusal.empty()) {
        SetStatus(State::kRefused, "rigctld not started: " + checked.refusal);
        return;
    }
    int input[2];
    int words[2];
    if (pipe2(input, O_CLOEXEC) != 0) {
        SetStatus(State::kOff, std::string("rigctld cannot be started: ") + std::strerror(errno));
        return;
    }
    if (pipe2(words, O_CLOEXEC) != 0) {
        close(input[0]);
        close(input[1]);
        SetStatus(State::kOff, std::string("rigctld cannot be started: ") + std::strerror(errno));
        return;
    }
    std::vector<std::string> argWords = {KeeperPath(), std::to_string(setup_.port), RigctldPath()};
    for (const std::string& a : RigctldArguments(setup_))
        argWords.push_back(a);
    pid_t pid = -1;
    const int failed = SpawnKeeper(std::move(argWords), input[0], words[1], pid);
    close(input[0]);
    close(words[1]);
    if (failed != 0) {
        close(input[1]);
        close(words[0]);
        SetStatus(State::kOff, "rigctld cannot be started: " + KeeperPath() + ": " + std::strerror(failed));
        return;
    }
    keeper_ = pid;
    lifeline_ = input[1];
    lastWordsFd_ = words[0];
    fcntl(lastWordsFd_, F_SETFL, O_NONBLOCK);
    lastWords_.clear();
    lastWordsNotifier_ = new QSocketNotifier(lastWordsFd_, QSocketNotifier::Read, this);
    connect(lastWordsNotifier_, &QSocketNotifier::activated, this, [this] { ReadLastWords(); });
    endFd_ = OpenPidFd(pid);
    if (endFd_ >= 0) {
        endNotifier_ = new QSocketNotifier(endFd_, QSocketNotifier::Read, this);
        connect(endNotifier_, &QSocketNotifier::activated, this, [this] { OnEnded(); });
    }
    settled_.start();
    SetStatus(State::kRunning, "");
}

void RigServer::ReadLastWords() {
    char buffer[512];
    for (;;) {
        const ssize_t got = read(lastWordsFd_, buffer, sizeof buffer);
        if (got > 0) {
            lastWords_.append(buffer, static_cast<size_t>(got));
            if (lastWords_.size() > kLastWordsBytes) lastWords_.erase(0, lastWords_.size() - kLastWordsBytes);
            continue;
        }
        if (got == 0) {
            // The keeper and rigctld are gone (or have closed their error output): without a process
            // descriptor to tell, this is where the end is seen.
            lastWordsNotifier_->setEnabled(false);
            if (endFd_ < 0) OnEnded();
        }
        return;
    }
}

void RigServer::OnEnded() {
    if (keeper_ < 0) return;
    if (lastWordsFd_ >= 0) ReadLastWords();
    int status = 0;
    waitpid(keeper_, &status, 0);
    keeper_ = -1;
    delete lastWordsNotifier_;
    lastWordsNotifier_ = nullptr;
    delete endNotifier_;
    endNotifier_ = nullptr;
    for (int* fd : {&lifeline_, &lastWordsFd_, &endFd_}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
    settled_.stop();
    std::string why = LastLine(lastWords_);
    if (WIFEXITED(status) &&
        (WEXITSTATUS(status) == kKeeperRefused || WEXITSTATUS(status) == kKeeperStoppedListening)) {
        // "muv-rig-keeper: rigctld not started: ...", "muv-rig-keeper: rigctld stopped: ..."
        const std::string keeper = "muv-rig-keeper: ";
        if (why.rfind(keeper, 0) == 0) why.erase(0, keeper.size());
        SetStatus(State::kRefused, why.empty() ? "rigctld not started: muv-rig-keeper refused it" : why);
        return;
    }
    const int seconds = std::min(kLongestWaitSeconds, 1 << std::min(failures_, 6));
    ++failures_;
    if (why.empty()) why = "it ended";
    SetStatus(State::kWaitingToRestart,
              "rigctld stopped (" + why + "); starting it again in " + std::to_string(seconds) + " s");
    restart_.start(seconds * 1000);
}

void RigServer::Stop() {
    restart_.stop();
    settled_.stop();
    disconnect(awaitingLeaving_);
    if (keeper_ >= 0) {
        delete lastWordsNotifier_;
        lastWordsNotifier_ = nullptr;
        delete endNotifier_;
        endNotifier_ = nullptr;
        close(lifeline_);  // the keeper releases the rig and stops rigctld
        close(lastWordsFd_);
        lifeline_ = lastWordsFd_ = -1;
        leaving_ = new Leftover(keeper_, endFd_);
        leavingPort_ = setup_.port;
        endFd_ = -1;
        keeper_ = -1;
    }
    StopGuard();
    keyed_ = false;  // what was keyed before is for the keeper or guard let go of to release
    if (state_ != State::kOff) SetStatus(State::kOff, "");
}

void RigServer::SetStatus(State state, std::string status) {
    state_ = state;
    status_ = std::move(status);
    if (StatusChange) StatusChange();
}

}  // namespace muv
