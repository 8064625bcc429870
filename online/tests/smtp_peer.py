"""Local SMTP servers for the mail tests, run with the system's Python and its aiosmtpd.

Usage: smtp_peer.py FOLDER

Makes a throw-away certificate for 127.0.0.1 in FOLDER, then serves three SMTP servers on free
loopback ports:
  starttls  offers STARTTLS, and AUTH only after it
  smtps     TLS from the first byte (the port 465 way), with AUTH
  plain     no TLS at all, and AUTH offered in clear
Every server takes the accounts in ACCOUNTS and refuses any other login with 535, and refuses with 550
every recipient whose address begins with "reject". Each message received is written to FOLDER as
mail-N.json (envelope, decoded headers, text body, attachments) beside its raw mail-N.eml; each login
attempt as auth-N.json. Files appear whole (written aside, then renamed).

Prints one line "ports STARTTLS SMTPS PLAIN CERTFILE" when the servers listen, and serves until its
standard input ends.
"""

import base64
import email
import email.policy
import errno
import itertools
import json
import logging
import os
import socket
import subprocess
import sys
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult

ACCOUNTS = {("muv-user", "right-pw"), ("op@example.org", "right-pw")}

folder = sys.argv[1]
# aiosmtpd's own log (and its deprecation warnings) would only clutter the test output.
logging.getLogger("mail.log").setLevel(logging.CRITICAL)
numbers = itertools.count(1)
numbers_lock = threading.Lock()


def next_number():
    with numbers_lock:
        return next(numbers)


def write_json(name, record):
    path = os.path.join(folder, name)
    with open(path + ".part", "w", encoding="utf-8") as f:
        json.dump(record, f)
    os.replace(path + ".part", path)


def uses_tls(server):
    return server.transport is not None and server.transport.get_extra_info("ssl_object") is not None


def authenticator(name):
    def check(server, session, envelope, mechanism, auth_data):
        login = auth_data.login.decode("utf-8", "replace")
        password = auth_data.password.decode("utf-8", "replace")
        ok = (login, password) in ACCOUNTS
        write_json(f"auth-{next_number()}.json",
                   {"server": name, "login": login, "ok": ok, "tls": uses_tls(server)})
        # handled=False lets the server answer a refusal with its 535.
        return AuthResult(success=ok, handled=False, auth_data=login if ok else None)

    return check


class Recorder:
    def __init__(self, name):
        self.name = name

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower().startswith("reject"):
            return "550 5.1.1 Mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        raw = envelope.original_content or envelope.content
        number = next_number()
        with open(os.path.join(folder, f"mail-{number}.eml"), "wb") as f:
            f.write(raw)
        msg = email.message_from_bytes(raw, policy=email.policy.default)
        text = msg.get_body(preferencelist=("plain",))
        attachments = []
        for part in msg.iter_attachments():
            attachments.append({
                "filename": part.get_filename(),
                "content_type": part.get_content_type(),
                "data": base64.b64encode(part.get_payload(decode=True) or b"").decode("ascii"),
            })
        write_json(f"mail-{number}.json", {
            "server": self.name,
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "authenticated": bool(session.authenticated),
            "login": session.auth_data if session.authenticated else None,
            "tls": uses_tls(server),
            "subject": str(msg["Subject"] or ""),
            "from": str(msg["From"] or ""),
            "to": str(msg["To"] or ""),
            "date": str(msg["Date"] or ""),
            "message_id": str(msg["Message-ID"] or ""),
            "mime_version": str(msg["MIME-Version"] or ""),
            "content_type": msg.get_content_type(),
            "body": text.get_content() if text is not None else None,
            "attachments": attachments,
        })
        return "250 OK"


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def make_certificate():
    cert = os.path.join(folder, "cert.pem")
    key = os.path.join(folder, "key.pem")
    subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
         "-nodes", "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=localhost",
         "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"],
        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


def main():
    import ssl

    cert, key = make_certificate()
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    common = {"hostname": "127.0.0.1", "server_hostname": "peer.test", "ready_timeout": 10}
    kinds = [
        ("starttls", {"tls_context": context, "auth_require_tls": True}),
        ("smtps", {"ssl_context": context, "auth_require_tls": False}),
        ("plain", {"auth_require_tls": False}),
    ]
    controllers, ports = [], []
    for name, options in kinds:
        # A free port can be taken by another test between the probe and the bind: then another one.
        for attempt in range(20):
            port = free_port()
            c = Controller(Recorder(name), port=port, authenticator=authenticator(name), **options, **common)
            try:
                c.start()
            except OSError as e:
                if e.errno != errno.EADDRINUSE or attempt == 19:
                    raise
                continue
            controllers.append(c)
            ports.append(port)
            break
    print("ports", *ports, cert, flush=True)
    try:
        sys.stdin.read()
    finally:
        for c in controllers:
            c.stop()


if __name__ == "__main__":
    main()
