#!/usr/bin/python3
"""Reads every file in DIRECTORY with tools we did not write, as its manifest.jsonl says (written by Record in
manifest.h): by the sample writer when it is given, which then runs first in an emptied DIRECTORY, or by page_files.
PNG, BMP and JPEG with Pillow (pixels, density; a JPEG's sampling, quantisation tables against libjpeg's, quality);
every page's colour profile byte for byte (Pillow; tiffinfo for which TIFF pages have one; qpdf for a PDF's ICCBased);
TIFF with tiffinfo -D (every tag and strip, nothing on stderr), tiffcp -c none and Pillow per page; PDF with
qpdf --check and its reading of the page tree, pdfinfo, pdfimages -list and pdftoppm renders compared with the pixels that went in."""
import functools
import io
import json
import math
import re
import shutil
import subprocess
import sys
from collections import defaultdict
from pathlib import Path

from PIL import Image, ImageChops, ImageStat

from check_archive import archive_errors, tiff_metadata_errors


def run(args):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True)


def fill(x, y):
    """An axis without a resolution takes the other's."""
    return (x if x > 0 else y), (y if y > 0 else x)


def expected_image(d, page):
    mode = "L" if page["mode"] == "1" else page["mode"]
    return Image.frombytes(mode, (page["width"], page["height"]), (d / page["raw"]).read_bytes())


def largest_difference(a, b):
    return max(high for _, high in ImageChops.difference(a, b).convert("RGB").getextrema())


def check_png(d, name, pages):
    """PNG and BMP; a 1-bit BMP reads as a two-colour palette, one without a density as 0 dpi."""
    page, bmp = pages[0], name.endswith(".bmp")
    with Image.open(d / name) as img:
        img.load()
        modes = (page["mode"], "P") if bmp and page["mode"] == "1" else (page["mode"],)
        if img.format != name[-3:].upper() or img.mode not in modes or img.size != (page["width"], page["height"]):
            return [f"{name}: {img.format} {img.mode} {img.size}"]
        pixels = (img.convert("L") if page["mode"] == "1" else img).tobytes()
        errors = [] if pixels == (d / page["raw"]).read_bytes() else [f"{name}: pixels differ"]
        x, y = fill(page["xdpi"], page["ydpi"])
        dpi = None if bmp and img.info.get("dpi") == (0, 0) else img.info.get("dpi")
        # Pixels per metre are whole numbers, so the resolution read back is within half a unit.
        if (x == 0) != (dpi is None) or (dpi and (abs(dpi[0] - x) > 0.51 or abs(dpi[1] - y) > 0.51)):
            errors.append(f"{name}: density {dpi}, expected {(x, y)}")
    return errors


@functools.cache
def libjpeg_tables(mode, quality):
    """The quantisation tables libjpeg itself writes at this quality (Annex K, the usual scaling)."""
    buffer = io.BytesIO()
    Image.new(mode, (16, 16), 128).save(buffer, "JPEG", quality=quality)
    with Image.open(buffer) as reference:
        return {k: list(v) for k, v in reference.quantization.items()}


def psnr(a, b):
    squares = sum(count * (i % 256) ** 2 for i, count in enumerate(ImageChops.difference(a, b).histogram()))
    return math.inf if squares == 0 else 10 * math.log10(255 ** 2 * a.size[0] * a.size[1] * len(a.getbands()) / squares)


