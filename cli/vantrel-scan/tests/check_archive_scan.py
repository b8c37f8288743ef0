#!/usr/bin/python3
"""Scans into PDF/A with vantrel-scan under Wine and reads the files back with check_archive (Preflight for PDF/A-1,
qpdf, the XMP against the document information, the output intent's profile, pdfinfo and exiftool): a colour
batch through memory transfer (the scanner's JPEG kept) as PDF/A-1b, and a black-and-white one of line-art document pages (its Group 4 kept) as bare
--pdfa, which is PDF/A-2b. The Greek and Japanese texts travel on the command line.

Usage: check_archive_scan.py VANTREL_SCAN_EXE FOLDER. Prints each failure and exits 1 if there is any."""
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[3] / "imaging" / "tests"))
from check_archive import METADATA, archive_errors  # noqa: E402

exe, folder = sys.argv[1], Path(sys.argv[2])
texts = [a for key, value in METADATA.items() for a in ("--" + key.lower(), value)]
errors = []
for name, options, part, colour, encoding in (("colour.pdf", ["-m", "color", "--transfer", "memory", "--pdfa=1b"], "1", True, "jpeg"),
                                               ("bw.pdf", ["-m", "bw", "--transfer", "memory", "--pdfa"], "2", False, "ccitt")):
    target = subprocess.run(["winepath", "-w", str(folder / name)], capture_output=True, text=True).stdout.strip()
    scan = subprocess.run(["wine", exe, "--feeder", "-q", *options, *texts, "-o", target], capture_output=True, text=True)
    if scan.returncode != 0:
        errors.append(f"{name}: vantrel-scan exit {scan.returncode}: {scan.stderr.strip()}")
        continue
    errors += archive_errors(folder / name, part, colour)
    images = subprocess.run(["pdfimages", "-list", folder / name], capture_output=True, text=True).stdout.splitlines()[2:]
    if not images or any(row.split()[8] != encoding for row in images):
        errors.append(f"{name}: images {images}, expected every one {encoding}")
for error in errors:
    print(error)
print(f"{len(errors)} problems")
sys.exit(1 if errors else 0)
