#!/usr/bin/env python3
"""A DX-cluster flood against the real program, and what it costs the program.

The script plays a cluster node on loopback: it takes the program's log-in (the operator's callsign and
"JOIN MUV"), then sends RATE spot lines a second that spot the operator's callsign, every one a
different spotter, frequency and comment. It starts the program itself (offscreen, in a throwaway home
with its own settings, the on-line services on loopback, WAV files in place of the sound card) and
samples the program's main thread (/proc/PID/task/PID/stat) and its resident memory (VmRSS) while the
flood runs.

    bench/cluster_flood.py --program build/session/MUV [--rate 2000] [--seconds 10] [--warmup 2]
                           [--burst-ms 10] [--cpu N] [--keep HOME]

--burst-ms: the lines due are written every so many milliseconds, each time in one write (0: each line
in a write of its own). --cpu: the program is pinned to that core (taskset). Without --program the
script only serves the flood on --port, for a program started by hand.
"""

import argparse
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

CALL = "EA4XYZ"
SPOTTERS = ["DL1ABC", "G4AAA", "K1ABC", "F5XYZ", "I2QRP", "JA1XX", "VK2AB", "PY2ZZ", "ZS6AA", "OH2BH"]
CLK_TCK = os.sysconf("SC_CLK_TCK")


