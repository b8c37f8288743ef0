#!/usr/bin/python3
"""Reads what the killed scans left (DIRECTORY/manifest.jsonl, written by crash_test.cpp) with tools we did not
write: the temporary file as the kill left it (qpdf --check, pdfinfo and pdftoppm; tiffinfo and Pillow) must hold at
least 37 pages whose page-number bands read 1, 2, 3, ... in order, and the recovered file the same pages."""
import io
import json
import re
import subprocess
import sys
from pathlib import Path

from PIL import Image

KILLED_AFTER = 37


def run(args):
    return subprocess.run([str(a) for a in args], capture_output=True)


def band_number(page):
    """The number in the top band: 16 cells, cell i dark when bit 15 - i is set (fixtures/page_number_band.h)."""
    grey = page.convert("L")
    width, band = grey.width, grey.height // 10
    number = 0
    for cell in range(16):
        left, right = width * cell // 16, width * (cell + 1) // 16
        box = (left + (right - left) // 4, band // 4, max(left + (right - left) // 4 + 1, right - (right - left) // 4),
               max(band // 4 + 1, band - band // 4))
        mean = sum(grey.crop(box).getdata()) / ((box[2] - box[0]) * (box[3] - box[1]))
        if 96 <= mean <= 160:
            return None
        number |= (mean < 128) << (15 - cell)
    return number


def pdf_pages(path):
    errors = []
    check = run(["qpdf", "--check", path])
    text = (check.stdout + check.stderr).decode(errors="replace")
    if check.returncode != 0 or "WARNING" in text.upper():
        errors.append(f"{path.name}: qpdf --check exit {check.returncode}: {text.strip()[:300]}")
    info = run(["pdfinfo", path]).stdout.decode(errors="replace")
    count = re.search(r"^Pages:\s+(\d+)$", info, re.M)
    pages = int(count.group(1)) if count else 0
    numbers = []
    for first in range(1, pages + 1, 50):
        last = min(pages, first + 49)
        # The sample scanner's pages are 100 dpi: one pixel a pixel.
        rendered = run(["pdftoppm", "-r", "100", "-gray", "-f", first, "-l", last, path, path.parent / "render" / path.stem])
        if rendered.returncode != 0:
            return pages, [], errors + [f"{path.name}: pdftoppm exit {rendered.returncode}"]
    for image in sorted((path.parent / "render").glob(path.stem + "-*.pgm"), key=lambda p: int(p.stem.rsplit("-", 1)[1])):
        with Image.open(image) as page:
            numbers.append(band_number(page))
    return pages, numbers, errors


def tiff_pages(path):
    info = run(["tiffinfo", path])
    errors = [] if not info.stderr.strip() else [f"{path.name}: tiffinfo: {info.stderr.decode(errors='replace').strip()[:300]}"]
    pages = info.stdout.decode(errors="replace").count("TIFF Directory at offset")
    numbers = []
    with Image.open(path) as tiff:
        for index in range(pages):
            tiff.seek(index)
            numbers.append(band_number(tiff))
    return pages, numbers, errors


def check(directory, entry):
    errors, counts = [], []
    for key in ("killed", "recovered"):
        path = directory / entry[key]
        (directory / "render").mkdir(exist_ok=True)
        pages, numbers, found = (pdf_pages if path.suffix == ".pdf" else tiff_pages)(path)
        errors += found
        if pages < KILLED_AFTER:
            errors.append(f"{path.name}: {pages} pages, expected at least {KILLED_AFTER}")
        if numbers != list(range(1, pages + 1)):
            errors.append(f"{path.name}: page numbers {numbers[:5]}...{numbers[-5:]}, expected 1 to {pages}")
        counts.append(pages)
    if not counts[0] == counts[1] == entry["pages"]:
        errors.append(f"{entry['killed']}: {counts[0]} pages, recovered {counts[1]}, told {entry['pages']}")
    return errors


def main():
    directory = Path(sys.argv[1])
    entries = [json.loads(line) for line in (directory / "manifest.jsonl").read_text().splitlines() if line.strip()]
    errors = [error for entry in entries for error in check(directory, entry)]
    for error in errors:
        print(error)
    print(f"{len(entries)} killed scans read back: {len(errors)} problems")
    return 1 if errors or not entries else 0


if __name__ == "__main__":
    sys.exit(main())
