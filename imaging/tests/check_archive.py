"""A PDF/A file read by tools we did not write: PDFBox Preflight for PDF/A-1 (and its failure once the output intent
is gone), qpdf's reading of the catalog, the XMP parsed and compared with the document information, the output
intent's profile opened by LittleCMS, every trailer's /ID, and the texts as pdfinfo and exiftool read them."""
import base64
import io
import json
import re
import subprocess
import xml.etree.ElementTree as ElementTree
from pathlib import Path

from PIL import ImageCms

PREFLIGHT = Path(__file__).resolve().parents[2] / "scripts" / "pdfa-preflight.sh"
# What samples.cpp writes (testing::kMetadata).
METADATA = {"Title": "Αρχείο 文書 (1) <&>", "Author": "Μαρία 山田 📄", "Subject": "Συμβόλαιο 契約", "Keywords": "σάρωση, スキャン"}
NS = {"rdf": "http://www.w3.org/1999/02/22-rdf-syntax-ns#", "dc": "http://purl.org/dc/elements/1.1/",
      "xmp": "http://ns.adobe.com/xap/1.0/", "pdf": "http://ns.adobe.com/pdf/1.3/", "pdfaid": "http://www.aiim.org/pdfa/ns/id/"}
# Info key: where XMP holds the same text.
XMP_OF_INFO = {"Title": "dc:title//rdf:li", "Author": "dc:creator//rdf:li", "Subject": "dc:description//rdf:li",
               "Keywords": "pdf:Keywords", "Creator": "xmp:CreatorTool", "Producer": "pdf:Producer",
               "CreationDate": "xmp:CreateDate", "ModDate": "xmp:ModifyDate"}


def run(args):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True)


def xmp_date(info_date):
    """D:20240309140507+01'00' as XMP writes it: 2024-03-09T14:05:07+01:00."""
    m = re.fullmatch(r"D:(\d{4})(\d\d)(\d\d)(\d\d)(\d\d)(\d\d)([+-])(\d\d)'(\d\d)'", info_date)
    return m and "{}-{}-{}T{}:{}:{}{}{}:{}".format(*m.groups())


def preflight_errors(path):
    """Valid as written, and not once its XMP, or the output intent its device colours need, is renamed away (same
    length, so offsets hold). Pages all in ICC-based colour need no output intent, so that cut is made only where a
    device colour space is used."""
    errors = []
    raw = path.read_bytes()
    cuts = [("no-metadata", b"/Metadata", b"/MetadataX")]
    if re.search(rb"/ColorSpace /Device", raw):
        cuts.append(("no-intent", b"/OutputIntents", b"/OutputIntentX"))
    checks = [(path, True)]
    for label, name, renamed in cuts:
        mutated = path.with_name(f"{path.stem}.{label}.pdf")
        mutated.write_bytes(raw.replace(name, renamed))
        checks.append((mutated, False))
    for file, valid in checks:
        result = run([PREFLIGHT, file])
        if (result.returncode == 0) != valid or ("is a valid PDF/A-1b" in result.stdout) != valid:
            errors.append(f"{file.name}: Preflight {'refused' if valid else 'accepted'} it: {result.stdout.strip()[:600]}")
    return errors


