"""A loopback SMTP server for the mail integration tests, on aiosmtpd.

Usage: smtp_server.py FOLDER USER PASSWORD REQUIRE_AUTH(0|1) [starttls|tls CERT KEY]
Listens on 127.0.0.1 on a free port, prints the port on one line, and stores each
message as FOLDER/NNN.eml (the data as received, dots undone) with FOLDER/NNN.env
(sender and recipients). AUTH PLAIN accepts USER/PASSWORD; it is offered without TLS
unless STARTTLS is: then only after it. "tls" speaks TLS from the first byte.
Stops when its standard input closes.
"""
import asyncio
import os
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        base = os.path.join(self.folder, "%03d" % self.count)
        self.count += 1
        with open(base + ".eml", "wb") as out:
            out.write(envelope.original_content)
        with open(base + ".env", "w") as out:
            out.write(envelope.mail_from + "\n")
            for rcpt in envelope.rcpt_tos:
                out.write(rcpt + "\n")
        return "250 Message accepted for delivery"


def main():
    folder, user, password, require_auth = sys.argv[1:5]
    mode = sys.argv[5] if len(sys.argv) > 5 else "plain"
    context = None
    if mode != "plain":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(sys.argv[6], sys.argv[7])

    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = (mechanism == "PLAIN" and isinstance(auth_data, LoginPassword)
              and auth_data.login == user.encode() and auth_data.password == password.encode())
        return AuthResult(success=ok, handled=False)

    handler = Store(folder)
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    server = loop.run_until_complete(loop.create_server(
        lambda: SMTP(handler, hostname="integration.test", authenticator=authenticate,
                     auth_require_tls=mode == "starttls", auth_required=require_auth == "1",
                     auth_exclude_mechanism=["LOGIN"],
                     tls_context=context if mode == "starttls" else None,
                     require_starttls=mode == "starttls"),
        "127.0.0.1", 0, ssl=context if mode == "tls" else None))
    print(server.sockets[0].getsockname()[1], flush=True)

    def on_input():
        if not os.read(sys.stdin.fileno(), 1024):
            loop.stop()

    loop.add_reader(sys.stdin.fileno(), on_input)
    loop.run_forever()
    server.close()


if __name__ == "__main__":
    main()
