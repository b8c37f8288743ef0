#!/usr/bin/python3
"""vantrel-service under Wine with the sample scanner, against hostile and careless clients: each
row one request and the status it must get; then 100 requests at once, and a client that goes
away mid-page, while a 20-page batch runs, which must arrive whole and in order.

Usage: http_hostile_test.py SERVICE_EXE PORT WORK_DIR   (run inside the build's Wine session)
"""
import concurrent.futures
import io
import json
import os
import socket
import subprocess
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
import time

from PIL import Image

# The engine's tests read the pages' bands; the same reader here.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "engine", "tests"))
from read_scanned_files import band_number  # noqa: E402

import service_process

SERVICE, PORT, WORK = sys.argv[1], int(sys.argv[2]), sys.argv[3]
HOST = f"127.0.0.1:{PORT}"
ALLOWED = "http://127.0.0.1:8000"
UNKNOWN_JOB = "/eSCL/ScanJobs/0123abcd-0000-4000-8000-00000000beef"
SETTINGS = ('<?xml version="1.0"?><scan:ScanSettings xmlns:scan="http://schemas.hp.com/imaging/escl/2011/05/03" '
            'xmlns:pwg="http://www.pwg.org/schemas/2010/12/sm"><pwg:InputSource>Feeder</pwg:InputSource>'
            '<scan:Duplex>true</scan:Duplex><scan:ColorMode>Grayscale8</scan:ColorMode><scan:XResolution>100</scan:XResolution>'
            '<scan:YResolution>100</scan:YResolution><pwg:DocumentFormat>image/png</pwg:DocumentFormat></scan:ScanSettings>')
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what, flush=True)


def exchange(raw, read_all=True):
    """Sends raw bytes, returns (status, headers text, body) of the answer; status 0 when the
    connection closed without one."""
    with socket.create_connection(("127.0.0.1", PORT), timeout=60) as s:
        s.sendall(raw)
        data = b""
        while True:
            try:
                chunk = s.recv(65536)
            except ConnectionResetError:
                break
            if not chunk:
                break
            data += chunk
            head, _, body = data.partition(b"\r\n\r\n")
            length = [int(l.split(b":")[1]) for l in head.split(b"\r\n") if l.lower().startswith(b"content-length:")]
            if length and len(body) >= length[0]:
                break
    head, _, body = data.partition(b"\r\n\r\n")
    status = int(head.split(b" ")[1]) if head.startswith(b"HTTP/1.1 ") else 0
    return status, head.decode("latin-1"), body


def request(method, target, body=b"", host=HOST, headers=()):
    lines = [f"{method} {target} HTTP/1.1", f"Host: {host}", "Connection: close", *headers]
    if body or method == "POST":
        lines.append(f"Content-Length: {len(body)}")
    return ("\r\n".join(lines) + "\r\n\r\n").encode() + body


def fetched_bands(next_page):
    """The band of every page fetched from a job's next-page path until it has no more (404)."""
    bands = []
    for _ in range(400):
        status, _, body = exchange(request("GET", next_page))
        if status == 404:
            break
        if status == 200:
            bands.append(band_number(Image.open(io.BytesIO(body))))
    return bands


