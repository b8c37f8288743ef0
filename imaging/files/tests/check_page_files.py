#!/usr/bin/python3
"""Checks every file the page-consumer tests wrote with decoders we did not write, against the raw pixels the
test left beside each page (manifest.txt: file page pages encoding mode width height xdpi ydpi raw). PNG, BMP
and JPEG through Pillow; TIFF through tiffinfo (nothing on stderr), tiffcp -c none, then Pillow page by page;
PDF through qpdf --check, pdfinfo, pdfimages and pdftoppm. Lossless pages must be identical, JPEG pages
within 30 dB PSNR. Reuses the samples' checker's helpers, so each rule is written once."""
import subprocess
import sys
from collections import defaultdict
from pathlib import Path

from PIL import Image

sys.path.insert(0, str(Path(__file__).resolve().parent.parent.parent / "tests"))
import check_samples  # noqa: E402

MIN_PSNR = 30.0


def compare(name, decoded, page, directory, lossy):
    expected = check_samples.expected_image(directory, page)
    decoded = decoded.convert(expected.mode)
    if decoded.size != expected.size:
        return [f"{name} page {page['page']}: {decoded.size}, expected {expected.size}"]
    if lossy:
        quality = check_samples.psnr(decoded, expected)
        return [] if quality >= MIN_PSNR else [f"{name} page {page['page']}: PSNR {quality:.1f} dB < {MIN_PSNR}"]
    return [] if decoded.tobytes() == expected.tobytes() else [f"{name} page {page['page']}: pixels differ"]


def check_dpi(name, image, page):
    dpi = image.info.get("dpi")
    if page["xdpi"] <= 0:
        return []
    if dpi is None or abs(dpi[0] - page["xdpi"]) > 0.51 or abs(dpi[1] - page["ydpi"]) > 0.51:
        return [f"{name}: resolution {dpi}, expected {(page['xdpi'], page['ydpi'])}"]
    return []


def check_single(directory, name, pages):
    page = pages[0]
    with Image.open(directory / name) as image:
        image.load()
        expected_format = {"png": "PNG", "bmp": "BMP", "jpg": "JPEG", "jpeg": "JPEG"}[name.rsplit(".", 1)[1].lower()]
        if image.format != expected_format:
            return [f"{name}: Pillow reads {image.format}"]
        return check_dpi(name, image, page) + compare(name, image, page, directory, page["encoding"] == "jpeg")


def check_tiff(directory, name, pages):
    path = directory / name
    info = subprocess.run(["tiffinfo", str(path)], capture_output=True, text=True)
    if info.returncode != 0 or info.stderr.strip():
        return [f"{name}: tiffinfo exit {info.returncode}: {info.stderr.strip()[:300]}"]
    fields = check_samples.tiff_directories(info.stdout)
    if len(fields) != len(pages):
        return [f"{name}: {len(fields)} directories, expected {len(pages)}"]
    errors = []
    for field, page in zip(fields, pages):
        x, y, unit = check_samples.tiff_resolution(page["xdpi"], page["ydpi"])
        got = field["resolution"]
        if not got or abs(got[0] - x) > 0.01 or abs(got[1] - y) > 0.01 or got[2] != unit:
            errors.append(f"{name} page {page['page']}: resolution {got}, expected {(x, y, unit)}")
        if field["page"] != (page["page"] - 1, len(pages)):
            errors.append(f"{name} page {page['page']}: page number {field['page']}")
    decoded = directory / (name + ".decoded.tif")
    copy = subprocess.run(["tiffcp", "-c", "none", str(path), str(decoded)], capture_output=True, text=True)
    if copy.returncode != 0 or copy.stderr.strip():
        return errors + [f"{name}: tiffcp -c none exit {copy.returncode}: {copy.stderr.strip()[:300]}"]
    with Image.open(decoded) as image:
        for page in pages:
            image.seek(page["page"] - 1)
            errors += compare(name, image, page, directory, page["encoding"] == "jpeg")
    return errors


def check_pdf(directory, name, pages):
    path = directory / name
    # The samples' checker counts pages from 0.
    listed = [dict(page, page=page["page"] - 1, encoding={"ccitt": "ccitt", "jpeg": "jpeg"}.get(page["encoding"], "flate"))
              for page in pages]
    errors = check_samples.check_pdf_structure(directory, name, listed)
    prefix = directory / (name + ".image")
    if subprocess.run(["pdfimages", "-png", str(path), str(prefix)], capture_output=True).returncode != 0:
        return errors + [f"{name}: pdfimages -png failed"]
    for page in pages:
        with Image.open(f"{prefix}-{page['page'] - 1:03d}.png") as image:
            errors += compare(name, image, page, directory, page["encoding"] == "jpeg")
    render = directory / (name + ".render")
    rendered = subprocess.run(["pdftoppm", "-r", "10", "-png", str(path), str(render)], capture_output=True, text=True)
    count = len(list(directory.glob(name + ".render*.png")))
    if rendered.returncode != 0 or rendered.stderr.strip() or count != len(pages):
        errors.append(f"{name}: pdftoppm rendered {count} pages, exit {rendered.returncode}: {rendered.stderr.strip()[:200]}")
    return errors


def main(directory):
    directory = Path(directory)
    files = defaultdict(list)
    for line in (directory / "manifest.txt").read_text().splitlines():
        name, page, total, encoding, mode, width, height, xdpi, ydpi, raw = line.split()
        files[name].append({"page": int(page), "pages": int(total), "encoding": encoding, "mode": mode,
                            "width": int(width), "height": int(height), "xdpi": float(xdpi), "ydpi": float(ydpi),
                            "raw": raw})
    errors = []
    for name, pages in sorted(files.items()):
        pages.sort(key=lambda p: p["page"])
        extension = name.rsplit(".", 1)[1].lower()
        check = check_tiff if extension in ("tif", "tiff") else check_pdf if extension == "pdf" else check_single
        found = check(directory, name, pages)
        print(f"{'FAIL' if found else 'ok  '} {name}: {len(pages)} page(s)")
        errors += found
    for error in errors:
        print(error)
    print(f"{len(files)} files checked, {len(errors)} problems")
    return 1 if errors or len(files) < 10 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
