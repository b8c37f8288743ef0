#!/usr/bin/python3
"""Runs the PDF sample generator, then checks every file with tools we did not write: qpdf --check for
the structure, pdfinfo for page count and sizes, pdfimages -list for each image, and pdftoppm renders
of each page (magnified four times) compared with the pixels that went in."""
import re
import shutil
import subprocess
import sys
from collections import defaultdict
from pathlib import Path

from PIL import Image, ImageChops, ImageStat


def run(args):
    return subprocess.run(args, capture_output=True, text=True)


def resolution(xdpi, ydpi):
    """An axis without a resolution takes the other's; with none, one pixel is one point."""
    x = xdpi if xdpi > 0 else ydpi
    y = ydpi if ydpi > 0 else x
    return (x, y) if x > 0 else (72.0, 72.0)


def check_structure(pdf):
    result = run(["qpdf", "--check", str(pdf)])
    output = result.stdout + result.stderr
    if result.returncode != 0 or "WARNING" in output.upper():
        return [f"{pdf.name}: qpdf --check exit {result.returncode}: {output.strip()[:400]}"]
    return []


def check_pages(pdf, pages):
    errors = []
    result = run(["pdfinfo", "-f", "1", "-l", str(len(pages)), str(pdf)])
    count = re.search(r"^Pages:\s+(\d+)$", result.stdout, re.M)
    if result.returncode != 0 or not count or int(count.group(1)) != len(pages):
        return [f"{pdf.name}: pdfinfo says {count and count.group(1)} pages, expected {len(pages)}"]
    sizes = {int(p): (float(w), float(h)) for p, w, h in re.findall(r"^Page\s+(\d+) size:\s+([\d.]+) x ([\d.]+) pts", result.stdout, re.M)}
    for page in pages:
        x, y = resolution(page["xdpi"], page["ydpi"])
        expected = (72 * page["width"] / x, 72 * page["height"] / y)
        got = sizes.get(page["page"])
        if not got or abs(got[0] - expected[0]) > 0.01 or abs(got[1] - expected[1]) > 0.01:
            errors.append(f"{pdf.name} page {page['page']}: {got} pt, expected {expected}")
    return errors


def check_images(pdf, pages):
    result = run(["pdfimages", "-list", str(pdf)])
    rows = [line.split() for line in result.stdout.splitlines()[2:] if line.strip()]
    if result.returncode != 0 or len(rows) != len(pages):
        return [f"{pdf.name}: pdfimages lists {len(rows)} images, expected {len(pages)}"]
    errors = []
    encodings = {"flate": "image", "flate-plain": "image", "jpeg": "jpeg", "ccitt": "ccitt"}
    for row, page in zip(rows, pages):
        # page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
        x, y = resolution(page["xdpi"], page["ydpi"])
        color = "rgb" if page["mode"] == "RGB" else "gray"
        bpc = "1" if page["mode"] == "1" and page["encoding"] != "jpeg" else "8"
        expected = [str(page["page"]), str(page["width"]), str(page["height"]), color, bpc, encodings[page["encoding"]]]
        got = [row[0], row[3], row[4], row[5], row[7], row[8]]
        if got != expected or abs(float(row[12]) - x) > 1 or abs(float(row[13]) - y) > 1:
            errors.append(f"{pdf.name} page {page['page']}: pdfimages {row}, expected {expected} at {x} x {y} ppi")
    return errors


# Splash, pdftoppm's renderer, smooths an image drawn at its own size but replicates pixels when it
# magnifies four times or more; so pages render at four times their resolution and each image pixel
# must come out as a uniform 4 x 4 block.
SCALE = 4
LARGEST_REGION = 400  # image pixels per side rendered from a large page, one region at each corner


def regions(width, height):
    if width * height <= LARGEST_REGION * LARGEST_REGION * 2:
        return [(0, 0, width, height)]
    w, h = min(width, LARGEST_REGION), min(height, LARGEST_REGION)
    return [(0, 0, w, h), (width - w, height - h, w, h)]


