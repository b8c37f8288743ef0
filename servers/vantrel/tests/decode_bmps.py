#!/usr/bin/python3
"""Decodes the BMP files the delivery tests wrote with Pillow, an independent decoder, and checks
every pixel against the DIB that went in. Each file is named after that DIB: w, h, bits,
compression, colours used; its bytes were ((offset * 13 + 5) & 0xFF) after the header and masks,
taken modulo the colours used for the pixels of an 8-bit DIB with a short table."""
import re
import sys
from pathlib import Path

from PIL import Image


def dib_byte(offset):
    return (offset * 13 + 5) & 0xFF


def expected_pixels(width, height, bits, compression, used):
    masks = 12 if compression == 3 else 0
    table_entries = (used or (1 << bits)) if bits <= 8 else 0
    table_at = 40 + masks
    pixels_at = table_at + 4 * table_entries
    stride = (width * bits + 31) // 32 * 4
    rows = abs(height)
    table = [tuple(dib_byte(table_at + 4 * i + k) for k in (2, 1, 0)) for i in range(table_entries)]
    result = []
    for y in range(rows):
        row = y if height < 0 else rows - 1 - y  # bottom-up unless the height is negative
        base = pixels_at + row * stride
        for x in range(width):
            if bits <= 8:
                bit = x * bits
                byte = dib_byte(base + bit // 8)
                if used:
                    byte %= used
                index = (byte >> (8 - bits - bit % 8)) & ((1 << bits) - 1)
                result.append(table[index])
            elif bits == 16:
                value = dib_byte(base + 2 * x) | dib_byte(base + 2 * x + 1) << 8
                if compression == 3:  # 5-6-5
                    r, g, b = value >> 11 & 31, value >> 5 & 63, value & 31
                    result.append((r << 3, g << 2, b << 3))
                else:  # 5-5-5
                    r, g, b = value >> 10 & 31, value >> 5 & 31, value & 31
                    result.append((r << 3, g << 3, b << 3))
            else:
                step = bits // 8
                result.append(tuple(dib_byte(base + step * x + k) for k in (2, 1, 0)))
    return result


def close(a, b, bits):
    # Decoders widen 5- and 6-bit channels differently; compare at the precision that was stored.
    if bits != 16:
        return a == b
    return all(abs(p - q) < 8 for p, q in zip(a, b))


def main(directory):
    files = sorted(Path(directory).glob("*.bmp"))
    if not files:
        print(f"no BMP files in {directory}")
        return 1
    failures = 0
    for path in files:
        w, h, bits, compression, used = map(int, re.findall(r"-?\d+", path.stem))
        with Image.open(path) as image:
            decoded = list(image.convert("RGB").getdata())
            size = image.size
        expected = expected_pixels(w, h, bits, compression, used)
        bad = sum(1 for a, b in zip(decoded, expected) if not close(a, b, bits))
        ok = size == (w, abs(h)) and len(decoded) == len(expected) and bad == 0
        print(f"{'ok  ' if ok else 'FAIL'} {path.name}: {size[0]}x{size[1]}, {bad} pixels differ")
        failures += not ok
    print(f"{len(files) - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
