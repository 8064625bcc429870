// When the transmitter is released against when the end of the message has been heard: the program's
// own transmit path (its main window and station, as the program runs them) sends a short text in each
// mode through PortAudio into the null sink of a PulseAudio server of the tool's own, keyed by a DDS box
// on a pseudo-terminal (COM3). A thread records the sink's monitor with a small latency and stamps each
// sample with the time it arrived; another stamps the box's "KEY OFF" line, which the program writes as
// it releases the key.
//
//   muv_release_gap [--modes 1,2,...] [--text TEXT]
//
// For each mode it prints the length of the message's sound (first to last sample that is not silent,
// as the transmitter makes it), how much of its end never reached the monitor (the sound still held by
// the server when the program closed its output), and the gap from the last sound heard to the release:
// positive when the release came after the sound had ended. The stamps are good to about 10 ms (the
// monitor's fragments).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QStyleFactory>
#include <QThread>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/cp1252.h"
#include "modem/mode_table.h"
#include "platform/qt/qt_dialogs.h"
#include "rig/frmRig.h"
#include "session/frmMain.h"
#include "session/program_start.h"
#include "session/station.h"
#include "settings/frmSoundCard.h"
#include "transmitter/offline_transmitter.h"

extern char** environ;

namespace {

using namespace muv;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A sample is sound when it is further from zero than this (the sink may scale it by its volume).
constexpr int kSoundThreshold = 16;

int Usage() {
    std::fprintf(
        stderr,
        "usage: muv_release_gap [--modes 1,2,...] [--text TEXT]\n"
        "  --modes  the modes to send (default all ten; 8 is sent as 7, as the program does)\n"
        "  --text   the message (default \"E\")\n"
        "Sends the text in each mode through the program into a PulseAudio server of its own and\n"
        "prints the gap from the last sound heard on the sink's monitor to the release of the key\n"
        "(positive: the release came after the sound had ended). With one character a full run\n"
        "takes about 6 minutes, modes 7, 8 and 10 most of it.\n"
        "Needs pulseaudio and parec (Debian's pulseaudio, pulseaudio-utils) and ALSA's pulse plugin\n"
        "(libasound2-plugins).\n");
    return 2;
}

bool InPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && ::access((fs::path(folder) / program).c_str(), X_OK) == 0) return true;
    return false;
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// ---------------------------------------------------------------- the sink's monitor

// Records the monitor through parec on a thread of its own. Each sample is stamped with the time its
// fragment arrived, less its distance from the fragment's end.
class MonitorRecorder {
public:
    struct Heard {
        int64_t first = -1, last = -1;  // sample numbers of the first and last sound since Arm
        Clock::time_point lastAt{};
    };

    bool Start(std::string& why) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return why = std::strerror(errno), false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const char* args[] = {"parec",          "--device=radio.monitor", "--rate=48000", "--channels=1",
                              "--format=s16le", "--latency-msec=10",      "--raw",        nullptr};
        const int e =
            posix_spawnp(&pid_, "parec", &actions, nullptr, const_cast<char* const*>(args), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        if (e != 0) {
            ::close(pipeFds[0]);
            return why = std::string("parec: ") + std::strerror(e), false;
        }
        fd_ = pipeFds[0];
        thread_ = std::thread([this] { Run(); });
        return true;
    }

    ~MonitorRecorder() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) ::close(fd_);
    }

    // Forgets the sound heard so far.
    void Arm() {
        std::lock_guard<std::mutex> lock(mutex_);
        heard_ = {};
    }
    Heard Get() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return heard_;
    }
    int64_t Samples() const { return samples_.load(); }

private:
    void Run() {
        std::vector<char> bytes;
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;) {
            const Clock::time_point at = Clock::now();
            bytes.insert(bytes.end(), buffer, buffer + n);
            const size_t count = bytes.size() / 2;
            std::lock_guard<std::mutex> lock(mutex_);
            const int64_t base = samples_.load();
            for (size_t i = 0; i < count; ++i) {
                int16_t s;
                std::memcpy(&s, &bytes[2 * i], 2);
                if (s > kSoundThreshold || s < -kSoundThreshold) {
                    const int64_t index = base + static_cast<int64_t>(i);
                    if (heard_.first < 0) heard_.first = index;
                    heard_.last = index;
                    heard_.lastAt = at - std::chrono::microseconds(static_cast<int64_t>(count - 1 - i) *
                                                                   1'000'000 / kSampleRate);
                }
            }
            samples_ += static_cast<int64_t>(count);
            bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(2 * count));
        }
    }

    pid_t pid_ = -1;
    int fd_ = -1;
    std::thread thread_;
    mutable std::mutex mutex_;
    Heard heard_;
    std::atomic<int64_t> samples_{0};
};

