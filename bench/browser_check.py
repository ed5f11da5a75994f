#!/usr/bin/env python3
"""Checks through the headless browser: a loopback page whose list a script writes 300 ms
after the load, from JSON it fetches, served by a real nginx (Debian's package, started here
on a free loopback port with its own configuration). In one run:

1. time: `pagewarden-cli check 1` of a browser item against `chromium --headless=new
   --dump-dom URL` alone on the same page (median of RUNS each). Goal: at most 1.3 times.
2. memory: the peak resident memory of pagewarden-cli itself (VmHWM, sampled) for a plain
   check, for one browser check and for 20 browser checks in a row; the goal is that it
   stays flat. The browser's own memory (the largest sum of its processes' RSS) is
   reported beside it.
3. leftovers: after 20 browser checks in a row no process names the data folder and "comp"
   holds no profile and no temporary file.

Usage: browser_check.py PATH/TO/pagewarden-cli"""
import os, shutil, statistics, subprocess, sys, tempfile, time

from nginx_unchanged_bytes import start_nginx

RUNS, IN_A_ROW = 5, 20
NGINX = "/usr/sbin/nginx"

CONFIG = """
worker_processes 1;
daemon off;
pid {root}/nginx.pid;
error_log {root}/error.log;
events {{ worker_connections 256; }}
http {{
  types {{ text/html html; application/json json; }}
  client_body_temp_path {root}/body;
  proxy_temp_path {root}/proxy;
  fastcgi_temp_path {root}/fastcgi;
  uwsgi_temp_path {root}/uwsgi;
  scgi_temp_path {root}/scgi;
  access_log off;
  server {{
    listen 127.0.0.1:{port};
    root {root}/pages;
  }}
}}
"""

PAGE = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>shop</title></head><body>
<ul id="list"></ul><script>setTimeout(() => fetch('data.json').then(r => r.json()).then(d => {
const ul = document.getElementById('list'); for (const x of d.items) {
const li = document.createElement('li'); li.textContent = x; ul.appendChild(li); } }), 300);
</script></body></html>
"""


def serve_page(root):
    os.makedirs(os.path.join(root, "pages"))
    with open(os.path.join(root, "pages", "shop.html"), "w") as page:
        page.write(PAGE)
    with open(os.path.join(root, "pages", "data.json"), "w") as data:
        data.write('{"items": ["apple", "pear", "plum"]}')
    return start_nginx(root, CONFIG)


def processes_naming(text):
    """(pid, rss in KiB) of the running processes whose command line holds `text`."""
    found = []
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % name, "rb") as cmdline:
                if text.encode() not in cmdline.read():
                    continue
            with open("/proc/%s/status" % name) as status:
                fields = dict(line.split(":", 1) for line in status if ":" in line)
            if fields.get("State", "").strip().startswith("Z"):
                continue
            found.append((int(name), int(fields.get("VmRSS", "0 kB").split()[0])))
        except (OSError, ValueError):
            pass
    return found


def run_sampled(args, watched_text):
    """Runs `args`; its time, its own peak memory (VmHWM, KiB) and the largest sum of the
    RSS of the processes naming `watched_text` (the browser's), sampled every 20 ms."""
    start = time.monotonic()
    child = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    peak, browser = 0, 0
    while child.poll() is None:
        try:
            with open("/proc/%d/status" % child.pid) as status:
                for line in status:
                    if line.startswith("VmHWM:"):
                        peak = max(peak, int(line.split()[1]))
        except OSError:
            pass
        browser = max(browser, sum(rss for pid, rss in processes_naming(watched_text)
                                   if pid != child.pid))
        time.sleep(0.02)
    elapsed = time.monotonic() - start
    if child.returncode not in (0, 3):
        sys.exit("%s ended with %d" % (" ".join(args), child.returncode))
    return elapsed, peak, browser


def chromium_alone(url):
    args = ["chromium", "--headless=new", "--dump-dom", url]
    if os.geteuid() == 0:
        args.insert(2, "--no-sandbox")
    start = time.monotonic()
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.monotonic() - start


def cli_folder(cli, root, name, urls, options):
    home = os.path.join(root, name)
    os.makedirs(home)
    os.chmod(home, 0o700)
    os.environ["XDG_CONFIG_HOME"] = os.path.join(home, "config")
    for url in urls:
        subprocess.run([cli, "--home", home, "add", url, "--full"] + options, check=True,
                       stdout=subprocess.DEVNULL)
    return home


def leftovers(home):
    comp = os.path.join(home, "comp")
    files = [name for name in os.listdir(comp)
             if name.startswith("browser-") or name.startswith("temp")]
    return processes_naming(home), files


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    cli = os.path.abspath(sys.argv[1])
    if not os.path.exists(NGINX) or not shutil.which("chromium"):
        sys.exit("nginx and chromium are needed (Debian packages nginx-light, chromium)")
    root = tempfile.mkdtemp(prefix="pw-browser-bench-")
    os.chmod(root, 0o755)  # nginx's workers run as another user when started by root
    nginx, port = serve_page(root)
    try:
        url = "http://127.0.0.1:%d/shop.html" % port
        chromium_alone(url)  # the first start reads the program from the disk: not measured
        one = cli_folder(cli, root, "one", [url], ["--browser"])
        alone, ours = [], []
        for _ in range(RUNS):  # taken in turns, so that a busy moment weighs on both
            alone.append(chromium_alone(url))
            ours.append(run_sampled([cli, "--home", one, "check", "1", "--no-actions"], one))
        plain = cli_folder(cli, root, "plain", [url], [])
        plain_peak = max(run_sampled([cli, "--home", plain, "check", "1", "--no-actions"],
                                     plain)[1] for _ in range(RUNS))
        many = cli_folder(cli, root, "many", ["%s?%d" % (url, i) for i in range(IN_A_ROW)],
                          ["--browser"])
        row_time, row_peak, row_browser = run_sampled(
            [cli, "--home", many, "check", "all", "--no-actions", "--jobs", "1"], many)
        processes, files = leftovers(many)
    finally:
        nginx.terminate()
        nginx.wait()
        shutil.rmtree(root, ignore_errors=True)

    alone_median = statistics.median(alone)
    ours_median = statistics.median(run[0] for run in ours)
    ratio = ours_median / alone_median
    one_peak = max(run[1] for run in ours)
    browser_peak = max(run[2] for run in ours)
    print("A page whose list a script writes 300 ms after the load, median of %d runs:" % RUNS)
    print("  chromium --headless=new --dump-dom URL: %.2f s" % alone_median)
    print("  pagewarden-cli check 1 (browser item):  %.2f s" % ours_median)
    print("  ratio %.2f (goal <= 1.30): %s" % (ratio, "met" if ratio <= 1.3 else "MISSED"))
    print("Peak memory of pagewarden-cli (VmHWM): plain check %d KiB, one browser check %d KiB,"
          " %d browser checks in a row %d KiB (%.2f x one)" % (plain_peak, one_peak, IN_A_ROW,
                                                                row_peak, row_peak / one_peak))
    print("The browser's own memory (largest sum of its processes' RSS): %d KiB in one check,"
          " %d KiB over %d in a row (%.1f s)" % (browser_peak, row_browser, IN_A_ROW, row_time))
    print("After %d browser checks in a row: %d processes name the data folder, comp holds %s"
          % (IN_A_ROW, len(processes), files if files else "no profile and no temporary file"))


if __name__ == "__main__":
    main()