def spot_line(n):
    """A cluster spot laid out by its columns: spotter, frequency, spotted call, comment, time."""
    spotter = SPOTTERS[n % len(SPOTTERS)]
    frequency = "%d.%d" % (14070 + n % 50, n % 10)
    line = "DX de %s:" % spotter
    line = line.ljust(24 - len(frequency)) + frequency + "  " + CALL + "/P"
    line = line.ljust(39) + ("MUV16 %d dB spot %d" % (n % 30, n))[:30]
    line = line.ljust(70) + "%02d%02dZ" % ((n // 60) % 24, n % 60)
    return (line + "\r\n").encode("ascii")


class Flood:
    def __init__(self, port, rate, burst_ms):
        self.server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.server.bind(("127.0.0.1", port))
        self.server.listen(4)
        self.port = self.server.getsockname()[1]
        self.rate = rate
        self.burst_ms = burst_ms
        self.sent = 0
        self.logged_in = threading.Event()
        self.stop = threading.Event()
        self.connections = 0

    def serve(self):
        while not self.stop.is_set():
            self.server.settimeout(0.5)
            try:
                conn, _ = self.server.accept()
            except socket.timeout:
                continue
            self.connections += 1
            try:
                self.talk(conn)
            except OSError:
                pass
            finally:
                conn.close()

    def talk(self, conn):
        conn.settimeout(10)
        heard = b""
        while b"JOIN MUV\r\n" not in heard:
            more = conn.recv(4096)
            if not more:
                return
            heard += more
        conn.sendall(b"login: " + CALL.encode() + b"\r\nWelcome to the flood node\r\n")
        self.logged_in.set()
        start = time.monotonic()
        due_sent = 0
        while not self.stop.is_set():
            due = int((time.monotonic() - start) * self.rate)
            # A program that cannot keep up holds the writes back; the backlog is not made up for.
            if due - due_sent > self.rate:
                due_sent = due - self.rate
            lines = [spot_line(n) for n in range(due_sent, due)]
            if lines:
                if self.burst_ms > 0:
                    conn.sendall(b"".join(lines))
                else:
                    for line in lines:
                        conn.sendall(line)
                self.sent += len(lines)
                due_sent = due
            time.sleep(self.burst_ms / 1000.0 if self.burst_ms > 0 else 1.0 / self.rate)


def silent_wav(path, seconds=5, rate=48000):
    data = b"\0\0" * (seconds * rate)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt ")
        f.write(struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16))
        f.write(b"data" + struct.pack("<I", len(data)) + data)


def thread_ticks(pid, tid):
    with open("/proc/%d/task/%d/stat" % (pid, tid)) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime, stime


def process_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def rss_mb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--program", help="the MUV binary to start")
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--rate", type=int, default=2000, help="spot lines a second")
    ap.add_argument("--seconds", type=float, default=10, help="the measured time")
    ap.add_argument("--warmup", type=float, default=2, help="flood before the measurement starts")
    ap.add_argument("--burst-ms", type=int, default=10)
    ap.add_argument("--cpu", type=int, help="pin the program to this core")
    ap.add_argument("--keep", help="use this folder as the program's home and keep it")
    args = ap.parse_args()

    flood = Flood(args.port, args.rate, args.burst_ms)
    server = threading.Thread(target=flood.serve, daemon=True)
    server.start()
    if not args.program:
        print("flood node on 127.0.0.1:%d, %d lines/s" % (flood.port, args.rate))
        server.join()
        return 0

    home = args.keep or tempfile.mkdtemp(prefix="muv_flood_")
    config = os.path.join(home, "config", "MUV")
    os.makedirs(config, exist_ok=True)
    os.makedirs(os.path.join(home, "data"), exist_ok=True)
    servers = os.path.join(home, "servers.ini")
    offline = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "test_support",
                           "offline_servers.ini")
    with open(offline) as f:
        text = f.read().replace("ClusterPort=1", "ClusterPort=%d" % flood.port)
    with open(servers, "w", newline="\r\n") as f:
        f.write(text)
    with open(os.path.join(config, "MUV.ini"), "w", newline="\r\n") as f:
        f.write("[Operador]\nCallsign=%s/P\nQTH=Madrid\nLocator=IN80dk\n" % CALL)
    silent_wav(os.path.join(home, "input.wav"))
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"), MUV_SERVERS=servers,
               MUV_SOUND_INPUT=os.path.join(home, "input.wav"),
               MUV_SOUND_OUTPUT=os.path.join(home, "output.wav"))
    total = args.warmup + args.seconds + 5
    command = [args.program, "--screenshot", os.path.join(home, "window.png"), "--after", str(total)]
    if args.cpu is not None:
        command = ["taskset", "-c", str(args.cpu)] + command
    program = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    pid = program.pid
    if args.cpu is not None:
        # taskset becomes the program (same process id) once it has set the affinity.
        time.sleep(0.2)
    try:
        rss_idle = None
        if not flood.logged_in.wait(30):
            print("the program never logged in", file=sys.stderr)
            return 1
        rss_idle = rss_mb(pid)
        time.sleep(args.warmup)
        sent0, main0, all0, t0 = flood.sent, thread_ticks(pid, pid), process_ticks(pid), time.monotonic()
        rss = [rss_mb(pid)]
        while time.monotonic() - t0 < args.seconds:
            time.sleep(0.5)
            rss.append(rss_mb(pid))
        sent1, main1, all1, t1 = flood.sent, thread_ticks(pid, pid), process_ticks(pid), time.monotonic()
        seconds = t1 - t0
        lines = sent1 - sent0
        main_share = (main1 - main0) / CLK_TCK / seconds
        print("program          %s" % args.program)
        print("lines sent       %d in %.1f s (%.0f a second, %s)" %
              (lines, seconds, lines / seconds,
               "each in its own write" if args.burst_ms <= 0 else "written every %d ms" % args.burst_ms))
        print("main thread      %.1f %% of a core (%.3f ms a line)" %
              (100 * main_share, 1000 * main_share * seconds / max(lines, 1)))
        print("whole process    %.1f %% of a core" % (100 * (all1 - all0) / CLK_TCK / seconds))
        print("RSS              %.1f MB at log-in, %.1f MB at start, %.1f MB max, %.1f MB at end" %
              (rss_idle, rss[0], max(rss), rss[-1]))
        print("connections      %d" % flood.connections)
    finally:
        flood.stop.set()
        program.terminate()
        try:
            program.wait(10)
        except subprocess.TimeoutExpired:
            program.kill()
        if not args.keep:
            shutil.rmtree(home, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
