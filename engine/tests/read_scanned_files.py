#!/usr/bin/python3
"""Reads the files the batch tests scanned, with tools we did not write: qpdf --check and pdftoppm for PDF,
tiffinfo and Pillow for TIFF. Each page's number is read from its own top band (16 cells, cell i black when
bit 15 - i is set) and must match the list in expected.txt ("file 1 2 3 ..."). coded.txt ("file yes|no|smaller") says
whether the file must hold, page by page, the exact bytes the scanner dumped into file.dump (page-N.jpg,
page-N.g4; a JPEG file with our profile segments taken out again), or the scanner must have sent no compressed page at
all, or the file must be smaller than the compressed pages the scanner sent (its Group 4 of halftone pages, stored the
smaller way). profiles.txt ("file scanner|srgb|none") says which colour profile every page carries, byte for byte: the
one the scanner dumped into file.dump/profile.icc (LittleCMS must name it "Vantrel sample scanner"), ours in srgb.icc,
or none (Pillow for PNG, JPEG and TIFF, with tiffinfo saying which TIFF pages have one; qpdf for a PDF page's image's
ICCBased stream)."""
import io
import json
import subprocess
import sys
import tempfile
from pathlib import Path

from PIL import Image, ImageCms, ImageSequence


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


def single_number(path):
    with Image.open(path) as image:
        return [band_number(image)]


def without_profile(jpeg):
    """The stream with its APP2 ICC_PROFILE segments taken out (walking the segments up to the scan)."""
    out, at = bytearray(jpeg[:2]), 2
    while jpeg[at + 1] != 0xDA:
        end = at + 2 + int.from_bytes(jpeg[at + 2:at + 4], "big")
        if not (jpeg[at + 1] == 0xE2 and jpeg[at + 4:at + 16] == b"ICC_PROFILE\0"):
            out += jpeg[at:end]
        at = end
    return bytes(out + jpeg[at:])


def page_profiles(path):
    """Each page's profile as readers find it, None where it has none."""
    if path.suffix == ".pdf":
        found = []
        for page in json.loads(subprocess.run(["qpdf", "--json=2", "--json-key=pages", str(path)], capture_output=True,
                                              text=True, check=True).stdout)["pages"]:
            space = page["images"][0]["colorspace"]
            found.append(subprocess.run(["qpdf", f"--show-object={space[1].split()[0]}", "--filtered-stream-data", str(path)],
                                        capture_output=True, check=True).stdout if isinstance(space, list) else None)
        return found
    if path.suffix == ".tif":
        info = subprocess.run(["tiffinfo", str(path)], capture_output=True, text=True).stdout
        present = ["ICC Profile: <present>" in block for block in info.split("TIFF Directory at offset")[1:]]
        with Image.open(path) as image:  # Pillow keeps an earlier page's profile: tiffinfo says which have one
            return [frame.info.get("icc_profile") if has else None for frame, has in zip(ImageSequence.Iterator(image), present)]
    with Image.open(path) as image:
        return [image.info.get("icc_profile")]


def profile_failure(directory, name, which):
    if which not in ("scanner", "srgb", "none"):
        return "not in profiles.txt"
    if which == "scanner":
        want = (directory / f"{name}.dump" / "profile.icc").read_bytes()
        description = ImageCms.getProfileDescription(ImageCms.ImageCmsProfile(io.BytesIO(want))).strip()
        if description != "Vantrel sample scanner":
            return f"the scanner's profile is described as {description!r}"
    else:
        want = (directory / "srgb.icc").read_bytes() if which == "srgb" else None
    found = page_profiles(directory / name)
    wrong = [n for n, profile in enumerate(found, 1) if profile != want]
    return f"pages {wrong} do not carry the {which} profile" if wrong else None


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
    if path.suffix == ".jpg":
        return None if [without_profile(path.read_bytes())] == sent else "the file is not the scanner's JPEG"
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
    profiles = dict(line.split() for line in (directory / "profiles.txt").read_text().splitlines() if line.strip())
    failures = []
    for name, *numbers in expected:
        path = directory / name
        try:
            seen = {".pdf": pdf_numbers, ".tif": tiff_numbers}.get(path.suffix, single_number)(path)
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
        try:
            problem = profile_failure(directory, name, profiles.get(name, "missing"))
        except (OSError, ValueError, KeyError, subprocess.CalledProcessError) as error:
            problem = str(error)
        if problem:
            failures.append(f"{name}: {problem}")
    for failure in failures:
        print(failure)
    if not expected:
        print("nothing was scanned")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
