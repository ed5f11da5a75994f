# POP before SMTP for the private postfix, the way the classic daemons do it: a postfix
# socketmap table that answers "OK" for a client address that dovecot's log shows logged
# in to POP3, and NOTFOUND for any other. Prints its port, then serves until stdin closes.
# Usage: pop_before_smtp_map.py DOVECOT_LOG
import re
import socket
import sys
import threading


def read_netstring(stream):
    length = b""
    while True:
        ch = stream.read(1)
        if not ch:
            return None
        if ch == b":":
            break
        length += ch
    data = stream.read(int(length))
    stream.read(1)  # the closing comma
    return data.decode()


def logged_in(log_path, address):
    try:
        with open(log_path, encoding="utf-8", errors="replace") as log:
            text = log.read()
    except OSError:
        return False
    return re.search(r"pop3-login: Info: Login: .*rip=" + re.escape(address) + r"\b", text) is not None


def serve(connection, log_path):
    stream = connection.makefile("rb")
    with connection:
        while True:
            request = read_netstring(stream)
            if request is None:
                return
            _, _, key = request.partition(" ")
            answer = "OK OK" if logged_in(log_path, key) else "NOTFOUND "
            reply = answer.encode()
            connection.sendall(str(len(reply)).encode() + b":" + reply + b",")


def main():
    log_path = sys.argv[1]
    server = socket.socket()
    server.bind(("127.0.0.1", 0))
    server.listen(8)
    print(server.getsockname()[1], flush=True)

    def accept():
        while True:
            connection, _ = server.accept()
            threading.Thread(target=serve, args=(connection, log_path), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    sys.stdin.read()


main()