def check_jpeg(d, name, pages):
    page = pages[0]
    mode = "RGB" if page["mode"] == "RGB" else "L"
    errors = []
    with Image.open(d / name) as img:
        img.load()
        if img.format != "JPEG" or img.info.get("progressive") or img.mode != mode or img.size != (page["width"], page["height"]):
            return [f"{name}: {img.format} {img.mode} {img.size} {img.info.keys()}"]
        sampling = [(h, v, table) for _, h, v, table in img.layer]
        if sampling != ([(2, 2, 0), (1, 1, 1), (1, 1, 1)] if mode == "RGB" else [(1, 1, 0)]):
            errors.append(f"{name}: components {sampling}")
        if {k: list(v) for k, v in img.quantization.items()} != libjpeg_tables(mode, page["level"]):
            errors.append(f"{name}: quantisation tables differ from libjpeg's at quality {page['level']}")
        # Whole dots per inch when both axes have one, else only the aspect.
        x, y = (math.floor(v + 0.5) for v in (page["xdpi"], page["ydpi"]))
        unit, density = (1, (x, y)) if 1 <= x <= 65535 and 1 <= y <= 65535 else (0, (1, 1))
        if img.info.get("jfif_unit") != unit or img.info.get("jfif_density") != density:
            errors.append(f"{name}: JFIF unit {img.info.get('jfif_unit')} density {img.info.get('jfif_density')}")
        expected = expected_image(d, page)
        decoded = img.convert(mode)
    value = psnr(decoded, expected)
    if "flat" in page["checks"] and largest_difference(decoded, expected) > 2:
        errors.append(f"{name}: flat page off by {largest_difference(decoded, expected)}")
    if page["level"] == 85 and value < 30:
        errors.append(f"{name}: PSNR {value:.2f} dB below 30")
    return errors


COMPRESSION = {"1": "CCITT Group 4", "group4": "CCITT Group 4", "deflate": "AdobeDeflate", "none": "None", "jpeg": "JPEG"}


def tiff_directories(info):
    """tiffinfo's output split into the fields we check per directory."""
    pages = []
    for block in info.split("TIFF Directory at offset")[1:]:
        m = re.search(r"Image Width: (\d+) Image Length: (\d+)", block)
        r = re.search(r"Resolution: ([\d.e+-]+), ([\d.e+-]+) ?(.*)", block)
        c = re.search(r"Compression Scheme: (.+)", block)
        n = re.search(r"Page Number: (\d+)-(\d+)", block)
        icc = re.search(r"ICC Profile: <present>, (\d+) bytes", block)
        pages.append({"size": m and (int(m.group(1)), int(m.group(2))),
                      "resolution": r and (float(r.group(1)), float(r.group(2)), r.group(3).strip()),
                      "compression": c and c.group(1).strip(), "page": n and (int(n.group(1)), int(n.group(2))),
                      "subfile": "multi-page document" in block, "software": "Software: Vantrel" in block,
                      "icc": icc and int(icc.group(1))})
    return pages


def check_tiff(d, name, pages):
    info = run(["tiffinfo", "-D", d / name])
    if info.returncode != 0 or info.stderr.strip():
        return [f"{name}: tiffinfo rc {info.returncode}: {info.stderr.strip()}"]
    dirs = tiff_directories(info.stdout)
    if len(dirs) != len(pages):
        return [f"{name}: tiffinfo shows {len(dirs)} directories, expected {len(pages)}"]
    errors = []
    for got, page in zip(dirs, pages):
        compression = COMPRESSION.get(page["encoding"], COMPRESSION.get(page["mode"], "AdobeDeflate"))
        want = {"size": (page["width"], page["height"]), "compression": compression,
                "page": (page["page"], len(pages)), "subfile": True, "software": True}
        errors += [f"{name} page {page['page']}: {k} {got[k]}, expected {v}" for k, v in want.items() if got[k] != v]
        x, y = fill(page["xdpi"], page["ydpi"])
        x, y, unit = (x, y, "pixels/inch") if x > 0 else (1.0, 1.0, "(unitless)")  # no resolution: a unitless 1:1
        r = got["resolution"]  # tiffinfo prints six significant digits
        if r is None or abs(r[0] - x) > x * 1e-5 or abs(r[1] - y) > y * 1e-5 or r[2] != unit:
            errors.append(f"{name} page {page['page']}: resolution {r}, expected {(x, y, unit)}")
    if pages[0]["checks"] == "metadata":
        errors += tiff_metadata_errors(d / name, len(pages))
    copy = d / "decoded" / name
    cp = run(["tiffcp", "-c", "none", d / name, copy])
    if cp.returncode != 0 or cp.stderr.strip():
        return errors + [f"{name}: tiffcp rc {cp.returncode}: {cp.stderr.strip()}"]
    with Image.open(copy) as decoded, Image.open(d / name) as original:
        for page in pages:
            decoded.seek(page["page"])
            mode = "L" if page["mode"] == "1" else page["mode"]
            if page["encoding"] == "jpeg":
                # libtiff's and Pillow's decodings of the page against Pillow's of the JPEG: only rounding may differ.
                original.seek(page["page"])
                with Image.open(d / page["reference"]) as source:
                    reference = source.convert(mode)
                for label, img in (("tiffcp copy", decoded), ("TIFF page", original)):
                    if img.size != reference.size or largest_difference(img.convert(mode), reference) > 2:
                        errors.append(f"{name} page {page['page']}: {label} differs from the JPEG")
            elif decoded.mode != page["mode"] or decoded.convert(mode).tobytes() != (d / page["raw"]).read_bytes():
                errors.append(f"{name} page {page['page']}: pixels differ ({decoded.mode} {decoded.size})")
    return errors