def archive_errors(path, part, colour, metadata=METADATA):
    """`part` "1" (PDF/A-1) or "2" (PDF/A-2); `colour` whether a page is in colour (an sRGB output intent, else grey)."""
    path = Path(path)
    errors = preflight_errors(path) if part == "1" else []
    objects = json.loads(run(["qpdf", "--json=2", "--json-stream-data=inline", "--json-key=qpdf", path]).stdout)["qpdf"][1]
    obj = lambda ref: objects["obj:" + ref]
    text = lambda value: value[2:] if isinstance(value, str) and value[:2] in ("u:", "b:") else value
    catalog, trailer = obj("1 0 R")["value"], objects["trailer"]["value"]
    info = {key[1:]: text(value) for key, value in obj(trailer["/Info"])["value"].items()}
    xmp = ElementTree.fromstring(base64.b64decode(obj(catalog["/Metadata"])["stream"]["data"]))
    find = lambda where: (xmp.find(".//" + where, NS).text if xmp.find(".//" + where, NS) is not None else None)
    for key, where in XMP_OF_INFO.items():
        want = xmp_date(info.get(key, "")) if key.endswith("Date") else info.get(key)
        if find(where) != want:
            errors.append(f"{path.name}: XMP {where} {find(where)!r}, Info {key} {info.get(key)!r}")
    if (find("pdfaid:part"), find("pdfaid:conformance")) != (part, "B"):
        errors.append(f"{path.name}: pdfaid {find('pdfaid:part')} {find('pdfaid:conformance')}, expected {part} B")
    if not re.fullmatch(r"Vantrel \d+\.\d+\.\d+", info.get("Producer", "")) or info.get("Creator") != info.get("Producer"):
        errors.append(f"{path.name}: Creator {info.get('Creator')!r}, Producer {info.get('Producer')!r}")
    intent = catalog["/OutputIntents"][0]
    profile_stream = obj(intent["/DestOutputProfile"])
    profile = ImageCms.ImageCmsProfile(io.BytesIO(base64.b64decode(profile_stream["stream"]["data"])))
    space = "RGB " if colour else "GRAY"
    if (intent["/S"], profile.profile.xcolor_space, profile_stream["stream"]["dict"]["/N"]) != ("/GTS_PDFA1", space, 3 if colour else 1):
        errors.append(f"{path.name}: output intent {intent['/S']} {profile.profile.xcolor_space!r}, expected {space!r}")
    raw = path.read_bytes()
    ids = re.findall(rb"/ID \[(<[0-9A-F]+>) (<[0-9A-F]+>)\]", raw)
    if len(ids) != raw.count(b"trailer") or len(set(ids)) != 1 or ids[0][0] != ids[0][1]:
        errors.append(f"{path.name}: {len(ids)} identifiers for {raw.count(b'trailer')} trailers, {len(set(ids))} distinct")
    pdfinfo = dict(re.findall(r"^(\w+):\s+(.*)$", run(["pdfinfo", path]).stdout, re.M))
    exif = json.loads(run(["exiftool", "-j", "-sep", ", ", "-PDF:all", path]).stdout)[0]
    for key, want in metadata.items():
        # exiftool (12.57) decodes a PDF's UTF-16 as UCS-2: a character past U+FFFF is only pdfinfo's to read.
        exif_reads = all(ord(c) <= 0xFFFF for c in want)
        if pdfinfo.get(key) != want or (exif_reads and exif.get(key) != want):
            errors.append(f"{path.name}: {key} pdfinfo {pdfinfo.get(key)!r}, exiftool {exif.get(key)!r}, expected {want!r}")
    return errors


def tiff_metadata_errors(path, pages, date="2024:03:09 14:05:07", metadata=METADATA):
    """Every page's DocumentName, ImageDescription, Artist, Software and DateTime as exiftool reads them (UTF-8)."""
    tags = json.loads(run(["exiftool", "-j", "-a", "-G1", "-DocumentName", "-ImageDescription", "-Artist", "-Software",
                           "-ModifyDate", path]).stdout)[0]
    errors = []
    for ifd in range(pages):
        got = {key: tags.get(f"IFD{ifd}:{key}") for key in ("DocumentName", "ImageDescription", "Artist", "ModifyDate")}
        want = {"DocumentName": metadata["Title"], "ImageDescription": metadata["Subject"], "Artist": metadata["Author"],
                "ModifyDate": date}
        if got != want or not re.fullmatch(r"Vantrel \d+\.\d+\.\d+", str(tags.get(f"IFD{ifd}:Software"))):
            errors.append(f"{Path(path).name} page {ifd}: {got} {tags.get(f'IFD{ifd}:Software')!r}, expected {want}")
    return errors
