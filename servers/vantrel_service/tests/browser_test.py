#!/usr/bin/python3
"""web/demo.html in headless Chromium, served on loopback from an allowed origin: it scans a 4-page
batch through web/vantrel.js from vantrel-service under Wine with the sample scanner, the pages
arrive as thumbnails (a screenshot is kept); from an origin not on the list it is refused and
nothing is scanned.

Usage: browser_test.py SERVICE_EXE PORT WORK_DIR WEB_DIR   (PORT + 1 and + 2 serve the page)
"""
import os
import subprocess
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree

import service_process

SERVICE, PORT, WORK, WEB = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
ALLOWED, REFUSED = PORT + 1, PORT + 2
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what, flush=True)


def chromium(origin_port, *mode):
    url = f"http://127.0.0.1:{origin_port}/demo.html?auto=1&service=http://127.0.0.1:{PORT}"
    profile = os.path.join(WORK, f"chromium-{origin_port}")
    return subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", f"--user-data-dir={profile}",
                           "--virtual-time-budget=120000", "--window-size=1280,700", *mode, url],
                          capture_output=True, text=True, timeout=300).stdout


log = os.path.join(WORK, "browser-scanner.log")
if os.path.exists(log):
    os.remove(log)
env = dict(os.environ, VANTREL_SCANNER_LOG=log, VANTREL_SCANNER_SHEETS="2")
pages = [subprocess.Popen([sys.executable, "-m", "http.server", str(port), "--bind", "127.0.0.1", "--directory", WEB],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) for port in (ALLOWED, REFUSED)]
service = service_process.start(SERVICE, ["--listen", f"127.0.0.1:{PORT}", "--allow-origin", f"http://127.0.0.1:{ALLOWED}"], env,
                                os.path.join(WORK, "browser-service.txt"))
try:
    dom = chromium(ALLOWED, "--dump-dom")
    check("Done: 4 pages" in dom and dom.count("<img src=\"blob:") == 4, f"the allowed page scanned 4 pages: {dom[-600:]}")
    screenshot = os.path.join(WORK, "demo.png")
    chromium(ALLOWED, f"--screenshot={screenshot}")
    check(os.path.exists(screenshot) and open(screenshot, "rb").read(4) == b"\x89PNG", f"the screenshot is kept in {screenshot}")
    scans = open(log).read().count("MSG_ENABLEDS")
    check(scans == 2, f"one batch per page load: {scans}")
    dom = chromium(REFUSED, "--dump-dom")
    check("Refused:" in dom, f"the page from another origin is refused: {dom[-600:]}")
    check(open(log).read().count("MSG_ENABLEDS") == scans, "nothing was scanned for the refused origin")
finally:
    service.kill()
    service.wait()
    for page in pages:
        page.kill()
        page.wait()
print("failures:", len(failures))
sys.exit(1 if failures else 0)