def pdf_resolution(page):
    """With no resolution, one pixel is one point."""
    x, y = fill(page["xdpi"], page["ydpi"])
    return (x, y) if x > 0 else (72.0, 72.0)


def page_tree_errors(name, path):
    """The page tree as qpdf reads it (the last update's objects): every kid names its node as /Parent, every /Count
    is its pages', and no node lists more than 16 kids, so a page's update rewrites a short branch, not every page."""
    objects = json.loads(run(["qpdf", "--json=2", "--json-key=qpdf", path]).stdout)["qpdf"][1]
    value = lambda ref: objects["obj:" + ref].get("value", {})
    def pages(ref, parent):
        node = value(ref)
        if node.get("/Parent") != parent:
            raise ValueError(f"{ref} has /Parent {node.get('/Parent')}, expected {parent}")
        if node.get("/Type") == "/Page":
            return 1
        kids = node.get("/Kids", [])
        count = sum(pages(kid, ref) for kid in kids)
        if len(kids) > 16 or count != node.get("/Count"):
            raise ValueError(f"{ref}: {len(kids)} kids, /Count {node.get('/Count')} for {count} pages")
        return count
    try:
        pages(value("1 0 R")["/Pages"], None)
        return []
    except (ValueError, KeyError) as error:
        return [f"{name}: page tree: {error}"]


