// The rigctld that MUV runs for a rig, against Hamlib's real rigctld with its dummy rig: started, keyed,
// released and stopped when MUV lets go, started again when it dies, released when the program that
// holds it is killed outright, and never left listening beyond loopback. The operator's own rigctld is
// released too when the program that keyed the rig through it is killed.
#include "rig/rig_server.h"

#include "rig/rig_catalogue.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <fstream>
#include <sstream>

#include "test_support/qt_app.h"
#include "test_support/rigctld.h"
#include "test_support/scratch_folder.h"

extern char** environ;

namespace muv {
namespace {

using test::RigctldPtt;
using test::RigctldSetPtt;

// Starts the keeper with the arguments after its path, its standard input as `actions` sets it; -1
// when it could not be started.
pid_t SpawnKeeper(std::vector<std::string> words, posix_spawn_file_actions_t& actions) {
    const std::string keeper = RigServer::KeeperPath();
    words.insert(words.begin(), keeper);
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, keeper.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

class RigServerTest : public test::TempFolderTest {
protected:
    void SetUp() override {
        test::TempFolderTest::SetUp();
        if (!test::Rigctld::Installed()) GTEST_SKIP() << "rigctld is not installed";
        test::EnsureApplication();
        rigctld_ = std::make_unique<test::LoggingRigctld>(folder_.string());
        savedRigctld_ = RigServer::RigctldPath();
        RigServer::RigctldPath() = rigctld_->Path();
        port_ = test::FreePort();
    }
    void TearDown() override {
        if (!savedRigctld_.empty()) RigServer::RigctldPath() = savedRigctld_;
        test::LoggingRigctld::Kill(port_);
        test::TempFolderTest::TearDown();
    }

    RigServerSetup DummyRig() const {
        RigServerSetup setup;
        setup.model = 1;
        setup.ptt = "RIG";
        setup.port = port_;
        return setup;
    }

    // Lets events run until the condition holds, for at most the time given.
    template <typename Condition>
    bool Within(int milliseconds, Condition condition) {
        QElapsedTimer clock;
        clock.start();
        while (!condition()) {
            if (clock.elapsed() > milliseconds) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            usleep(20 * 1000);
        }
        return true;
    }

    std::string LastPttSet() const { return rigctld_->LastPttSet(); }

    // An executable shell script in the test's folder; its path.
    std::string Script(const std::string& name, const std::string& body) {
        const std::string path = Path(name);
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        QFile::setPermissions(QString::fromStdString(path),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    std::unique_ptr<test::LoggingRigctld> rigctld_;
    std::string savedRigctld_;
    uint16_t port_ = 0;
};

TEST_F(RigServerTest, LettingGoReleasesTheKeyedRigBeforeRigctldStops) {
    RigServer server;
    server.Start(DummyRig());
    ASSERT_TRUE(Within(10000, [&] { return RigctldPtt(port_) == 0; })) << server.Status();
    EXPECT_EQ(server.GetState(), RigServer::State::kRunning);
    ASSERT_TRUE(RigctldSetPtt(port_, true));
    ASSERT_EQ(RigctldPtt(port_), 1);

    server.Stop();
    EXPECT_TRUE(Within(10000, [&] { return test::AskRigctld(port_, "t") == "no answer"; }));
    EXPECT_EQ(LastPttSet(), "0");

    // A rigctld that answers at the port already is the operator's: used, and left running.
    test::Rigctld own(port_);
    ASSERT_TRUE(Within(5000, [&] { return RigctldPtt(port_) == 0; }));
    server.Start(DummyRig());  // once the keeper let go of has ended
    EXPECT_TRUE(Within(10000, [&] { return server.GetState() == RigServer::State::kOperatorsOwn; }));
    server.Stop();
    EXPECT_EQ(RigctldPtt(port_), 0);
}

TEST_F(RigServerTest, ARigctldThatDiesIsStartedAgainAndSaysSo) {
    RigServer server;
    std::vector<std::string> statuses;
    server.StatusChange = [&] { statuses.push_back(server.Status()); };
    server.Start(DummyRig());
    ASSERT_TRUE(Within(10000, [&] { return RigctldPtt(port_) == 0; }));

    test::LoggingRigctld::Kill(port_);
    ASSERT_TRUE(Within(5000, [&] { return server.GetState() == RigServer::State::kWaitingToRestart; }));
    EXPECT_NE(server.Status().find("rigctld stopped (muv-rig-keeper: rigctld ended by signal 9)"),
              std::string::npos)
        << server.Status();
    EXPECT_NE(server.Status().find("starting it again in 1 s"), std::string::npos);
    EXPECT_TRUE(Within(10000, [&] { return RigctldPtt(port_) == 0; }));
    EXPECT_EQ(server.GetState(), RigServer::State::kRunning);
    EXPECT_EQ(server.Status(), "");
}

// A new setup while MUV's rigctld runs: the rigctld let go of still answers at the port for a moment,
// and must not pass for the operator's own; the new one starts once it has gone.
TEST_F(RigServerTest, ANewSetupStartsItsRigctldOnceTheOldOneHasGone) {
    RigServer server;
    server.Start(DummyRig());
    ASSERT_TRUE(Within(10000, [&] { return RigctldPtt(port_) == 0; }));
    RigServerSetup refusing = DummyRig();
    refusing.ptt.clear();  // the dummy's own PTT method: every keying is refused
    server.Start(refusing);
    ASSERT_TRUE(Within(10000, [&] {
        return server.GetState() == RigServer::State::kRunning && RigctldPtt(port_) == 0;
    })) << server.Status();
    EXPECT_FALSE(RigctldSetPtt(port_, true));
}

// The program holding the keeper's pipe is killed with SIGKILL while the rig is keyed: no handler of
// its own runs, and still the keeper releases the rig and then stops rigctld.
TEST_F(RigServerTest, TheRigIsReleasedWhenItsHolderIsKilledOutright) {
    int pipeEnds[2];
    ASSERT_EQ(pipe2(pipeEnds, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], STDIN_FILENO);
    const pid_t keeperPid =
        SpawnKeeper({std::to_string(port_), rigctld_->Path(), "-m", "1", "-P", "RIG"}, actions);
    ASSERT_NE(keeperPid, -1);

    // The holder: a process that has the pipe's other end and nothing else to do.
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 3);
    char sleepName[] = "sleep";
    char longTime[] = "600";
    char* sleepArgs[] = {sleepName, longTime, nullptr};
    pid_t holder = -1;
    ASSERT_EQ(posix_spawnp(&holder, "sleep", &actions, nullptr, sleepArgs, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[0]);
    close(pipeEnds[1]);

    ASSERT_TRUE(Within(10000, [&] { return RigctldPtt(port_) == 0; }));
    ASSERT_TRUE(RigctldSetPtt(port_, true));
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);

    int status = -1;
    EXPECT_TRUE(Within(15000, [&] { return waitpid(keeperPid, &status, WNOHANG) == keeperPid; }));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(LastPttSet(), "0");
    EXPECT_EQ(test::AskRigctld(port_, "t"), "no answer");
}

// The rig is busy when MUV lets go: rigctld refuses the release and the reading of the PTT alike. That
// is no release: the keeper tells rigctld again until the rig has taken it, and only then stops it.
TEST_F(RigServerTest, TheKeeperTellsABusyRigAgainUntilItTakesTheRelease) {
    // Its standard input at its end at once: let go of from the start.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const std::string busy =
        Script("busy", std::string("exec python3 ") + MUV_BUSY_RIGCTLD + " '" + Path("heard") + "' 1 \"$@\"");
    const pid_t keeperPid = SpawnKeeper({std::to_string(port_), busy}, actions);
    ASSERT_NE(keeperPid, -1);

    int status = -1;
    ASSERT_TRUE(Within(30000, [&] { return waitpid(keeperPid, &status, WNOHANG) == keeperPid; }));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::ifstream in(Path("heard"));
    std::stringstream heard;
    heard << in.rdbuf();
    EXPECT_EQ(heard.str(), "T 0\nT 0\nreleased\nt\n");
}

// Arguments that end in an option wanting a value would give it MUV's "-T", and rigctld would listen on
// every address: they are refused before anything starts, by MUV and by the keeper alike. A rigctld that
// listens beyond loopback all the same (here one that leaves out the address it is given) is stopped.
// Neither is started again, and the status says why.
TEST_F(RigServerTest, RigctldIsNeverLeftListeningBeyondLoopback) {
    RigServer server;
    RigServerSetup refused = DummyRig();
    refused.extra = {"-v", "-p"};
    server.Start(refused);
    EXPECT_EQ(server.GetState(), RigServer::State::kRefused);
    EXPECT_EQ(server.Status(), "rigctld not started: the option -p needs a value");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const pid_t keeperPid = SpawnKeeper({std::to_string(port_), rigctld_->Path(), "-m", "1", "-p"}, actions);
    ASSERT_NE(keeperPid, -1);
    int status = -1;
    waitpid(keeperPid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
    EXPECT_EQ(test::AskRigctld(port_, "t"), "no answer");

    const std::string port = std::to_string(port_);
    RigServer::RigctldPath() = Script("wide-rigctld", "exec /usr/bin/rigctld -m 1 -P RIG -t " + port);
    server.Start(DummyRig());
    ASSERT_TRUE(Within(10000, [&] { return server.GetState() == RigServer::State::kRefused; }))
        << server.Status();
    EXPECT_EQ(server.Status().rfind("rigctld stopped: it listened on ", 0), 0u) << server.Status();
    EXPECT_NE(server.Status().find(":" + port + ", beyond this computer"), std::string::npos);
    EXPECT_EQ(test::AskRigctld(port_, "t"), "no answer");
}

// A rigctld already answers at the rig's port: the program that keyed the rig through it (the rig
// window in a process of its own) is killed outright, and the rig is released all the same.
TEST_F(RigServerTest, TheOperatorsRigctldIsReleasedWhenTheProgramThatKeyedItIsKilled) {
    test::Rigctld own(port_);
    ASSERT_TRUE(Within(5000, [&] { return RigctldPtt(port_) == 0; }));
    QProcess holder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    holder.setProcessEnvironment(environment);
    holder.start(MUV_KEYED_RIG_HOLDER, {QString::fromStdString(own.Endpoint())});
    while (!holder.canReadLine() && holder.waitForReadyRead(30000)) {
    }
    ASSERT_EQ(holder.readLine().trimmed().toStdString(), "keyed")
        << holder.readAllStandardError().toStdString();
    ASSERT_EQ(RigctldPtt(port_), 1);

    holder.kill();
    holder.waitForFinished();
    EXPECT_TRUE(Within(2000, [&] { return RigctldPtt(port_) == 0; }));
}

// A rig file that names a serial device: rigctld, run by MUV with the file's arguments, talks to the rig
// on it (a scripted Kenwood on a pseudo-terminal).
TEST_F(RigServerTest, ARigFilesSerialDeviceIsWhereRigctldTalksToTheRig) {
    QProcess rig;
    rig.start("python3", {MUV_SCRIPTED_KENWOOD, QString::fromStdString(Path("heard"))});
    ASSERT_TRUE(
        Within(20000, [&] { return rig.canReadLine() || (rig.waitForReadyRead(100) && rig.canReadLine()); }));
    const std::string device = rig.readLine().trimmed().toStdString();
    const std::optional<RigFile> file =
        ParseRigFile("TS-2000", "# Kenwood TS-2000\n-m 2014 -r " + device + " -s 9600\n");
    ASSERT_TRUE(file.has_value());
    RigServerSetup setup;
    setup.model = file->arguments.model;
    setup.device = file->arguments.device;
    setup.speed = file->arguments.speed;
    setup.port = port_;
    RigServer server;
    server.Start(setup);
    EXPECT_TRUE(Within(15000, [&] { return test::AskRigctld(port_, "f") == "14074000"; })) << server.Status();
    EXPECT_EQ(test::AskRigctld(port_, "F 7074000"), "RPRT 0");
    server.Stop();
    EXPECT_TRUE(Within(10000, [&] {
        std::ifstream in(Path("heard"));
        std::stringstream heard;
        heard << in.rdbuf();
        return heard.str().find("FA00007074000") != std::string::npos;
    }));
    rig.kill();
    rig.waitForFinished();
}

}  // namespace
}  // namespace muv
