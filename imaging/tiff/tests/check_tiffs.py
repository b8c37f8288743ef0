#!/usr/bin/python3
"""Runs the sample generator on JPEGs Pillow made, then checks every TIFF it wrote with tools we did not write:
tiffinfo -D (libtiff reads every tag and strip) must succeed with nothing on stderr and show each page's size,
compression, resolution, page number and subfile type; tiffcp -c none must decode the file; Pillow then reads
every page of the decoded copy and its pixels must equal what the generator put in."""
import re
import shutil
import subprocess
import sys
from pathlib import Path

from PIL import Image, ImageChops, ImageDraw

COMPRESSION = {"g4": "CCITT Group 4", "deflate": "AdobeDeflate", "none": "None", "jpeg": "JPEG"}


def make_jpegs(directory):
    """JPEG pages from Pillow's own encoder: colour 4:2:0, 4:2:2 and 4:4:4, and grey."""
    specs = []
    for name, mode, size, subsampling, factors in [
        ("c420", "RGB", (333, 217), 2, (2, 2)),
        ("c422", "RGB", (160, 120), 1, (2, 1)),
        ("c444", "RGB", (64, 48), 0, (1, 1)),
        ("grey", "L", (101, 77), 0, (1, 1)),
    ]:
        img = Image.new(mode, size, "white")
        draw = ImageDraw.Draw(img)
        for i in range(0, size[0], 9):
            draw.line([(i, 0), (size[0] - i, size[1])], fill=(i * 7 % 256, 90, 200 - i % 150)[: len(mode)] if mode == "RGB" else i % 256, width=3)
        path = directory / f"{name}.jpg"
        img.save(path, "JPEG", quality=90, subsampling=subsampling)
        colour = 1 if mode == "RGB" else 0
        specs.append(f"{path}:{size[0]}:{size[1]}:{colour}:{factors[0]}:{factors[1]}")
    return specs


def directories(info):
    """tiffinfo's output split into one dict of the fields we check per directory."""
    pages = []
    for block in info.split("TIFF Directory at offset")[1:]:
        fields = {}
        m = re.search(r"Image Width: (\d+) Image Length: (\d+)", block)
        fields["size"] = (int(m.group(1)), int(m.group(2))) if m else None
        m = re.search(r"Resolution: ([\d.e+-]+), ([\d.e+-]+) ?(.*)", block)
        fields["resolution"] = (float(m.group(1)), float(m.group(2)), m.group(3).strip()) if m else None
        m = re.search(r"Compression Scheme: (.+)", block)
        fields["compression"] = m.group(1).strip() if m else None
        m = re.search(r"Page Number: (\d+)-(\d+)", block)
        fields["page"] = (int(m.group(1)), int(m.group(2))) if m else None
        fields["subfile"] = "multi-page document" in block
        fields["software"] = "Software: Vantrel" in block
        pages.append(fields)
    return pages


def expected_resolution(xdpi, ydpi):
    """An axis without a resolution takes the other's; none at all is a unitless 1:1."""
    x = xdpi if xdpi > 0 else ydpi
    y = ydpi if ydpi > 0 else xdpi
    return (1.0, 1.0, "(unitless)") if x <= 0 else (x, y, "pixels/inch")


def check_file(directory, name, entries):
    path = directory / name
    errors = []
    info = subprocess.run(["tiffinfo", "-D", str(path)], capture_output=True, text=True)
    if info.returncode != 0 or info.stderr.strip():
        return [f"{name}: tiffinfo rc {info.returncode}: {info.stderr.strip()}"]
    dirs = directories(info.stdout)
    if len(dirs) != len(entries):
        return [f"{name}: tiffinfo shows {len(dirs)} directories, expected {len(entries)}"]
    for d, (page, mode, width, height, xdpi, ydpi, compression, _) in zip(dirs, entries):
        want = {
            "size": (width, height),
            "compression": COMPRESSION[compression],
            "page": (page, len(entries)),
            "subfile": True,
            "software": True,
        }
        for key, value in want.items():
            if d[key] != value:
                errors.append(f"{name} page {page}: {key} {d[key]}, expected {value}")
        x, y, unit = expected_resolution(xdpi, ydpi)
        r = d["resolution"]
        # tiffinfo prints 6 significant digits.
        if r is None or abs(r[0] - x) > x * 1e-5 or abs(r[1] - y) > y * 1e-5 or r[2] != unit:
            errors.append(f"{name} page {page}: resolution {r}, expected {(x, y, unit)}")
    copy = directory / "decoded" / name
    cp = subprocess.run(["tiffcp", "-c", "none", str(path), str(copy)], capture_output=True, text=True)
    if cp.returncode != 0 or cp.stderr.strip():
        return errors + [f"{name}: tiffcp rc {cp.returncode}: {cp.stderr.strip()}"]
    with Image.open(copy) as decoded, Image.open(path) as original:
        for page, mode, width, height, _, _, compression, expected in entries:
            decoded.seek(page)
            if decoded.size != (width, height):
                errors.append(f"{name} page {page}: tiffcp's copy is {decoded.size}")
                continue
            if compression == "jpeg":
                # The copy is the JPEG decoded by libtiff; Pillow's own decoding of the source file is the reference.
                original.seek(page)
                with Image.open(expected) as source:
                    reference = source.convert(mode)
                for label, img in (("tiffcp copy", decoded.convert(mode)), ("TIFF page", original.convert(mode))):
                    # Both go through the same libjpeg, so only rounding may differ.
                    largest = max(high for _, high in ImageChops.difference(img, reference).convert("RGB").getextrema())
                    if largest > 2:
                        errors.append(f"{name} page {page}: {label} differs from the JPEG by up to {largest}")
                continue
            pixels = (decoded.convert("L") if mode == "1" else decoded.convert(mode)).tobytes()
            if decoded.mode != mode or pixels != (directory / expected).read_bytes():
                errors.append(f"{name} page {page}: pixels differ ({decoded.mode}, expected {mode})")
    return errors


def main(generator, directory):
    directory = Path(directory)
    shutil.rmtree(directory, ignore_errors=True)
    (directory / "decoded").mkdir(parents=True)
    specs = make_jpegs(directory)
    subprocess.run([generator, str(directory)] + specs, check=True)
    files = {}
    for line in (directory / "manifest.txt").read_text().splitlines():
        name, page, mode, width, height, xdpi, ydpi, compression, expected = line.split()
        files.setdefault(name, []).append(
            (int(page), mode, int(width), int(height), float(xdpi), float(ydpi), compression, expected))
    pages = sum(len(e) for e in files.values())
    if len(files) < 38 or pages < 50:
        print(f"only {len(files)} files, {pages} pages written")
        return 1
    errors = []
    for name, entries in sorted(files.items()):
        errors += check_file(directory, name, entries)
    a4 = (directory / "a4_300dpi.tif").stat().st_size
    print(f"A4 300 dpi text page: {a4} bytes as a TIFF, 1-bit raw {310 * 3508}")
    for error in errors:
        print(error)
    print(f"{len(files)} TIFFs, {pages} pages checked by tiffinfo, tiffcp and Pillow, {len(errors)} problems")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