def check_pdf_structure(d, name, pages):
    result = run(["qpdf", "--check", d / name])
    if result.returncode != 0 or "WARNING" in (result.stdout + result.stderr).upper():
        return [f"{name}: qpdf --check exit {result.returncode}: {(result.stdout + result.stderr).strip()[:400]}"]
    if errors := page_tree_errors(name, d / name):
        return errors
    result = run(["pdfinfo", "-f", "1", "-l", len(pages), d / name])
    count = re.search(r"^Pages:\s+(\d+)$", result.stdout, re.M)
    if result.returncode != 0 or not count or int(count.group(1)) != len(pages):
        return [f"{name}: pdfinfo says {count and count.group(1)} pages, expected {len(pages)}"]
    # A recovered file ends with a page's update section: the document information comes only at the end.
    errors = [] if "recovered" in pages[0]["checks"] or re.search(r"^Producer:\s+Vantrel \d+\.\d+\.\d+$", result.stdout, re.M) and re.search(
        r"^CreationDate:\s+\S", result.stdout, re.M) else [f"{name}: no producer or creation date in {result.stdout}"]
    sizes = {int(p): (float(w), float(h)) for p, w, h in re.findall(r"^Page\s+(\d+) size:\s+([\d.]+) x ([\d.]+) pts", result.stdout, re.M)}
    for page in pages:
        x, y = pdf_resolution(page)
        expected, got = (72 * page["width"] / x, 72 * page["height"] / y), sizes.get(page["page"] + 1)
        if not got or abs(got[0] - expected[0]) > 0.01 or abs(got[1] - expected[1]) > 0.01:
            errors.append(f"{name} page {page['page']}: {got} pt, expected {expected}")
    rows = [line.split() for line in run(["pdfimages", "-list", d / name]).stdout.splitlines()[2:] if line.strip()]
    if len(rows) != len(pages):
        return errors + [f"{name}: pdfimages lists {len(rows)} images, expected {len(pages)}"]
    encodings = {"flate": "image", "flate-plain": "image", "jpeg": "jpeg", "ccitt": "ccitt"}
    for row, page in zip(rows, pages):
        # page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
        x, y = pdf_resolution(page)
        bpc = "1" if page["mode"] == "1" and page["encoding"] != "jpeg" else "8"
        expected = [str(page["page"] + 1), str(page["width"]), str(page["height"]),
                    "icc" if page.get("icc") else "rgb" if page["mode"] == "RGB" else "gray", bpc, encodings[page["encoding"]]]
        if [row[0], row[3], row[4], row[5], row[7], row[8]] != expected or abs(float(row[12]) - x) > 1 or abs(float(row[13]) - y) > 1:
            errors.append(f"{name} page {page['page']}: pdfimages {row}, expected {expected} at {x} x {y} ppi")
    return errors


# Splash, pdftoppm's renderer, replicates pixels when it magnifies four times or more: each image pixel of a page
# rendered at four times its resolution must come out as a uniform 4 x 4 block. Large pages render two corners.
SCALE, LARGEST_REGION = 4, 400


def check_pdf_render(d, name, page):
    x, y = pdf_resolution(page)
    if x != int(x) or y != int(y):
        return []  # a fractional resolution cannot map pixels to whole blocks
    mode, (width, height) = ("RGB" if page["mode"] == "RGB" else "L"), (page["width"], page["height"])
    w, h = min(width, LARGEST_REGION), min(height, LARGEST_REGION)
    regions = [(0, 0, width, height)] if width * height <= 2 * LARGEST_REGION ** 2 else [(0, 0, w, h), (width - w, height - h, w, h)]
    expected_page, errors = expected_image(d, page), []
    jpeg = page["reference"] and Image.open(d / page["reference"]).convert(mode)
    for x0, y0, w, h in regions:
        where, stem = f"{name} page {page['page']} region {(x0, y0, w, h)}", d / f"render_{name[:-4]}_{page['page']}"
        result = run(["pdftoppm", "-f", page["page"] + 1, "-l", page["page"] + 1, "-rx", int(x) * SCALE, "-ry", int(y) * SCALE,
                      "-x", x0 * SCALE, "-y", y0 * SCALE, "-W", w * SCALE, "-H", h * SCALE, "-singlefile",
                      *([] if mode == "RGB" else ["-gray"]), d / name, stem])
        path = stem.with_suffix(".ppm" if mode == "RGB" else ".pgm")
        if result.returncode != 0 or not path.exists():
            errors.append(f"{where}: pdftoppm {result.stderr.strip()}")
            continue
        with Image.open(path) as rendered:
            rendered.load()
        path.unlink()
        box, blocks = (x0, y0, x0 + w, y0 + h), (w * SCALE, h * SCALE)
        expected = expected_page.crop(box).resize(blocks, Image.NEAREST)
        if rendered.size != blocks or rendered.mode != mode:
            errors.append(f"{where}: rendered {rendered.mode} {rendered.size}, expected {mode} {blocks}")
        elif not jpeg and rendered.tobytes() != expected.tobytes():
            errors.append(f"{where}: rendered samples differ from the lossless page")
        elif jpeg:
            # The JPEG's loss is its encoder's concern: the render must match Pillow's decoding of the embedded
            # stream closely, and the page loosely, so colour, orientation or size mix-ups show.
            to_decoded = max(ImageStat.Stat(ImageChops.difference(rendered, jpeg.crop(box).resize(blocks, Image.NEAREST))).mean)
            to_page = max(ImageStat.Stat(ImageChops.difference(rendered, expected)).mean)
            if to_decoded > 1.5 or to_page > 12:
                errors.append(f"{where}: JPEG render {to_decoded:.2f} from Pillow's decoding, {to_page:.2f} from the page")
    return errors


