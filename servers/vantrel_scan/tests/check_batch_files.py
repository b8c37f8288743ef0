#!/usr/bin/python3
"""Reads back the files of the scripted 20-page duplex batch with decoders we did not write: qpdf --check,
pdfinfo and pdfimages for the PDF; tiffinfo (nothing on stderr), tiffcp -c none and Pillow for the TIFFs.
Every page must carry its own number in the sample scanner's page band, in order.
Usage: check_batch_files.py FOLDER PAGES"""
import re
import subprocess
import sys
from pathlib import Path

from PIL import Image


def run(args):
    return subprocess.run(args, capture_output=True, text=True)


def page_number(image):
    """The band across the top tenth: 16 cells, cell i dark when bit 15 - i is set; None when unclear."""
    grey = image.convert("L")
    width, height = grey.size
    band = height // 10
    if width < 16 or band < 1:
        return None
    number = 0
    for cell in range(16):
        left, right = width * cell // 16, width * (cell + 1) // 16
        box = (left + (right - left) // 4, band // 4, right - (right - left) // 4, band - band // 4)
        pixels = list(grey.crop(box).getdata())
        mean = sum(pixels) / max(len(pixels), 1)
        if 96 <= mean <= 160:
            return None
        if mean < 96:
            number |= 1 << (15 - cell)
    return number


def check_numbers(name, images, pages):
    numbers = [page_number(image) for image in images]
    if numbers != list(range(1, pages + 1)):
        return [f"{name}: page bands read {numbers}, expected 1..{pages}"]
    return []


def check_pdf(path, pages):
    errors = []
    result = run(["qpdf", "--check", str(path)])
    if result.returncode != 0 or "WARNING" in (result.stdout + result.stderr).upper():
        errors.append(f"{path.name}: qpdf --check: {(result.stdout + result.stderr).strip()[:300]}")
    info = run(["pdfinfo", str(path)])
    count = re.search(r"^Pages:\s+(\d+)$", info.stdout, re.M)
    if not count or int(count.group(1)) != pages:
        errors.append(f"{path.name}: pdfinfo says {count and count.group(1)} pages, expected {pages}")
    prefix = path.parent / (path.name + ".image")
    if run(["pdfimages", "-png", str(path), str(prefix)]).returncode != 0:
        return errors + [f"{path.name}: pdfimages failed"]
    files = sorted(path.parent.glob(path.name + ".image-*.png"))
    images = [Image.open(file) for file in files]
    return errors + check_numbers(path.name, images, pages)


def check_tiff(path, pages):
    info = run(["tiffinfo", str(path)])
    if info.returncode != 0 or info.stderr.strip():
        return [f"{path.name}: tiffinfo exit {info.returncode}: {info.stderr.strip()[:300]}"]
    directories = info.stdout.count("TIFF Directory at offset")
    if directories != pages:
        return [f"{path.name}: {directories} directories, expected {pages}"]
    decoded = path.parent / (path.name + ".decoded.tif")
    copy = run(["tiffcp", "-c", "none", str(path), str(decoded)])
    if copy.returncode != 0 or copy.stderr.strip():
        return [f"{path.name}: tiffcp -c none: {copy.stderr.strip()[:300]}"]
    images = []
    with Image.open(decoded) as tiff:
        for index in range(pages):
            tiff.seek(index)
            images.append(tiff.copy())
    return check_numbers(path.name, images, pages)


def main(folder, pages):
    folder = Path(folder)
    errors = check_pdf(folder / "doc.pdf", pages)
    errors += check_tiff(folder / "doc.tif", pages)
    errors += check_tiff(folder / "memory.tif", pages)
    for error in errors:
        print("FAILED:", error)
    if not errors:
        print(f"batch files: ok ({pages} pages in order in doc.pdf, doc.tif and memory.tif)")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], int(sys.argv[2])))
