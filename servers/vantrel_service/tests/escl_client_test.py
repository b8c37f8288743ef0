#!/usr/bin/python3
"""vantrel-service under Wine with the sample scanner, driven by a client we did not write: Linux's
scanimage with the sane-airscan backend, through eSCL. Each row starts the service with the
scanner's settings, scans, and reads every page's number back from its band.

Usage: escl_client_test.py SERVICE_EXE PORT WORK_DIR [ROW ...]   (run inside the build's Wine session)
"""
import os
import re
import subprocess
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
import time
import urllib.request

from PIL import Image

# The engine's tests read the pages' bands; the same reader here.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "engine", "tests"))
from read_scanned_files import band_number  # noqa: E402

import service_process

SERVICE, PORT, WORK = sys.argv[1], int(sys.argv[2]), sys.argv[3]
ONLY = sys.argv[4:]

# name, the scanner's environment, scanimage's options, the pages expected (their numbers), what
# the service's status must say afterwards, whether the client takes all pages (a batch) or one,
# ending the job then (scanimage without --batch cancels the job after its page).
ROWS = [
    ("duplex-batch", {"VANTREL_SCANNER_SHEETS": "10"}, ["--source", "ADF Duplex", "--mode", "Gray", "--resolution", "300"],
     list(range(1, 21)), ["<pwg:JobState>Completed</pwg:JobState>", "<scan:AdfState>ScannerAdfEmpty</scan:AdfState>"], True),
    ("flatbed", {}, ["--source", "Flatbed", "--mode", "Color", "--resolution", "100"],
     [1], ["<pwg:JobState>Completed</pwg:JobState>"], False),
    ("jam", {"VANTREL_SCANNER_SHEETS": "10", "VANTREL_SCANNER_FAULT": "jam:7"}, ["--source", "ADF", "--mode", "Gray", "--resolution", "150"],
     list(range(1, 7)), ["<pwg:JobState>Aborted</pwg:JobState>", "<scan:AdfState>ScannerAdfJam</scan:AdfState>"], True),
    ("cancel", {"VANTREL_SCANNER_SHEETS": "10"}, ["--source", "ADF", "--mode", "Gray", "--resolution", "150"],
     [1], ["<pwg:JobState>Canceled</pwg:JobState>"], False),
]

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what, flush=True)




def get(path):
    with urllib.request.urlopen(f"http://127.0.0.1:{PORT}{path}", timeout=30) as response:
        return response.read().decode()


def run_row(name, scanner_env, options, expected, status_texts, batch):
    print(f"--- {name}", flush=True)
    folder = os.path.join(WORK, name)
    os.makedirs(folder, exist_ok=True)
    for old in os.listdir(folder):
        os.remove(os.path.join(folder, old))
    log = os.path.join(WORK, f"{name}-scanner.log")
    if os.path.exists(log):
        os.remove(log)
    env = dict(os.environ, VANTREL_SCANNER_LOG=log, **scanner_env)
    service = service_process.start(SERVICE, ["--listen", f"127.0.0.1:{PORT}"], env, os.path.join(WORK, f"{name}-service.txt"))
    check(service.poll() is None, f"{name}: the service runs")
    try:
        sane = os.path.join(WORK, "sane")
        os.makedirs(sane, exist_ok=True)
        with open(os.path.join(sane, "dll.conf"), "w") as f:
            f.write("airscan\n")
        with open(os.path.join(sane, "airscan.conf"), "w") as f:
            f.write(f'[devices]\n"Vantrel" = http://127.0.0.1:{PORT}/eSCL/, eSCL\n[options]\ndiscovery = disable\n')
        client_env = dict(os.environ, SANE_CONFIG_DIR=sane)
        if name == "duplex-batch":
            listed = subprocess.run(["scanimage", "-L"], env=client_env, capture_output=True, text=True, timeout=120).stdout
            check("airscan:e0:Vantrel" in listed, f"scanimage -L lists the service: {listed}")
            described = subprocess.run(["scanimage", "-d", "airscan:e0:Vantrel", "-A"], env=client_env, capture_output=True, text=True, timeout=120).stdout
            # The sources, modes and resolutions the sample scanner's own capabilities offer.
            for offered in ["Flatbed|ADF|ADF Duplex", "Color|Gray", "75|100|150|200|240|300|400|600|1200dpi"]:
                check(offered in described, f"scanimage -A offers {offered}: {described}")
        target = f"--batch={folder}/page%d.pnm" if batch else f"--output-file={folder}/page1.pnm"
        command = ["scanimage", "-d", "airscan:e0:Vantrel", *options, target, "--format=pnm"]
        client = subprocess.run(command, env=client_env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=300)
        print(client.stdout, flush=True)
        pages = sorted((f for f in os.listdir(folder) if f.endswith(".pnm")), key=lambda f: int(re.sub(r"\D", "", f)))
        numbers = [band_number(Image.open(os.path.join(folder, f))) for f in pages]
        check(numbers == expected, f"{name}: page numbers {numbers}, expected {expected}")
        status = ""
        for _ in range(60):  # the cancelled batch ends at the source's next message
            status = get("/eSCL/ScannerStatus")
            if "<pwg:State>Idle</pwg:State>" in status:
                break
            time.sleep(0.5)
        for text in status_texts:
            check(text in status, f"{name}: the status says {text}: {status}")
        with open(log) as f:
            triplets = f.read().splitlines()
        # Every path ends with the source disabled and closed.
        check(triplets and "MSG_CLOSEDS" in triplets[-1], f"{name}: the source was closed: {triplets[-3:]}")
        if name == "cancel":
            transfers = sum("TWRC_XFERDONE" in t for t in triplets)
            check(transfers < 10, f"{name}: the batch stopped early ({transfers} pages transferred)")
            check(any("MSG_RESET" in t for t in triplets), f"{name}: the pending pages were reset")
    finally:
        service.kill()
        service.wait()


for row in ROWS:
    if not ONLY or row[0] in ONLY:
        run_row(*row)
print("failures:", len(failures))
sys.exit(1 if failures else 0)
