// The last line of defence against a transmitter left keyed: what must be released when the program
// dies without running its shut-down (a crash), and the means to release it from a signal handler.
//
// A crash handler cannot reach the program's objects, so the keying code keeps this one process-wide
// record current while something is keyed: the serial port whose control lines key the radio (with the
// text that tells a DDS box to stop) and, per rig, the rigctld that was told to key by CAT. The handler
// only reads the record and uses async-signal-safe calls: it drops the lines, writes the text, and
// sends the CAT release on a short fresh connection.
#pragma once

#include <sys/socket.h>

namespace muv::emergency {

constexpr int kRigs = 2;

// The serial port that keys the radio, while it is open; Clear forgets it when it is still that one.
void SetSerialPort(int fd);
void ClearSerialPort(int fd);
// Text to write to the serial port before its lines drop (a DDS box's "KEY OFF"), "" for none. Longer
// than 63 bytes is cut.
void SetSerialReleaseText(const char* text);

// Rig 1 or 2 may be keyed by CAT: the rigctld address and the command line that releases it ("T 0\n").
void SetCatRelease(int rig, const sockaddr* address, socklen_t length, const char* line);
void ClearCatRelease(int rig);
// True while a CAT release is recorded for the rig.
bool CatReleaseRecorded(int rig);

// Sends the line to the rigctld at the address on a connection of its own and waits for rigctld's
// "RPRT" reply, at most timeoutMs in all. True when it answered RPRT 0. Async-signal-safe.
bool SendCatLine(const sockaddr* address, socklen_t length, const char* line, int timeoutMs);

// Releases everything the record holds: serial text, lines down, then each recorded CAT release.
// Async-signal-safe.
void ReleaseAll(int catTimeoutMs);

// Handlers for SIGSEGV, SIGBUS, SIGILL, SIGFPE and SIGABRT that release everything and then let the
// signal end the process as it would have (core dump included). Runs on an alternate stack, so a
// stack overflow is covered too.
void InstallCrashHandlers();

}  // namespace muv::emergency
