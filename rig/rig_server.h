// The CAT server of one rig, run by MUV itself: a rigctld on loopback, started through muv-rig-keeper,
// which releases the rig's PTT and stops rigctld when MUV lets go of it or ends in any way, a kill
// included. A rigctld that already answers at the rig's port is the operator's own: it is used as it is
// and never started or stopped here, but guarded by muv-rig-keeper --guard, which releases the rig when
// MUV ends in any way while it has the rig keyed through it.
#pragma once

#include <sys/types.h>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

namespace muv {

// How rigctld reaches a rig: Hamlib's model number, the serial device, its speed and PTT method
// (empty: the model's own), and what a rig file adds.
struct RigServerSetup {
    int model = 0;
    std::string device;
    int speed = 0;
    std::string ptt;
    std::vector<std::string> extra;
    int port = 0;

    bool operator==(const RigServerSetup&) const = default;
};

// rigctld's arguments for a rig (without the port and address, which the keeper adds).
std::vector<std::string> RigctldArguments(const RigServerSetup& setup);

class RigServer : public QObject {
public:
    // kRefused: rigctld is not run with this setup (its arguments, or where rigctld listened); the status
    // says why.
    enum class State { kOff, kOperatorsOwn, kStarting, kRunning, kWaitingToRestart, kRefused };

    explicit RigServer(QObject* parent = nullptr);
    ~RigServer() override;  // stops the server

    // Starts rigctld for the rig unless one answers at the port already; a server already running with
    // another setup is stopped first, and its rigctld's end awaited when the port stays the same.
    void Start(const RigServerSetup& setup);
    // The rig is reached through a rigctld that MUV does not run (on another computer, or for a rig not
    // set up here): it is the operator's own, only guarded.
    void Guard(const std::string& host, int port);
    // Lets go of the rig: the keeper releases the PTT and stops rigctld; MUV does not wait for it. The
    // guard of the operator's own rigctld releases the rig when it was last told that the rig is keyed.
    void Stop();

    // The rig's engine keys the rig through this server's rigctld (true, as the key goes out) or has had
    // its release confirmed (false): the guard of the operator's own rigctld is told.
    void RigKeyed(bool keyed);

    State GetState() const { return state_; }
    // What the server is doing, for the rig's status text; empty while it runs as it should.
    const std::string& Status() const { return status_; }
    std::function<void()> StatusChange;

    // Where the keeper and rigctld are found (tests point them elsewhere).
    static std::string& KeeperPath();
    static std::string& RigctldPath();

private:
    void Launch();
    void StartUnlessAnswered();
    void StartGuard();
    void StopGuard();
    // Tells the guard whether the rig is keyed; false when the guard has gone.
    bool TellGuard();
    void ReadLastWords();
    void OnEnded();
    void SetStatus(State state, std::string status);

    RigServerSetup setup_;
    pid_t keeper_ = -1;
    int lifeline_ = -1;  // the write end of the keeper's standard input: only this process holds it
    int lastWordsFd_ = -1;
    int endFd_ = -1;  // readable when the keeper has ended
    // The keeper let go of last, until it has ended (its rigctld may hold the port until then), and the
    // port it was given.
    QPointer<QObject> leaving_;
    int leavingPort_ = 0;
    QMetaObject::Connection awaitingLeaving_;
    QSocketNotifier* lastWordsNotifier_ = nullptr;
    QSocketNotifier* endNotifier_ = nullptr;
    QTimer restart_;
    QTimer settled_;  // a server that has run a while starts its back-off afresh
    int failures_ = 0;
    State state_ = State::kOff;
    std::string status_;
    std::string lastWords_;
    // The guard of the operator's own rigctld, and the write end of its standard input.
    std::string guardHost_ = "127.0.0.1";
    pid_t guard_ = -1;
    int guardLifeline_ = -1;
    bool keyed_ = false;
};

}  // namespace muv