// ---------------------------------------------------------------- the DDS box

// A pseudo-terminal in place of COM3; a thread reads the box's lines and stamps the first "KEY OFF"
// since Arm.
class DdsBoxListener {
public:
    bool Start(std::string& why) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            return why = std::string("no pseudo-terminal: ") + std::strerror(errno), false;
        ::setenv("MUV_COM3", ::ptsname(master_), 1);
        thread_ = std::thread([this] { Run(); });
        return true;
    }

    ~DdsBoxListener() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (master_ >= 0) ::close(master_);
    }

    void Arm() {
        std::lock_guard<std::mutex> lock(mutex_);
        keyOff_.reset();
    }
    std::optional<Clock::time_point> KeyOff() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return keyOff_;
    }

private:
    void Run() {
        std::string line;
        char buffer[1024];
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = (p.revents & POLLIN) ? ::read(master_, buffer, sizeof buffer) : -1;
            if (n <= 0) {
                // The port is closed between transmissions: the terminal hangs up until it opens again.
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            const Clock::time_point at = Clock::now();
            for (ssize_t i = 0; i < n; ++i) {
                if (buffer[i] != '\r') {
                    line += buffer[i];
                    continue;
                }
                if (line == "KEY OFF") {
                    std::lock_guard<std::mutex> lock(mutex_);
                    if (!keyOff_) keyOff_ = at;
                }
                line.clear();
            }
        }
    }

    int master_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::optional<Clock::time_point> keyOff_;
};

// ---------------------------------------------------------------- the sound server

class SoundServer {
public:
    explicit SoundServer(fs::path folder) : folder_(std::move(folder)) {}
    ~SoundServer() {
        if (server_.state() == QProcess::NotRunning) return;
        server_.terminate();
        if (!server_.waitForFinished(5000)) {
            server_.kill();
            server_.waitForFinished();
        }
    }

    // A null sink "radio" at 48 kHz, its monitor the default source; ALSA's default device, and with it
    // PortAudio's, is this server, for this process and its children alone.
    bool Start(std::string& why) {
        const fs::path home = folder_ / "home", runtime = folder_ / "run";
        fs::create_directories(home / "config");
        fs::create_directories(home / "data");
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        for (const char* name : {"PULSE_SERVER", "PULSE_RUNTIME_PATH", "PULSE_STATE_PATH", "PULSE_SINK",
                                 "PULSE_SOURCE", "MUV_SOUND_INPUT", "MUV_SOUND_OUTPUT"})
            ::unsetenv(name);
        std::ofstream(home / ".asoundrc") << "pcm.!default { type pulse }\nctl.!default { type pulse }\n";
        std::ofstream(folder_ / "radio.pa") << "load-module module-null-sink sink_name=radio rate=48000\n"
                                               "load-module module-native-protocol-unix\n"
                                               "set-default-sink radio\n"
                                               "set-default-source radio.monitor\n";
        server_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        server_.start(QStringLiteral("pulseaudio"),
                      {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=false",
                       "--log-target=file:" + QString::fromStdString((folder_ / "pulse.log").string()), "-F",
                       QString::fromStdString((folder_ / "radio.pa").string())});
        if (!server_.waitForStarted(5000)) return why = server_.errorString().toStdString(), false;
        for (int attempt = 0; attempt < 50; ++attempt) {
            QProcess info;
            info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
            if (info.waitForFinished(5000) && info.exitStatus() == QProcess::NormalExit &&
                info.exitCode() == 0)
                return true;
            if (server_.waitForFinished(200)) break;
        }
        std::ifstream log(folder_ / "pulse.log");
        why = "it did not answer pactl:\n" + std::string(std::istreambuf_iterator<char>(log), {});
        return false;
    }

private:
    fs::path folder_;
    QProcess server_;
};

// ---------------------------------------------------------------- the program