def render(pdf, page, region, resolution_xy, stem):
    x0, y0, w, h = region
    colour = [] if page["mode"] == "RGB" else ["-gray"]
    result = run(["pdftoppm", "-f", str(page["page"]), "-l", str(page["page"]), "-rx", str(resolution_xy[0] * SCALE),
                  "-ry", str(resolution_xy[1] * SCALE), "-x", str(x0 * SCALE), "-y", str(y0 * SCALE), "-W", str(w * SCALE),
                  "-H", str(h * SCALE), "-singlefile", *colour, str(pdf), str(stem)])
    path = stem.with_suffix(".ppm" if page["mode"] == "RGB" else ".pgm")
    if result.returncode != 0 or not path.exists():
        return None, result.stderr.strip()
    with Image.open(path) as rendered:
        rendered.load()
    path.unlink()
    return rendered, ""


def check_render(pdf, page, directory):
    x, y = resolution(page["xdpi"], page["ydpi"])
    if x != int(x) or y != int(y):
        return []  # a fractional resolution cannot map pixels to whole blocks
    mode = "RGB" if page["mode"] == "RGB" else "L"
    size = (page["width"], page["height"])
    expected_page = Image.frombytes(mode, size, (directory / f"{pdf.stem}_{page['page']}.raw").read_bytes())
    decoded_page = None
    if page["encoding"] == "jpeg":
        with Image.open(directory / f"{pdf.stem}_{page['page']}.jpg") as jpeg:
            decoded_page = jpeg.convert(mode)
    errors = []
    for region in regions(*size):
        where = f"{pdf.name} page {page['page']} region {region}"
        rendered, problem = render(pdf, page, region, (int(x), int(y)), directory / f"render_{pdf.stem}_{page['page']}")
        box = (region[0], region[1], region[0] + region[2], region[1] + region[3])
        blocks = (region[2] * SCALE, region[3] * SCALE)
        if rendered is None or rendered.size != blocks or rendered.mode != mode:
            errors.append(f"{where}: rendered {rendered and (rendered.mode, rendered.size)}, expected {mode} {blocks} {problem}")
            continue
        expected = expected_page.crop(box).resize(blocks, Image.NEAREST)
        if decoded_page is None:
            if rendered.tobytes() != expected.tobytes():
                differing = sum(a != b for a, b in zip(rendered.tobytes(), expected.tobytes()))
                errors.append(f"{where}: {differing} rendered samples differ from the lossless page")
            continue
        # The JPEG's loss is its encoder's concern: the render must match Pillow's decoding of the embedded
        # stream closely, and the page loosely, so colour, orientation or size mix-ups show.
        decoded = decoded_page.crop(box).resize(blocks, Image.NEAREST)
        to_decoded = max(ImageStat.Stat(ImageChops.difference(rendered, decoded)).mean)
        to_original = max(ImageStat.Stat(ImageChops.difference(rendered, expected)).mean)
        if to_decoded > 1.5 or to_original > 12:
            errors.append(f"{where}: JPEG render {to_decoded:.2f} from Pillow's decoding, {to_original:.2f} from the page")
    return errors


def main(generator, directory):
    directory = Path(directory)
    shutil.rmtree(directory, ignore_errors=True)
    directory.mkdir(parents=True)
    subprocess.run([generator, str(directory)], check=True)
    documents = defaultdict(list)
    for line in (directory / "manifest.txt").read_text().splitlines():
        name, page, mode, width, height, xdpi, ydpi, encoding = line.split()
        documents[name].append({"page": int(page), "mode": mode, "width": int(width), "height": int(height),
                                "xdpi": float(xdpi), "ydpi": float(ydpi), "encoding": encoding})
    if sorted(len(pages) for pages in documents.values()) != [1, 50]:
        print(f"unexpected documents: {dict((k, len(v)) for k, v in documents.items())}")
        return 1
    errors = []
    rendered = 0
    for name, pages in documents.items():
        pdf = directory / name
        errors += check_structure(pdf) + check_pages(pdf, pages) + check_images(pdf, pages)
        for page in pages:
            errors += check_render(pdf, page, directory)
            rendered += 1
    for error in errors:
        print(error)
    encodings = sorted({page["encoding"] for pages in documents.values() for page in pages})
    print(f"{len(documents)} PDFs, {sum(map(len, documents.values()))} pages ({', '.join(encodings)}) checked by "
          f"qpdf, pdfinfo, pdfimages and pdftoppm: {len(errors)} problems")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
