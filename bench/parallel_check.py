#!/usr/bin/env python3
"""pagewarden-cli check all over 100 pages that each answer after 50 ms, spread over eight
loopback hosts (127.0.0.1 to 127.0.0.8), with 1 and with 8 jobs, against
curl --parallel --parallel-max 8 over the same URLs, in one run. Goal: 8 jobs within 1.5
times curl's time. Usage: parallel_check.py PATH/TO/pagewarden-cli"""
import http.server, os, socketserver, subprocess, sys, tempfile, threading, time

PAGES, HOSTS, DELAY = 100, 8, 0.05


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        time.sleep(DELAY)
        body = b"<html><body><p>page %s</p></body></html>\n" % self.path.encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    do_HEAD = do_GET

    def log_message(self, *args):
        pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a client that closes a kept-alive connection is no fault here


def timed(args):
    start = time.monotonic()
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.monotonic() - start


def main():
    cli = sys.argv[1]
    first = Server(("127.0.0.1", 0), Handler)
    port = first.server_address[1]
    servers = [first] + [Server(("127.0.0.%d" % h, port), Handler) for h in range(2, HOSTS + 1)]
    for server in servers:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    urls = ["http://127.0.0.%d:%d/p%d.html" % (i % HOSTS + 1, port, i) for i in range(PAGES)]
    with tempfile.TemporaryDirectory() as home:
        os.environ["XDG_CONFIG_HOME"] = os.path.join(home, "config")
        for url in urls:
            subprocess.run([cli, "--home", home, "add", url], check=True, stdout=subprocess.DEVNULL)
        subprocess.run([cli, "--home", home, "check", "all", "--no-actions"], check=True,
                       stdout=subprocess.DEVNULL)  # every page new: not measured
        best = {}
        for jobs in (1, 8):
            best[jobs] = min(timed([cli, "--home", home, "check", "all", "--no-actions",
                                    "--jobs", str(jobs)]) for _ in range(3))
        curl = ["curl", "-s", "--parallel", "--parallel-max", "8"]
        for url in urls:
            curl += ["-o", "/dev/null", url]
        best_curl = min(timed(curl) for _ in range(3))
    print("%d pages, %d ms each, %d loopback hosts, best of 3:" % (PAGES, DELAY * 1000, HOSTS))
    print("  check all, 1 job:  %.3f s" % best[1])
    print("  check all, 8 jobs: %.3f s" % best[8])
    print("  curl --parallel-max 8: %.3f s" % best_curl)
    ratio = best[8] / best_curl
    print("8 jobs / curl = %.2f (goal <= 1.50): %s" % (ratio, "met" if ratio <= 1.5 else "MISSED"))


if __name__ == "__main__":
    main()
