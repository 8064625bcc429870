# A rig on a pseudo-terminal that answers the Kenwood CAT commands Hamlib's TS-2000 backend uses, for the
# tests of a rig reached through a serial device. Prints the device's name, then answers until nothing
# has come for a minute; every command it hears goes, one per line, to the log named on the command line.
import os, pty, sys, time, select, tty
master, slave = pty.openpty()
tty.setraw(slave)
print(os.ttyname(slave), flush=True)
freq = 14074000
buf = b""
answers = {b"ID": b"ID019;", b"AI": b"AI0;", b"PS": b"PS1;", b"FR": b"FR0;", b"FT": b"FT0;", b"MD": b"MD2;",
           b"RX": None, b"TX": None, b"KS": b"KS020;", b"EX": b"?;"}
log = open(sys.argv[1], "ab", buffering=0) if len(sys.argv) > 1 else None
while True:
    r, _, _ = select.select([master], [], [], 60)
    if not r: break
    try:
        data = os.read(master, 1024)
    except OSError:
        time.sleep(0.05); continue
    buf += data
    while b";" in buf:
        cmd, buf = buf.split(b";", 1)
        cmd = cmd.strip()
        if log: log.write(cmd + b"\n")
        head = cmd[:2]
        if head in (b"FA", b"FB"):
            if len(cmd) > 2: freq = int(cmd[2:])
            else: os.write(master, head + b"%011d;" % freq)
        elif head == b"IF":
            os.write(master, b"IF%011d" % freq + b"     +00000000002000000 ;")
        elif head in answers:
            if answers[head] and len(cmd) == 2: os.write(master, answers[head])
        else:
            os.write(master, b"?;")
