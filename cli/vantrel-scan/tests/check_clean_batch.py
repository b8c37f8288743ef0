#!/usr/bin/env python3
"""Reads back a cleaned batch that vantrel-scan stored as a PDF, with tools we did not write: poppler's
pdfimages lists and extracts the images, Leptonica (through ctypes) measures each page's skew.

Usage: check_clean_batch.py PDF JSON FRONTS BY LOG. The PDF must hold exactly the front pages 1, 3, ... (their
bands), each a Group 4 (CCITT) image, straight within 0.1 degrees and without the feeder's dark border. BY says who
was to drop the blanks, deskew and crop: "ours" (the JSON lists every back as dropped, with its ink share, and the
scanner's LOG shows none of its own clean-up set) or "source" (the scanner set each, delivered only the fronts, and
the JSON says so). Prints each failure and exits 1 if there is any.
"""
import ctypes
import json
import subprocess
import sys
import tempfile
from pathlib import Path


def read_pbm(path):
    data = Path(path).read_bytes()
    fields, pos = [], 2
    while len(fields) < 2:
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(int(data[start:pos]))
    width, height = fields
    stride = (width + 7) // 8
    rows = data[pos + 1:]
    return width, height, lambda x, y: (rows[y * stride + x // 8] >> (7 - x % 8)) & 1


def band_number(width, height, black):
    """The page number in the top tenth: 16 cells, the middle of each clearly black or white."""
    band, number = height // 10, 0
    for cell in range(16):
        left, right = width * cell // 16, width * (cell + 1) // 16
        xs = range(left + (right - left) // 4, right - (right - left) // 4, 3)
        ys = range(band // 4, band - band // 4, 3)
        share = sum(black(x, y) for y in ys for x in xs) / (len(xs) * len(ys))
        if 0.3 < share < 0.7:
            return None
        number |= (share >= 0.5) << (15 - cell)
    return number


def main(pdf, json_path, fronts, by, log_path):
    problems = []
    listing = subprocess.run(['pdfimages', '-list', pdf], capture_output=True, text=True, check=True).stdout.splitlines()[2:]
    encodings = [line.split()[8] for line in listing]
    if encodings != ['ccitt'] * fronts:
        problems.append(f'images: {encodings}, expected {fronts} CCITT ones')
    lept = ctypes.CDLL('liblept.so.5')
    lept.pixRead.restype = ctypes.c_void_p
    lept.pixRead.argtypes = [ctypes.c_char_p]
    lept.pixFindSkew.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_float), ctypes.POINTER(ctypes.c_float)]
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(['pdfimages', pdf, f'{folder}/page'], check=True)
        pages = sorted(Path(folder).glob('page-*.pbm'))
        numbers = []
        for page in pages:
            width, height, black = read_pbm(page)
            numbers.append(band_number(width, height, black))
            angle, confidence = ctypes.c_float(), ctypes.c_float()
            pix = ctypes.c_void_p(lept.pixRead(str(page).encode()))
            lept.pixFindSkew(pix, ctypes.byref(angle), ctypes.byref(confidence))
            lept.pixDestroy(ctypes.byref(pix))
            if abs(angle.value) > 0.1:
                problems.append(f'{page.name}: skew {angle.value:.3f} degrees (confidence {confidence.value:.1f})')
            # The feeder's border would be black along an edge once binarized.
            edges = {'left': [black(0, y) for y in range(height)], 'right': [black(width - 1, y) for y in range(height)],
                     'top': [black(x, 0) for x in range(width)], 'bottom': [black(x, height - 1) for x in range(width)]}
            for edge, pixels in edges.items():
                if sum(pixels) > len(pixels) / 2:
                    problems.append(f'{page.name}: the {edge} edge is black (border left)')
        if numbers != list(range(1, 2 * fronts, 2)):
            problems.append(f'bands {numbers}, expected the fronts {list(range(1, 2 * fronts, 2))}')
    report = json.loads(Path(json_path).read_text())
    dropped = [page['scanned'] for page in report['cleanup'] if not page['kept'] and 'ink' in page]
    source = by == 'source'
    scanned, backs = (fronts, []) if source else (2 * fronts, list(range(2, 2 * fronts + 1, 2)))
    if report['pages'] != fronts or report['scanned'] != scanned or dropped != backs:
        problems.append(f"JSON: {report['pages']} pages of {report['scanned']}, dropped {dropped}")
    doers = {step: by for step in ('blank', 'deskew', 'crop')}
    for page in report['cleanup']:
        # The source's steps are not done again: no skew measured, no ink.
        if page['by'] != doers or ('skew' in page) == source or ('ink' in page and source):
            problems.append(f"JSON: page {page['scanned']} cleaned by {page['by']}, skew {page.get('skew')}")
    # ICAP_AUTODISCARDBLANKPAGES TWBP_AUTO, ICAP_UNDEFINEDIMAGESIZE, ICAP_AUTOMATICBORDERDETECTION, ICAP_AUTOMATICDESKEW
    log = Path(log_path).read_text()
    own = ['cap 0x1134=-1', 'cap 0x112D=1', 'cap 0x1150=1', 'cap 0x1151=1']
    if [entry in log for entry in own] != [source] * len(own):
        problems.append(f"scanner's log: its own clean-up set {[entry for entry in own if entry in log]}")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5]))