# What is sent, the status it must get, a header the answer must carry.
ROWS = [
    ("header too large", request("GET", "/eSCL/ScannerStatus", headers=[f"X-Filler: {'a' * 20000}"]), 431, None),
    ("body too large", request("POST", "/eSCL/ScanJobs", b"<" * 100000), 413, None),
    ("not HTTP", b"HELLO\r\n\r\n", 400, None),
    ("malformed XML", request("POST", "/eSCL/ScanJobs", b"<scan:ScanSettings><pwg:InputSource>"), 400, None),
    ("deep XML", request("POST", "/eSCL/ScanJobs", b"<a>" * 5000 + b"</a>" * 5000), 400, None),
    ("not settings", request("POST", "/eSCL/ScanJobs", b"<ScannerStatus/>"), 400, None),
    ("unknown job", request("GET", UNKNOWN_JOB + "/NextDocument"), 404, None),
    ("unknown job cancelled", request("DELETE", UNKNOWN_JOB), 404, None),
    ("job id not ours", request("GET", "/eSCL/ScanJobs/1/NextDocument"), 404, None),
    ("traversal", request("GET", "/eSCL/../../windows/win.ini"), 404, None),
    ("encoded traversal", request("GET", "/eSCL/ScanJobs/..%2f..%2fwindows%2fwin.ini"), 404, None),
    ("wrong method", request("PUT", "/eSCL/ScannerStatus"), 405, None),
    ("rebinding host", request("GET", "/eSCL/ScannerStatus", host=f"attacker.example:{PORT}"), 403, None),
    ("origin refused", request("POST", "/eSCL/ScanJobs", SETTINGS.encode(), headers=["Origin: http://evil.example"]), 403, None),
    ("preflight refused", request("OPTIONS", "/eSCL/ScanJobs", headers=["Origin: http://evil.example"]), 403, None),
    ("preflight allowed", request("OPTIONS", "/eSCL/ScanJobs", headers=[f"Origin: {ALLOWED}", "Access-Control-Request-Method: POST",
                                                                        "Access-Control-Request-Private-Network: true"]),
     204, "Access-Control-Allow-Private-Network: true"),
    ("origin allowed", request("GET", "/eSCL/ScannerStatus", headers=[f"Origin: {ALLOWED}"]), 200, f"Access-Control-Allow-Origin: {ALLOWED}"),
]




log = os.path.join(WORK, "hostile-scanner.log")
if os.path.exists(log):
    os.remove(log)
