#!/usr/bin/python3
"""Our sRGB and grey profiles read by LittleCMS (Pillow's ImageCms): header and tag table well formed,
and colours through our profile land where LittleCMS's own sRGB puts them."""
import os
import struct
import subprocess
import sys
import tempfile

from PIL import Image, ImageCms

writer = sys.argv[1]
folder = tempfile.mkdtemp()
subprocess.run([writer, folder], check=True)
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


for name, space, tags in (("srgb.icc", b"RGB ", {b"desc", b"rXYZ", b"gXYZ", b"bXYZ", b"rTRC", b"gTRC", b"bTRC", b"wtpt", b"cprt"}),
                          ("grey.icc", b"GRAY", {b"desc", b"kTRC", b"wtpt", b"cprt"})):
    data = open(os.path.join(folder, name), "rb").read()
    size, version, cls, cs, pcs, magic = struct.unpack(">I4xI4s4s4s12x4s", data[:40])
    check((size, version, cls, cs, pcs, magic) == (len(data), 0x02100000, b"mntr", space, b"XYZ ", b"acsp"), f"{name} header")
    check(data[84:100] == bytes(16), f"{name} profile ID is reserved in version 2")
    count = struct.unpack(">I", data[128:132])[0]
    table = [struct.unpack(">4sII", data[132 + 12 * i:144 + 12 * i]) for i in range(count)]
    check({sig for sig, _, _ in table} == tags, f"{name} tags {[sig for sig, _, _ in table]}")
    check(all(off % 4 == 0 and off + length <= size for _, off, length in table), f"{name} tag places")
    ImageCms.getOpenProfile(os.path.join(folder, name))  # raises on what LittleCMS cannot read

ours = ImageCms.getOpenProfile(os.path.join(folder, "srgb.icc"))
check(ImageCms.getProfileDescription(ours).strip() == "sRGB IEC61966-2.1", "sRGB description")
reference = ImageCms.createProfile("sRGB")
colours = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255), (128, 128, 128), (30, 200, 90), (10, 10, 10)]
image = Image.new("RGB", (len(colours), 1))
image.putdata(colours)
out = ImageCms.profileToProfile(image, ours, reference, outputMode="RGB")
for want, got in zip(colours, out.getdata()):
    check(max(abs(a - b) for a, b in zip(want, got)) <= 1, f"sRGB {want} -> {got}")

greys = [0, 10, 64, 128, 200, 255]
grey = Image.new("L", (len(greys), 1))
grey.putdata(greys)
out = ImageCms.profileToProfile(grey, ImageCms.getOpenProfile(os.path.join(folder, "grey.icc")), reference, outputMode="RGB")
for want, got in zip(greys, out.getdata()):
    check(max(abs(want - c) for c in got) <= 1, f"grey {want} -> {got}")

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
