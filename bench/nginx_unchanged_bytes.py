#!/usr/bin/env python3
"""Bytes on the wire for unchanged pages: 200 pages of 30 KB served by a real nginx (Debian's
package, started here on a free loopback port with its own configuration: gzip on, ETag on),
checked by `pagewarden-cli check all` (after a first check that finds every page new), as
items compared as a whole and as items under the date rule, and
fetched by `curl --compressed` over the same URLs, in one run. The bytes each client received
are those nginx logged as sent ($bytes_sent: headers and body). Goal: a check of an unchanged
page costs at most 1.2 times the bytes of a 304 answer, and takes no longer than curl.

Usage: nginx_unchanged_bytes.py PATH/TO/pagewarden-cli [PATH/TO/BASELINE/pagewarden-cli]
The optional second program (an earlier build) is measured the same way, for comparison."""
import os, random, shutil, socket, subprocess, sys, tempfile, time

PAGES, PAGE_SIZE, RUNS = 200, 30 * 1024, 3
NGINX = "/usr/sbin/nginx"

CONFIG = """
worker_processes 1;
daemon off;
pid {root}/nginx.pid;
error_log {root}/error.log;
events {{ worker_connections 256; }}
http {{
  types {{ text/html html; }}
  default_type application/octet-stream;
  client_body_temp_path {root}/body;
  proxy_temp_path {root}/proxy;
  fastcgi_temp_path {root}/fastcgi;
  uwsgi_temp_path {root}/uwsgi;
  scgi_temp_path {root}/scgi;
  log_format bytes '$http_user_agent\\t$status\\t$bytes_sent';
  access_log {root}/access.log bytes;
  gzip on;
  etag on;
  keepalive_requests 10000;
  server {{
    listen 127.0.0.1:{port};
    root {root}/pages;
  }}
}}
"""

WORDS = ("update news page item check server notice list entry archive release "
         "information product support contact event schedule report summary").split()


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def write_pages(folder):
    rng = random.Random(28)
    os.makedirs(folder)
    for i in range(PAGES):
        text = "<html><head><title>page %d</title></head><body>\n" % i
        while len(text) < PAGE_SIZE - 20:
            text += "<p>%s</p>\n" % " ".join(rng.choice(WORDS) for _ in range(12))
        text = (text + "</body></html>\n")[:PAGE_SIZE]
        with open(os.path.join(folder, "p%d.html" % i), "w") as page:
            page.write(text)


def start_nginx(root, config=CONFIG):
    port = free_port()
    with open(os.path.join(root, "nginx.conf"), "w") as conf:
        conf.write(config.format(root=root, port=port))
    process = subprocess.Popen([NGINX, "-p", root, "-c", os.path.join(root, "nginx.conf"),
                                "-e", os.path.join(root, "error.log")])
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.1).close()
            return process, port
        except OSError:
            time.sleep(0.05)
    process.kill()
    sys.exit("nginx did not start: see " + os.path.join(root, "error.log"))


def logged(root):
    """(agent, status, bytes) of every request logged so far; the log is emptied."""
    path = os.path.join(root, "access.log")
    with open(path) as log:
        rows = [line.rstrip("\n").split("\t") for line in log if line.strip()]
    open(path, "w").close()
    return [(agent, int(status), int(sent)) for agent, status, sent in rows]


def timed(args):
    start = time.monotonic()
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.monotonic() - start


def settle(nginx_root):
    time.sleep(0.3)  # nginx writes its log line after the answer; let the last one land
    return logged(nginx_root)


def measure_cli(cli, urls, root, label, rule):
    home = os.path.join(root, label + rule)
    os.makedirs(home)
    os.chmod(home, 0o700)  # the program asks for a private data folder
    os.environ["XDG_CONFIG_HOME"] = os.path.join(home, "config")
    for url in urls:
        subprocess.run([cli, "--home", home, "add", url, rule], check=True,
                       stdout=subprocess.DEVNULL)
    subprocess.run([cli, "--home", home, "check", "all", "--no-actions"], check=True,
                   stdout=subprocess.DEVNULL)  # every page is new: not measured
    settle(root)
    times, per_check, statuses = [], [], set()
    for _ in range(RUNS):
        times.append(timed([cli, "--home", home, "check", "all", "--no-actions"]))
        rows = settle(root)
        if len(rows) != len(urls):
            sys.exit("%s asked %d times for %d pages" % (label, len(rows), len(urls)))
        per_check.append(sum(sent for _, _, sent in rows) / len(urls))
        statuses |= {status for _, status, _ in rows}
    return min(times), min(per_check), statuses


def measure_curl(urls, root):
    args = ["curl", "-s", "--compressed"]
    for url in urls:
        args += ["-o", "/dev/null", url]
    times, per_check = [], []
    for _ in range(RUNS):
        times.append(timed(args))
        per_check.append(sum(sent for _, _, sent in settle(root)) / len(urls))
    return min(times), min(per_check)


def not_modified_bytes(url, root):
    """The bytes of nginx's 304 answer to a GET that sends the page's ETag, as curl asks."""
    etag = subprocess.run(["curl", "-s", "-o", "/dev/null", "--compressed", "-w",
                           "%header{etag}", url], check=True, capture_output=True,
                          text=True).stdout
    subprocess.run(["curl", "-s", "-o", "/dev/null", "--compressed", "-H",
                    "If-None-Match: " + etag, url], check=True)
    rows = settle(root)
    return rows[-1][2], rows[-1][1]


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    if not os.path.exists(NGINX):
        sys.exit("nginx is not installed (Debian package nginx-light)")
    clis = [("pagewarden-cli", sys.argv[1])]
    if len(sys.argv) > 2:
        clis.append(("baseline", sys.argv[2]))
    root = tempfile.mkdtemp(prefix="pw-nginx-bench-")
    os.chmod(root, 0o755)  # nginx's workers run as another user when started by root
    write_pages(os.path.join(root, "pages"))
    nginx, port = start_nginx(root)
    try:
        urls = ["http://127.0.0.1:%d/p%d.html" % (port, i) for i in range(PAGES)]
        # Pages compared as a whole (a GET, conditional where the program can), and pages
        # under the date rule (a HEAD for the date, before any GET).
        results = [("%s %s" % (label, rule),) + measure_cli(cli, urls, root, label, rule)
                   for rule in ("--full", "--date-rule") for label, cli in clis]
        curl_time, curl_bytes = measure_curl(urls, root)
        answer_304, status_304 = not_modified_bytes(urls[0], root)
    finally:
        nginx.terminate()
        nginx.wait()
        shutil.rmtree(root, ignore_errors=True)

    print("%d unchanged pages of %d bytes on nginx (gzip, ETag), best of %d runs:"
          % (PAGES, PAGE_SIZE, RUNS))
    print("  a 304 answer to If-None-Match: %d bytes (status %d)" % (answer_304, status_304))
    for label, seconds, per_check, statuses in results:
        print("  %-26s check all: %.3f s, %.0f bytes received per page (answers %s)"
              % (label, seconds, per_check, "/".join(str(s) for s in sorted(statuses))))
    print("  %-36s %.3f s, %.0f bytes received per page" % ("curl --compressed:",
          curl_time, curl_bytes))
    for label, seconds, per_check, _ in results:
        ratio = per_check / answer_304
        print("%s: bytes per unchanged check / 304 answer = %.2f (goal <= 1.20): %s; "
              "time / curl's = %.2f" % (label, ratio, "met" if ratio <= 1.2 else "MISSED",
                                        seconds / curl_time))


if __name__ == "__main__":
    main()
