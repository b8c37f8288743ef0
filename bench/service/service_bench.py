#!/usr/bin/python3
"""The scan service's rows of `make bench`, printed and never judged: the same 10-sheet duplex batch
(20 pages, 300 dpi grey) through eSCL and through vantrel-scan, the time from a page's transfer end
(the sample scanner's log line) to the first byte at a waiting client, and the service's memory
while a client fetches nothing for WAIT seconds (30 in the full run, 3 with --smoke).

Usage: service_bench.py BIN_DIR WORK_DIR [--smoke]   (inside the build's Wine session)
"""
import os
import subprocess
import sys
import threading
import time
import urllib.request

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "servers", "vantrel_service", "tests"))
import service_process  # noqa: E402

BIN, WORK = sys.argv[1], sys.argv[2]
WAIT = 3 if "--smoke" in sys.argv else 30
PORT = 52990
BASE = f"http://127.0.0.1:{PORT}"
SETTINGS = ('<?xml version="1.0"?><scan:ScanSettings xmlns:scan="http://schemas.hp.com/imaging/escl/2011/05/03" '
            'xmlns:pwg="http://www.pwg.org/schemas/2010/12/sm"><pwg:InputSource>Feeder</pwg:InputSource>'
            '<scan:Duplex>true</scan:Duplex><scan:ColorMode>Grayscale8</scan:ColorMode><scan:XResolution>300</scan:XResolution>'
            '<scan:YResolution>300</scan:YResolution><pwg:DocumentFormat>image/png</pwg:DocumentFormat></scan:ScanSettings>')
os.makedirs(WORK, exist_ok=True)
LOG = os.path.join(WORK, "bench-scanner.log")
ENV = dict(os.environ, VANTREL_SCANNER_SHEETS="10", VANTREL_SCANNER_LOG=LOG)


def start_job():
    request = urllib.request.Request(BASE + "/eSCL/ScanJobs", SETTINGS.encode(), {"Content-Type": "text/xml"})
    with urllib.request.urlopen(request, timeout=60) as answer:
        return answer.headers["Location"].replace(BASE, "")


def next_page(job):
    """(status, the time the answer's first byte came)."""
    try:
        with urllib.request.urlopen(BASE + job + "/NextDocument", timeout=60) as answer:
            first = time.monotonic()
            answer.read()
            return 200, first
    except urllib.error.HTTPError as error:
        return error.code, time.monotonic()


def transfers():
    with open(LOG) as log:
        return sum("TWRC_XFERDONE" in line for line in log)


def resident_mb(pid):
    """vantrel-service.exe's resident memory: wine runs the program in the process it started as."""
    with open(f"/proc/{pid}/status") as f:
        return max(int(line.split()[1]) for line in f if line.startswith("VmRSS")) / 1024


rows = []
# vantrel-scan: the same batch into PNG files, the process's start included.
folder = os.path.join(WORK, "bench-files")
os.makedirs(folder, exist_ok=True)
began = time.monotonic()
subprocess.run(["wine", os.path.join(BIN, "vantrel-scan.exe"), "--feeder", "--duplex", "-r", "300", "-m", "gray",
                "-o", os.path.join(folder, "page-{page}.png")], env=ENV, capture_output=True, timeout=600)
scan_rate = 20 / (time.monotonic() - began)

if os.path.exists(LOG):
    os.remove(LOG)
service = service_process.start(os.path.join(BIN, "vantrel-service.exe"), ["--listen", f"127.0.0.1:{PORT}"], ENV,
                                os.path.join(WORK, "bench-service.txt"))
try:
    # eSCL: from the POST to the last page, each fetched as soon as it is there.
    began = time.monotonic()
    job = start_job()
    pages = 0
    while (answer := next_page(job))[0] != 404:
        pages += answer[0] == 200
    escl_rate = pages / (time.monotonic() - began)
    rows.append(("eSCL pages per second / vantrel-scan's (20 pages, 300 dpi grey PNG)", f"{escl_rate / scan_rate:.2f}",
                 f"{escl_rate:.2f} against {scan_rate:.2f} pages/s, vantrel-scan's process start included"))

    # Transfer end to first byte: a watcher notes when each TWRC_XFERDONE reaches the log (polled
    # every millisecond, so the figure is that coarse); a client waits for each page.
    ended, watching = [], [True]

    def watch():
        while watching[0]:
            while transfers() > len(ended):
                ended.append(time.monotonic())
            time.sleep(0.001)

    watcher = threading.Thread(target=watch)
    watcher.start()
    base = transfers()
    job = start_job()
    spans, page = [], 0
    while True:
        asked = time.monotonic()
        status, first = next_page(job)
        if status == 404:
            break
        if status != 200:
            continue
        page += 1
        index = base + page - 1
        # Only a page whose transfer ended while the client waited shows the delay.
        if index < len(ended) and ended[index] >= asked:
            spans.append(first - ended[index])
    watching[0] = False
    watcher.join()
    spans.sort()
    rows.append(("a page's transfer end to the first byte at a waiting client (median, ms)",
                 f"{1000 * spans[len(spans) // 2]:.0f}" if spans else "n/a", f"{len(spans)} of 20 pages waited for"))

    # Nobody fetches: the queue fills and the engine holds the source.
    before, base = resident_mb(service.pid), transfers()
    job = start_job()
    time.sleep(WAIT)
    after = resident_mb(service.pid)
    rows.append((f"the service's resident memory after {WAIT} s of a client fetching nothing (MB)", f"{after:.0f}",
                 f"{before:.0f} MB idle before; {transfers() - base} pages transferred, 3 wait"))
finally:
    service.kill()
    service.wait()

print("| Service measurement | Figure | Detail |\n|---|---|---|")
for name, figure, detail in rows:
    print(f"| {name} | {figure} | {detail} |")