bool WaitUntil(const std::function<bool()>& done, double seconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > seconds * 1000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

bool Receiving(frmMain& f) {
    Station& st = f.Modules();
    return st.shared.TxRxState == 0 && f.tmrRX.Enabled() && !f.tmrResetTarjetaSonido.Enabled() &&
           st.receiver.Input().SoundInputOpen == 1;
}

// The server's default devices chosen in the sound-card window, and the DDS box on COM3 keying.
bool SetUp(frmMain& f, std::string& why) {
    Station& st = f.Modules();
    frmSoundCard& card = st.SoundCard();
    f.mnuTarjetaSonido_Click();
    const int input = card.cboTarjetaSonidoEntrada->findText(QStringLiteral("default"));
    const int output = card.cboTarjetaSonidoSalida->findText(QStringLiteral("default"));
    if (input < 0 || output < 0) return why = "PortAudio has no \"default\" device", false;
    card.cboTarjetaSonidoEntrada->setCurrentIndex(input);
    card.cboTarjetaSonidoSalida->setCurrentIndex(output);
    card.cmdOK_Click();

    frmRig& rig = st.rig.Window();
    rig.optDDS->setChecked(true);
    rig.optDDS_Click();
    rig.optDDSManual->setChecked(true);
    rig.txtFrecuenciaUSB->setText(QStringLiteral("14070000"));
    rig.cboCOM->setCurrentIndex(3);
    return true;
}

// The frequency-list entry and symbol-rate button that make the program send a mode.
bool ChooseMode(frmMain& f, int mode, std::string& why) {
    const TxModeChoice choice = ChoiceForTxMode(mode);
    const int entry = choice.BandClass == 1        ? 2
                      : choice.BandClass == 3      ? 24
                      : choice.BandwidthHz == 2000 ? 14
                                                   : 12;
    f.mnuFrequenciesList_Click(entry);
    if (!WaitUntil([&] { return Receiving(f); }, 10)) return why = "the receiver did not start again", false;
    if (choice.BandClass == 1) {
        choice.baudOn2MF ? f.imgBaudOFF2MF_Click() : f.imgBaudOFF3MF_Click();
    } else if (choice.BandClass == 2) {
        choice.baudOn1   ? f.imgBaudOFF1_Click()
        : choice.baudOn2 ? f.imgBaudOFF2_Click()
                         : f.imgBaudOFF3_Click();
    }
    // The pause after a slow mode is the operator's; it is not waited for here.
    f.PararTemporizadorMargen();
    const int sends = f.Modules().transmitter.SelectTxMode();
    if (sends != (mode == 8 ? 7 : mode))
        return why = "the program chose mode " + std::to_string(sends), false;
    return true;
}

void Type(frmMain& f, const std::string& text) {
    for (char c : text) {
        const int key = c == ' '               ? Qt::Key_Space
                        : c >= '0' && c <= '9' ? Qt::Key_0 + (c - '0')
                        : c >= 'A' && c <= 'Z' ? Qt::Key_A + (c - 'A')
                                               : 0;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(QChar(c)));
        QApplication::sendEvent(f.rtfVentanaTX, &press);
    }
}

// First to last sample of sound that the transmitter makes for the text in the mode.
int64_t SoundLength(int mode, const std::string& text) {
    const std::vector<int16_t> samples = TransmitToSamples(mode, Utf8ToCp1252(text));
    int64_t first = -1, last = -1;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] > kSoundThreshold || samples[i] < -kSoundThreshold) {
            if (first < 0) first = static_cast<int64_t>(i);
            last = static_cast<int64_t>(i);
        }
    }
    return first < 0 ? 0 : last - first + 1;
}

struct Result {
    double soundSeconds = 0;
    double lostMs = 0;
    double gapMs = 0;
};

std::optional<Result> Send(frmMain& f, MonitorRecorder& monitor, DdsBoxListener& box, int mode,
                           const std::string& text, std::string& why) {
    if (!ChooseMode(f, mode, why)) return std::nullopt;
    const int64_t length = SoundLength(mode, text);
    f.TxWindow().SetText("");
    Type(f, text);
    monitor.Arm();
    box.Arm();
    f.cmdTX_RX_Click();
    if (f.Modules().shared.TxRxState != 1) return why = "the transmitter was not keyed", std::nullopt;
    // The second press at once: the text, the end of the message, and the end of the transmission.
    f.cmdTX_RX_Click();
    const double seconds = static_cast<double>(length) / kSampleRate;
    if (!WaitUntil([&] { return Receiving(f); }, seconds + 30))
        return why = "the transmission did not end", std::nullopt;
    // Whatever the server still plays after the release reaches the monitor meanwhile.
    const int64_t until = monitor.Samples() + kSampleRate;
    WaitUntil([&] { return monitor.Samples() >= until; }, 3);

    const MonitorRecorder::Heard heard = monitor.Get();
    const std::optional<Clock::time_point> keyOff = box.KeyOff();
    if (heard.first < 0) return why = "no sound reached the monitor", std::nullopt;
    if (!keyOff) return why = "the box never heard KEY OFF", std::nullopt;
    Result r;
    r.soundSeconds = seconds;
    r.lostMs = static_cast<double>(length - (heard.last - heard.first + 1)) * 1000 / kSampleRate;
    r.gapMs = Ms(*keyOff - heard.lastAt);
    return r;
}