env = dict(os.environ, VANTREL_SCANNER_LOG=log, VANTREL_SCANNER_SHEETS="10")
out_path = os.path.join(WORK, "hostile-service.txt")
# What an earlier run said cannot stand in for what this one says.
subprocess.run(["wine", "reg", "delete", r"HKCU\Software\Vantrel\Service", "/v", "Listening", "/f"], env=env, capture_output=True, timeout=120)
service = service_process.start(SERVICE, ["--listen", HOST, "--allow-origin", ALLOWED], env, out_path)
try:
    # One instance per user: a second start says where the first listens and ends with 0.
    second = subprocess.run(["wine", SERVICE, "--listen", f"127.0.0.1:{PORT + 10}"], env=env, capture_output=True, text=True, timeout=120)
    check(second.returncode == 0 and f"listening on http://{HOST}/" in second.stdout, f"a second start: {second.returncode} {second.stdout}")
    version = subprocess.run(["wine", SERVICE, "--version"], env=env, capture_output=True, text=True, timeout=120).stdout
    check(version.startswith(f"vantrel-service {os.environ['VANTREL_VERSION']} ("), f"the product's version: {version}")
    # The start at logon comes and goes in HKCU's Run key, with the options given.
    run_key = ["wine", "reg", "query", r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run", "/v", "Vantrel scan service"]
    installed = subprocess.run(["wine", SERVICE, "--install", "--allow-origin", ALLOWED], env=env, capture_output=True, text=True, timeout=120)
    listed = subprocess.run(run_key, env=env, capture_output=True, text=True, timeout=120).stdout
    check(installed.returncode == 0 and "vantrel-service.exe" in listed and f'"--allow-origin" "{ALLOWED}"' in listed, f"--install: {listed}")
    subprocess.run(["wine", SERVICE, "--uninstall"], env=env, capture_output=True, timeout=120)
    gone = subprocess.run(run_key, env=env, capture_output=True, text=True, timeout=120).stdout
    check("vantrel-service.exe" not in gone, f"--uninstall: {gone}")

    for name, raw, expected, header in ROWS:
        status, head, _ = exchange(raw)
        check(status == expected, f"{name}: status {status}, expected {expected}")
        if header:
            check(header in head, f"{name}: {header} in {head}")
    # None of those scanned: the source was opened only to read its capabilities.
    check("MSG_ENABLEDS" not in open(log).read(), "nothing was scanned for the refused requests")

    status, head, _ = exchange(request("POST", "/eSCL/ScanJobs", SETTINGS.encode()))
    check(status == 201, f"the batch started: {status}")
    job = head.split("Location: http://" + HOST)[1].split("\r\n")[0]
    busy, _, _ = exchange(request("POST", "/eSCL/ScanJobs", SETTINGS.encode()))
    check(busy == 503, f"a second job while the batch runs: {busy}")

    # 100 requests at once while the batch runs, each with the status its kind must get.
    kinds = [("/eSCL/ScannerStatus", HOST, 200), ("/eSCL/ScannerCapabilities", HOST, 200),
             (UNKNOWN_JOB + "/NextDocument", HOST, 404), ("/eSCL/ScannerStatus", "evil.example", 403)]
    with concurrent.futures.ThreadPoolExecutor(max_workers=100) as pool:
        answers = list(pool.map(lambda i: (exchange(request("GET", kinds[i % 4][0], host=kinds[i % 4][1]))[0], kinds[i % 4][2]), range(100)))
    check(all(got == want for got, want in answers), f"100 requests at once: {[a for a in answers if a[0] != a[1]]}")

    # Nobody fetches: the queue fills (3 pages) and the engine holds the source, one more page at
    # most in hand, until a client makes room.
    for _ in range(120):
        if b"<pwg:ImagesToTransfer>3</pwg:ImagesToTransfer>" in exchange(request("GET", "/eSCL/ScannerStatus"))[2]:
            break
        time.sleep(0.25)
    time.sleep(3)
    held = sum("TWRC_XFERDONE" in line for line in open(log))
    check(held <= 4, f"the engine waits while the queue is full: {held} pages transferred")

    # A client that asks for a page and goes away before reading it.
    with socket.create_connection(("127.0.0.1", PORT)) as s:
        s.sendall(request("GET", job + "/NextDocument"))
        s.recv(16)
    numbers = fetched_bands(job + "/NextDocument")
    # The page being sent to the client that went away is its loss; every other page arrives in order.
    check(numbers in (list(range(2, 21)), list(range(1, 21))), f"the batch arrived whole and in order: {numbers}")
    status, _, body = exchange(request("GET", "/eSCL/ScannerStatus"))
    check(b"<pwg:JobState>Completed</pwg:JobState>" in body and b"<pwg:State>Idle</pwg:State>" in body, f"the job completed: {body}")
    check(open(log).read().splitlines()[-1].find("MSG_CLOSEDS") >= 0, "the source was closed")
    check(service.poll() is None, "the service still runs")

    # A PDF holds the whole batch, here the pages asked for of the JSON API: one answer once the
    # batch has ended, then no more.
    status, _, body = exchange(request("POST", "/api/scans", b'{"feeder": true, "duplex": true, "pages": 5, "paperSize": "A5", '
                                                           b'"jpegQuality": 40, "format": "application/pdf"}'))
    check(status == 201, f"the PDF's job started: {status} {body}")
    job = "/api/scans/" + json.loads(body or b"{}").get("id", "none")
    answers = []
    while len(answers) < 400 and (not answers or answers[-1][0] != 404):
        answers.append(exchange(request("GET", job + "/next")))
    documents = [(head, body) for status, head, body in answers if status == 200]
    pdf = os.path.join(WORK, "hostile-batch.pdf")
    with open(pdf, "wb") as out:
        out.write(documents[0][1] if documents else b"")
    pages = subprocess.run(["qpdf", "--show-npages", pdf], capture_output=True, text=True).stdout.strip()
    check(len(documents) == 1 and "Content-Type: application/pdf" in documents[0][0] and pages == "5",
          f"one PDF of the 5 pages asked for: {len(documents)} documents, {pages} pages")

    # Any capability by its TWAIN name reaches the source: at full brightness the chart's greys and
    # colours are all white, and only the black of the number band and the label is left.
    for _ in range(60):
        status, _, body = exchange(request("POST", "/api/scans", b'{"pages": 1, "format": "image/png", "capabilities": {"ICAP_BRIGHTNESS": 1000}}'))
        if status != 503:
            break
        time.sleep(0.5)
    check(status == 201, f"the bright page's job started: {status} {body}")
    job = "/api/scans/" + json.loads(body or b"{}").get("id", "none")
    answers = [exchange(request("GET", job + "/next")) for _ in range(60)]
    page = next((body for status, _, body in answers if status == 200), None)
    levels = set(Image.open(io.BytesIO(page)).convert("L").getdata()) if page else {128}
    check(page and levels <= {0, 255}, f"ICAP_BRIGHTNESS 1000 was set: {len(levels)} grey levels")
    # A value the source refuses, by a named setting and by a capability's name: the engine's
    # message with the source's condition code (TWCC_BADVALUE), and nothing scanned.
    for asked in (b'{"resolution": 2400}', b'{"capabilities": {"ICAP_XRESOLUTION": 2400}}'):
        status, _, body = exchange(request("POST", "/api/scans", asked))
        error = json.loads(body or b"{}")
        check(status == 400 and error.get("condition") == 10 and error.get("setting") == "ICAP_XRESOLUTION" and
              error.get("error", "").startswith("The source refused ICAP_XRESOLUTION = 2400: "), f"{asked}: {status} {body}")
finally:
    service.kill()
    service.wait()

# A source that never sends its notice: DELETE still ends the batch at once (not after the page
# timeout of 60 s), with the source closed. Then, with idle = 1 in the INI file named by --config,
# a job whose pages nobody fetches is cancelled by the service itself.
ini = os.path.join(WORK, "hostile-service.ini")
with open(ini, "w") as f:
    f.write("; from the configuration file\r\n[service]\r\nidle = 1\r\n")
for quirks, idle in (("silent-ui", None), ("", "1")):
    os.remove(log)
    env["VANTREL_SCANNER_QUIRKS"] = quirks
    service = service_process.start(SERVICE, ["--listen", HOST] + (["--config", ini] if idle else []), env, out_path)
    try:
        status, head, _ = exchange(request("POST", "/eSCL/ScanJobs", SETTINGS.encode()))
        check(status == 201, f"the batch started: {status}")
        job = head.split("Location: http://" + HOST)[1].split("\r\n")[0]
        if not idle:
            check(exchange(request("DELETE", job))[0] == 200, "the silent batch was cancelled")
        for _ in range(60):
            body = exchange(request("GET", "/eSCL/ScannerStatus"))[2]
            if b"<pwg:State>Idle</pwg:State>" in body:
                break
            time.sleep(0.5)
        check(b"<pwg:JobState>Canceled</pwg:JobState>" in body and b"<pwg:State>Idle</pwg:State>" in body, f"{quirks or 'idle'}: cancelled and idle: {body}")
        check("MSG_CLOSEDS" in open(log).read().splitlines()[-1], f"{quirks or 'idle'}: the source was closed")
    finally:
        service.kill()
        service.wait()
# One-sided document sheets, both sides, through the JSON API with blank pages skipped: the pages fetched are the
# fronts, and the job's status lists every page scanned, the backs dropped with their ink.
env.update(VANTREL_SCANNER_QUIRKS="", VANTREL_SCANNER_CONTENT="document", VANTREL_SCANNER_BLANK="backs", VANTREL_SCANNER_SHEETS="3")
service = service_process.start(SERVICE, ["--listen", HOST], env, out_path)
try:
    status, _, body = exchange(request("POST", "/api/scans", b'{"feeder": true, "duplex": true, "colorMode": "gray", '
                                                           b'"paperSize": "A4", "format": "image/png", "blankPages": "skip"}'))
    check(status == 201, f"the clean-up's job started: {status} {body}")
    job = "/api/scans/" + json.loads(body or b"{}").get("id", "none")
    bands = fetched_bands(job + "/next")
    report = json.loads(exchange(request("GET", job))[2] or b"{}").get("cleanup", [])
    dropped = [page["scanned"] for page in report if not page["kept"] and "ink" in page]
    check(bands == [1, 3, 5] and dropped == [2, 4, 6], f"the fronts fetched {bands}, the backs dropped {dropped}: {report}")
finally:
    service.kill()
    service.wait()
print("failures:", len(failures))
sys.exit(1 if failures else 0)