def check_pdf(d, name, pages):
    archive = pages[0]["checks"].startswith("pdfa-") and archive_errors(
        d / name, pages[0]["checks"][5], any(page["mode"] == "RGB" for page in pages))
    return check_pdf_structure(d, name, pages) + (archive or []) + [e for page in pages for e in check_pdf_render(d, name, page)]


def found_profiles(d, name, count):
    """Each page's profile as readers find it: Pillow's for PNG and JPEG (its segments joined) and for a TIFF page
    that tiffinfo says has one (Pillow keeps an earlier page's); a PDF page's image's ICCBased stream as qpdf decodes
    it, with the stream's reference and its /N."""
    if name.endswith(".pdf"):
        document = json.loads(run(["qpdf", "--json=2", d / name]).stdout)
        found = []
        for page in document["pages"]:
            space = page["images"][0]["colorspace"]
            if not isinstance(space, list):
                found.append((None, None, None))
                continue
            data = subprocess.run(["qpdf", f"--show-object={space[1].split()[0]}", "--filtered-stream-data", d / name],
                                  capture_output=True).stdout
            found.append((data, space[1], document["qpdf"][1]["obj:" + space[1]]["stream"]["dict"].get("/N")))
        return found
    sizes = [t["icc"] for t in tiff_directories(run(["tiffinfo", d / name]).stdout)] if name.endswith(".tif") else [True]
    found = []
    with Image.open(d / name) as img:
        for i in range(count):
            img.seek(i)
            found.append((img.info.get("icc_profile") if sizes[i] else None, None, None))
    return found


def check_profiles(d, name, pages):
    """The page's profile, byte for byte, or none; in a PDF of the right /N, one stream for equal profiles."""
    if any("icc" not in page for page in pages) or name.endswith(".bmp") or "recovered" in pages[0]["checks"]:
        return []
    errors, streams = [], {}
    for page, (data, ref, n) in zip(pages, found_profiles(d, name, len(pages))):
        want = (d / page["icc"]).read_bytes() if page["icc"] else None
        where = f"{name} page {page['page']}"
        if data != want:
            errors.append(f"{where}: profile of {data and len(data)} bytes, expected {want and len(want)}")
        if ref and n != (3 if page["mode"] == "RGB" else 1):
            errors.append(f"{where}: ICCBased /N {n}")
        if ref and streams.setdefault(want, ref) != ref:
            errors.append(f"{where}: profile in {ref}, not shared with {streams[want]}")
    return errors


def main(directory, writer=None):
    d = Path(directory)
    if writer:
        shutil.rmtree(d, ignore_errors=True)
        d.mkdir(parents=True)
        subprocess.run([writer, str(d)], check=True)
    (d / "decoded").mkdir(exist_ok=True)
    files = defaultdict(list)
    for line in (d / "manifest.jsonl").read_text().splitlines():
        page = json.loads(line)
        files[page["file"]].append(page)
    formats = defaultdict(int)
    errors = []
    for name, pages in files.items():
        kind = name.rsplit(".", 1)[1]
        formats[kind] += 1
        errors += {"png": check_png, "bmp": check_png, "tif": check_tiff, "pdf": check_pdf, "jpg": check_jpeg}[kind](d, name, pages)
        errors += check_profiles(d, name, pages)
    for error in errors:
        print(error)
    print(f"{dict(formats)} files, {sum(map(len, files.values()))} pages read back: {len(errors)} problems")
    return 1 if errors or len(formats) != 5 else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]))
