# A rigctld for the tests of the keeper, started as the keeper starts rigctld (the arguments given, then
# "-T 127.0.0.1 -t PORT"), with its rig keyed: the first arguments name a log and how many connections
# find the rig busy. On those every command is refused with "RPRT -9", as rigctld answers what the rig
# rejected; on the later ones "T 0" releases the rig and "t" reads its PTT. Every command heard goes to
# the log, one per line, and "released" follows a release carried out.
import socket, sys
log = open(sys.argv[1], "a", buffering=1)
busy = int(sys.argv[2])
port = int(sys.argv[sys.argv.index("-t") + 1])
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", port))
server.listen(4)
keyed = 1
while True:
    connection, _ = server.accept()
    refusing = busy > 0
    busy -= 1
    with connection, connection.makefile("r") as lines:
        for line in lines:
            command = line.strip()
            log.write(command + "\n")
            if refusing:
                answer = "RPRT -9"
            elif command == "T 0":
                keyed = 0
                log.write("released\n")
                answer = "RPRT 0"
            elif command == "t":
                answer = str(keyed)
            else:
                answer = "RPRT -11"
            connection.sendall((answer + "\n").encode())
