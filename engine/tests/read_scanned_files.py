#!/usr/bin/python3
"""Reads the files the batch tests scanned, with tools we did not write: qpdf --check and pdftoppm for PDF,
tiffinfo and Pillow for TIFF. Each page's number is read from its own top band (16 cells, cell i black when
bit 15 - i is set) and must match the list in expected.txt ("file 1 2 3 ...")."""
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


def main(directory):
    directory = Path(directory)
    expected = [line.split() for line in (directory / "expected.txt").read_text().splitlines() if line.strip()]
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
    for failure in failures:
        print(failure)
    if not expected:
        print("nothing was scanned")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
