#!/usr/bin/python3
"""Decodes the JPEG files write_test_jpegs made with Pillow (libjpeg underneath), a decoder we did
not write, and checks each against the pixels that went in: size, mode, JFIF density, component
sampling, quantisation tables against libjpeg's own at the same quality, PSNR, flat areas; then
that higher quality gives both higher PSNR and bigger files, and that a document page stays small."""
import io
import math
import sys
from collections import defaultdict
from pathlib import Path

from PIL import Image, ImageChops

MIN_PSNR_AT_85 = 30.0
FLAT_TOLERANCE = 2      # a flat area may be off by this much after the round trip
MARGIN_ROWS = 128       # document pages are white above row 150: these whole 16-row MCU rows
A4_BMP_BYTES = 2480 * 3508 * 3 + 54
MONOTONE_MIN_PIXELS = 4096


def psnr(a, b):
    diff = ImageChops.difference(a, b)
    histogram = diff.histogram()
    squares = sum(count * (i % 256) ** 2 for i, count in enumerate(histogram))
    samples = a.size[0] * a.size[1] * len(diff.getbands())
    return math.inf if squares == 0 else 10 * math.log10(255 ** 2 * samples / squares)


def largest_difference(a, b):
    extrema = ImageChops.difference(a, b).getextrema()
    return extrema[1] if isinstance(extrema[0], int) else max(high for _, high in extrema)


_reference_tables = {}


def libjpeg_tables(mode, quality):
    """The quantisation tables libjpeg itself writes at this quality (Annex K, the usual scaling)."""
    key = (mode, quality)
    if key not in _reference_tables:
        buffer = io.BytesIO()
        Image.new(mode, (16, 16), 128).save(buffer, "JPEG", quality=quality)
        with Image.open(io.BytesIO(buffer.getvalue())) as reference:
            _reference_tables[key] = {k: list(v) for k, v in reference.quantization.items()}
    return _reference_tables[key]


def whole_dpi(value):
    rounded = math.floor(value + 0.5)
    return rounded if 1 <= rounded <= 65535 else None


def check_file(directory, entry):
    """Returns (problems, psnr, size)."""
    problems = []
    path = directory / entry["jpeg"]
    width, height, quality = int(entry["width"]), int(entry["height"]), int(entry["quality"])
    size = path.stat().st_size
    with Image.open(path) as image:
        image.load()
        if image.format != "JPEG" or image.info.get("progressive") or image.info.get("progression"):
            problems.append(f"format {image.format}, info {image.info.keys()}")
        if image.size != (width, height):
            problems.append(f"size {image.size}, expected {(width, height)}")
        if image.mode != entry["mode"]:
            problems.append(f"mode {image.mode}, expected {entry['mode']}")
        sampling = [(h, v, table) for _, h, v, table in image.layer]
        expected_sampling = [(2, 2, 0), (1, 1, 1), (1, 1, 1)] if entry["mode"] == "RGB" else [(1, 1, 0)]
        if sampling != expected_sampling:
            problems.append(f"components {sampling}, expected {expected_sampling}")
        tables = {k: list(v) for k, v in image.quantization.items()}
        if tables != libjpeg_tables(entry["mode"], quality):
            problems.append(f"quantisation tables differ from libjpeg's at quality {quality}")
        x, y = whole_dpi(float(entry["xdpi"])), whole_dpi(float(entry["ydpi"]))
        unit, density = (1, (x, y)) if x and y else (0, (1, 1))
        if image.info.get("jfif_unit") != unit or image.info.get("jfif_density") != density:
            problems.append(f"JFIF unit {image.info.get('jfif_unit')} density {image.info.get('jfif_density')}, "
                            f"expected {unit} {density}")
        if unit == 1 and tuple(image.info.get("dpi", ())) != density:
            problems.append(f"dpi {image.info.get('dpi')}, expected {density}")
        with Image.open(directory / entry["expected"]) as original:
            original.load()
            decoded = image.convert(original.mode)
            quality_psnr = psnr(decoded, original)
            checks = entry["checks"].split(",")
            if "flat" in checks and largest_difference(decoded, original) > FLAT_TOLERANCE:
                problems.append(f"flat page off by {largest_difference(decoded, original)}")
            if "margin" in checks:
                box = (0, 0, width, MARGIN_ROWS)
                off = largest_difference(decoded.crop(box), original.crop(box))
                if off > FLAT_TOLERANCE:
                    problems.append(f"white margin off by {off}")
            if "document" in checks and quality == 85 and size * 10 > A4_BMP_BYTES:
                problems.append(f"{size} bytes, more than a tenth of the {A4_BMP_BYTES}-byte BMP")
    if quality == 85 and quality_psnr < MIN_PSNR_AT_85:
        problems.append(f"PSNR {quality_psnr:.2f} dB below {MIN_PSNR_AT_85}")
    return problems, quality_psnr, size


def main(directory):
    directory = Path(directory)
    manifest = directory / "manifest.txt"
    entries = [dict(field.split("=", 1) for field in line.split()) for line in manifest.read_text().splitlines() if line]
    if not entries:
        print(f"no files listed in {manifest}")
        return 1
    failures = 0
    by_case = defaultdict(list)
    for entry in entries:
        problems, value, size = check_file(directory, entry)
        by_case[entry["case"]].append((int(entry["quality"]), value, size, entry))
        print(f"{'ok  ' if not problems else 'FAIL'} {entry['jpeg']}: {size} bytes, PSNR {value:.2f} dB"
              + "".join(f"\n     {p}" for p in problems))
        failures += bool(problems)

    print("\ncase                          PSNR q50 / q85 / q95 (dB)      bytes q50 / q85 / q95")
    for case, results in by_case.items():
        results.sort(key=lambda r: r[0])
        qualities = [r[0] for r in results]
        values = [r[1] for r in results]
        sizes = [r[2] for r in results]
        print(f"{case:29} {' / '.join(f'{v:.2f}' for v in values):30} {' / '.join(map(str, sizes))}")
        width, height = int(results[0][3]["width"]), int(results[0][3]["height"])
        if len(results) < 2 or width * height < MONOTONE_MIN_PIXELS:
            continue
        ordered = all(a < b for a, b in zip(values, values[1:])) and all(a < b for a, b in zip(sizes, sizes[1:]))
        if not ordered:
            print(f"FAIL {case}: qualities {qualities} do not give rising PSNR and size")
            failures += 1
    print(f"\n{len(entries)} files, {failures} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
