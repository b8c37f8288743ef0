#!/usr/bin/python3
"""Reads the files the batch tests scanned, with tools we did not write: qpdf --check and pdftoppm for PDF,
tiffinfo and Pillow for TIFF. Each page's number is read from its own top band (16 cells, cell i black when
bit 15 - i is set) and must match the list in expected.txt ("file 1 2 3 ..."). coded.txt ("file yes|no|smaller") says
whether the file must hold, page by page, the exact bytes the scanner dumped into file.dump (page-N.jpg,
page-N.g4), or the scanner must have sent no compressed page at all, or the file must be smaller than the
compressed pages the scanner sent (its Group 4 of halftone pages, stored the smaller way)."""
import subprocess
import sys
import tempfile
from pathlib import Path

from PIL import Image, ImageSequence


def band_number(image):
    grey = image.convert("L")
    width, height = grey.size
    band = height // 10
    number = 0
    for cell in range(16):
        left, right = width * cell // 16, width * (cell + 1) // 16
        box = (left + (right - left) // 4, band // 4, right - (right - left) // 4, band - band // 4)
        pixels = list(grey.crop(box).getdata())
        mean = sum(pixels) / len(pixels)
        if 96 <= mean <= 160:
            return None
        if mean < 128:
            number |= 1 << (15 - cell)
    return number


def pdf_numbers(path):
    check = subprocess.run(["qpdf", "--check", str(path)], capture_output=True, text=True)
    if check.returncode != 0 or "WARNING" in check.stdout + check.stderr:
        raise ValueError(f"qpdf --check: {check.stdout.strip()} {check.stderr.strip()}")
    with tempfile.TemporaryDirectory() as work:
        subprocess.run(["pdftoppm", "-r", "30", "-gray", str(path), f"{work}/p"], check=True)
        return [band_number(Image.open(page)) for page in sorted(Path(work).glob("p-*.pgm"))]


def tiff_numbers(path):
    info = subprocess.run(["tiffinfo", str(path)], capture_output=True, text=True)
    if info.returncode != 0 or info.stderr.strip():
        raise ValueError(f"tiffinfo: {info.stderr.strip()}")
    with Image.open(path) as image:
        return [band_number(frame) for frame in ImageSequence.Iterator(image)]


def dumped(directory, name):
    pages = sorted((directory / f"{name}.dump").glob("page-*"), key=lambda p: int(p.stem.split("-")[1]))
    return [page.read_bytes() for page in pages]


def tiff_strips(path):
    """Each page's one strip, as its StripOffsets and StripByteCounts place it."""
    data = path.read_bytes()
    strips = []
    with Image.open(path) as image:
        for frame in ImageSequence.Iterator(image):
            offsets, counts = frame.tag_v2[273], frame.tag_v2[279]
            if len(offsets) != 1 or frame.tag_v2[259] != 4:
                raise ValueError(f"page {len(strips) + 1}: {len(offsets)} strips, compression {frame.tag_v2[259]}")
            strips.append(data[offsets[0]:offsets[0] + counts[0]])
    return strips


def stream_at(data, content, start):
    """Where a PDF stream whose whole content is `content` begins, at or after `start`; -1 when there is none."""
    at = data.find(content, start)
    while at >= 0:
        before, after = data[max(0, at - 8):at], data[at + len(content):at + len(content) + 11]
        if before.endswith((b"stream\n", b"stream\r\n")) and after.lstrip(b"\r\n").startswith(b"endstream"):
            return at
        at = data.find(content, at + 1)
    return -1


def coded_failure(directory, name, keeps, pages):
    """None when the file keeps the scanner's bytes as coded.txt says, else what differs."""
    sent = dumped(directory, name)
    if keeps == "no":
        return f"the scanner compressed {len(sent)} pages" if sent else None
    if len(sent) != pages:
        return f"the scanner dumped {len(sent)} compressed pages, not {pages}"
    path = directory / name
    if keeps == "smaller":
        size, total = path.stat().st_size, sum(len(page) for page in sent)
        return None if size < total else f"{size} bytes, not fewer than the {total} the scanner sent"
    if path.suffix == ".tif":
        stored = tiff_strips(path)
        differing = [n for n, (a, b) in enumerate(zip(stored, sent), 1) if a != b]
        return f"the strips of pages {differing} are not the scanner's bytes" if differing or len(stored) != pages else None
    data, at = path.read_bytes(), 0
    for number, page in enumerate(sent, 1):
        at = stream_at(data, page, at)
        if at < 0:
            return f"page {number}'s JPEG is not an image stream of the PDF, in order"
    return None


def main(directory):
    directory = Path(directory)
    expected = [line.split() for line in (directory / "expected.txt").read_text().splitlines() if line.strip()]
    coded = dict(line.split() for line in (directory / "coded.txt").read_text().splitlines() if line.strip())
    failures = []
    for name, *numbers in expected:
        path = directory / name
        try:
            seen = pdf_numbers(path) if path.suffix == ".pdf" else tiff_numbers(path)
        except (OSError, ValueError, subprocess.CalledProcessError) as error:
            failures.append(f"{name}: {error}")
            continue
        if seen != [int(n) for n in numbers]:
            failures.append(f"{name}: pages {seen}, expected {numbers}")
        else:
            print(f"{name}: pages {seen[0]} to {seen[-1]} in order")
        keeps = coded.get(name)
        try:
            problem = coded_failure(directory, name, keeps, len(numbers)) if keeps else "not in coded.txt"
        except ValueError as error:
            problem = str(error)
        if problem:
            failures.append(f"{name}: {problem}")
        elif keeps == "yes":
            print(f"{name}: every page the scanner's own bytes")
    for failure in failures:
        print(failure)
    if not expected:
        print("nothing was scanned")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
