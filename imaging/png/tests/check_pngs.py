#!/usr/bin/python3
"""Runs the sample generator, then decodes every PNG it wrote with Pillow, an independent decoder, and
checks size, mode, every pixel and the density against what the generator says went in."""
import shutil
import subprocess
import sys
from pathlib import Path

from PIL import Image


def check(directory, name, mode, width, height, xdpi, ydpi):
    errors = []
    with Image.open(directory / f"{name}.png") as img:
        img.load()
        if img.format != "PNG" or img.mode != mode or img.size != (width, height):
            return [f"{name}: {img.format} {img.mode} {img.size}, expected PNG {mode} {(width, height)}"]
        pixels = (img.convert("L") if mode == "1" else img).tobytes()
        if pixels != (directory / f"{name}.raw").read_bytes():
            errors.append(f"{name}: pixels differ")
        dpi = img.info.get("dpi")
        if xdpi == 0:
            if dpi is not None:
                errors.append(f"{name}: density {dpi}, expected none")
        # Pixels per metre are whole numbers, so the resolution read back is within half a unit.
        elif dpi is None or abs(dpi[0] - xdpi) > 0.51 or abs(dpi[1] - ydpi) > 0.51:
            errors.append(f"{name}: density {dpi}, expected {(xdpi, ydpi)}")
    return errors


def main(generator, directory):
    directory = Path(directory)
    shutil.rmtree(directory, ignore_errors=True)
    directory.mkdir(parents=True)
    subprocess.run([generator, str(directory)], check=True)
    lines = (directory / "manifest.txt").read_text().split("\n")
    entries = [line.split() for line in lines if line]
    if len(entries) < 60:
        print(f"only {len(entries)} samples written")
        return 1
    errors = []
    for name, mode, width, height, xdpi, ydpi in entries:
        errors += check(directory, name, mode, int(width), int(height), float(xdpi), float(ydpi))
    for error in errors:
        print(error)
    print(f"{len(entries)} PNGs decoded by Pillow, {len(errors)} problems")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