std::optional<std::vector<int>> ParseModes(const std::string& list) {
    std::vector<int> modes;
    std::stringstream in(list);
    for (std::string item; std::getline(in, item, ',');) {
        char* end = nullptr;
        const long m = std::strtol(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0' || m < 1 || m > kModeCount) return std::nullopt;
        modes.push_back(static_cast<int>(m));
    }
    if (modes.empty()) return std::nullopt;
    return modes;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> modes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    std::string text = "E";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--modes" && i + 1 < argc) {
            const auto parsed = ParseModes(argv[++i]);
            if (!parsed) return Usage();
            modes = *parsed;
        } else if (a == "--text" && i + 1 < argc) {
            text = argv[++i];
        } else {
            return Usage();
        }
    }
    for (const char* program : {"pulseaudio", "pactl", "parec"}) {
        if (!InPath(program)) {
            std::fprintf(stderr,
                         "muv_release_gap: %s is not installed; the tool needs Debian's pulseaudio and "
                         "pulseaudio-utils (and libasound2-plugins for ALSA's pulse plugin)\n",
                         program);
            return 1;
        }
    }

    std::string pattern = (fs::temp_directory_path() / "muv_release_gap_XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("muv_release_gap: temporary folder");
        return 1;
    }
    const fs::path folder = pattern;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("MUV_SERVERS", MUV_OFFLINE_SERVERS, 1);
    ::setenv("JACK_NO_START_SERVER", "1", 1);

    // PortAudio's probing of ALSA and JACK and the program's own messages go to stderr: into a log,
    // shown when something fails.
    FILE* err = ::fdopen(::dup(STDERR_FILENO), "w");
    const fs::path log = folder / "program.log";
    if (const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600); fd >= 0) {
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }

    int status = 0;
    {
        QApplication app(argc, argv);
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        // No box waits for an operator: a box writes its text to the log.
        QtMessageBoxes::SetUnattended(true);
        std::string why;
        SoundServer server(folder);
        MonitorRecorder monitor;
        DdsBoxListener box;
        if (!server.Start(why)) {
            std::fprintf(err, "muv_release_gap: the sound server did not start: %s\n", why.c_str());
            status = 1;
        } else if (!box.Start(why) || !monitor.Start(why)) {
            std::fprintf(err, "muv_release_gap: %s\n", why.c_str());
            status = 1;
        } else {
            Station station;
            frmMain& f = station.form;
            if (!Main(f) || !WaitUntil([&] { return Receiving(f); }, 10) || !SetUp(f, why)) {
                std::fprintf(err, "muv_release_gap: the program did not start: %s\n", why.c_str());
                status = 1;
            } else {
                std::printf("text \"%s\"; gap = release - last sound heard (positive: after the sound)\n",
                            text.c_str());
                std::printf("mode  name         sound s  lost ms   gap ms\n");
                std::fflush(stdout);
                for (int mode : modes) {
                    const std::optional<Result> r = Send(f, monitor, box, mode, text, why);
                    const std::string name = StandardModeTables()[mode].DisplayName;
                    if (!r) {
                        std::printf("%4d  %-11s  failed: %s\n", mode, name.c_str(), why.c_str());
                        status = 1;
                    } else {
                        std::printf("%4d  %-11s %8.2f %8.1f %8.1f\n", mode, name.c_str(), r->soundSeconds,
                                    r->lostMs, r->gapMs);
                    }
                    std::fflush(stdout);
                }
            }
        }
    }
    if (status != 0) {
        std::ifstream messages(log);
        std::fprintf(err, "muv_release_gap: the program's messages:\n%s",
                     std::string(std::istreambuf_iterator<char>(messages), {}).c_str());
    }
    std::fclose(err);
    std::error_code ec;
    fs::remove_all(folder, ec);
    return status;
}
