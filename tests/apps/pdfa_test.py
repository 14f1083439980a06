#!/usr/bin/python3
"""karvell --pdfa judged by independent readers: pikepdf (the file's objects and XMP), pdffonts,
qpdf --check and pdftotext. Each check names the PDF/A-1 (ISO 19005-1) rule it stands for.
Files: the demo voucher, a month's batch, a list report long enough to be painted in two parts
and joined, a picture with partial transparency and the calibration sheet.

Usage: pdfa_test.py KARVELL [SOURCE_DIR]"""
import datetime
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

import pikepdf

from karvell_cli import KARVELL, demo_args, month_args, run, tool  # noqa: E402
SOURCE = sys.argv[2] if len(sys.argv) > 2 else os.path.join(os.path.dirname(__file__), "../..")
NS = {"rdf": "http://www.w3.org/1999/02/22-rdf-syntax-ns#",
      "dc": "http://purl.org/dc/elements/1.1/", "xmp": "http://ns.adobe.com/xap/1.0/",
      "pdf": "http://ns.adobe.com/pdf/1.3/", "pdfaid": "http://www.aiim.org/pdfa/ns/id/"}


def pdf_date(text):
    """A PDF date (D:YYYYMMDDHHmmSS with Z or ±HH'mm') as an aware datetime."""
    m = re.fullmatch(r"D:(\d{14})(Z|[+-]\d\d'\d\d'?)?", text)
    assert m, text
    tz = m.group(2) or "Z"
    offset = 0 if tz == "Z" else (1 if tz[0] == "+" else -1) * (int(tz[1:3]) * 60 + int(tz[4:6]))
    return datetime.datetime.strptime(m.group(1), "%Y%m%d%H%M%S").replace(
        tzinfo=datetime.timezone(datetime.timedelta(minutes=offset)))


def xmp_date(text):
    return datetime.datetime.fromisoformat(text.replace("Z", "+00:00"))


def reachable(pdf):
    """Every dictionary (a stream's dictionary too) reachable from the trailer, once."""
    seen, stack, found = set(), [pdf.trailer], []
    while stack:
        obj = stack.pop()
        if not isinstance(obj, (pikepdf.Array, pikepdf.Dictionary, pikepdf.Stream)):
            continue
        if obj.is_indirect:
            if obj.objgen in seen:
                continue
            seen.add(obj.objgen)
        if isinstance(obj, pikepdf.Array):
            stack.extend(obj)
        elif isinstance(obj, (pikepdf.Dictionary, pikepdf.Stream)):
            d = obj.stream_dict if isinstance(obj, pikepdf.Stream) else obj
            found.append(d)
            stack.extend(d[k] for k in d.keys())
    return found


def alpha_bmp(path):
    """An 8×8 32-bit BMP, every other pixel half transparent."""
    pixels = b"".join(bytes([0, 0, 255, 128 if (x + y) % 2 else 255])
                      for y in range(8) for x in range(8))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, 8, 8, 1, 32, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


class PdfA(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.demo = os.path.join(cls.tmp.name, "demo")
        run("make-demo", cls.demo)

    def path(self, name):
        return os.path.join(self.tmp.name, name)

    def check_pdfa(self, path, title):
        """The rules of PDF/A-1b that a writer can break, each named."""
        with open(path, "rb") as f:
            head = f.read(32)
        # 6.1.2 File header: %PDF-1.n, then a comment of at least four bytes above 127.
        self.assertRegex(head, rb"^%PDF-1\.[0-4]\r?\n%[\x80-\xff]{4}", "6.1.2 header")
        # 6.1.x Structure: qpdf finds no syntax or stream error.
        check = subprocess.run(["qpdf", "--check", path], capture_output=True, text=True)
        self.assertEqual(check.returncode, 0, "qpdf --check: " + check.stdout + check.stderr)
        self.assertIn("No syntax or stream encoding errors", check.stdout)
        pdf = pikepdf.open(path)
        # 6.1.3 File trailer: an /ID, and 6.1.3/6.1.4 no encryption.
        self.assertIn("/ID", pdf.trailer, "6.1.3 trailer /ID")
        self.assertEqual(len(pdf.trailer.ID), 2)
        self.assertNotIn("/Encrypt", pdf.trailer, "6.1.3 no encryption")
        self.assertFalse(pdf.is_encrypted)

        # 6.7.2 / 6.7.11 Metadata: an XMP stream in the catalog naming part 1, conformance B.
        xmp = ET.fromstring(pdf.Root.Metadata.read_bytes())
        desc = {}
        for d in xmp.iter(f"{{{NS['rdf']}}}Description"):
            desc.update(d.attrib)
        self.assertEqual(desc.get(f"{{{NS['pdfaid']}}}part"), "1", "6.7.11 pdfaid:part")
        self.assertEqual(desc.get(f"{{{NS['pdfaid']}}}conformance"), "B",
                         "6.7.11 pdfaid:conformance")
        # 6.7.3 Document information and XMP agree: every Info entry has its XMP twin.
        info = pdf.docinfo
        xmp_title = xmp.find(".//dc:title/rdf:Alt/rdf:li", NS).text
        self.assertEqual(str(info.Title), title, "6.7.3 /Title")
        self.assertEqual(xmp_title, str(info.Title), "6.7.3 /Title = dc:title")
        self.assertEqual(str(info.Creator), "karvell")
        self.assertEqual(desc.get(f"{{{NS['xmp']}}}CreatorTool"), str(info.Creator),
                         "6.7.3 /Creator = xmp:CreatorTool")
        self.assertEqual(desc.get(f"{{{NS['pdf']}}}Producer"), str(info.Producer),
                         "6.7.3 /Producer = pdf:Producer")
        self.assertEqual(xmp_date(desc[f"{{{NS['xmp']}}}CreateDate"]),
                         pdf_date(str(info.CreationDate)),
                         "6.7.3 /CreationDate = xmp:CreateDate")
        if "/ModDate" in info:
            self.assertEqual(xmp_date(desc[f"{{{NS['xmp']}}}ModifyDate"]),
                             pdf_date(str(info.ModDate)), "6.7.3 /ModDate = xmp:ModifyDate")
        self.assertTrue({"/Author", "/Subject", "/Keywords"}.isdisjoint(info.keys()),
                        "6.7.3 no Info entry without its XMP twin")

        # 6.2.2 Output intent: GTS_PDFA1 with an embedded RGB ICC output profile (sRGB).
        intents = [i for i in pdf.Root.OutputIntents if i.S == "/GTS_PDFA1"]
        self.assertEqual(len(intents), 1, "6.2.2 one GTS_PDFA1 output intent")
        profile = intents[0].DestOutputProfile
        self.assertEqual(int(profile.N), 3, "6.2.2 the profile has three components")
        icc = profile.read_bytes()
        self.assertEqual(icc[12:20], b"mntrRGB ", "6.2.2 an RGB display (output) profile")
        self.assertEqual(struct.unpack(">I", icc[:4])[0], len(icc), "ICC header size")
        self.assertIn("sRGB", str(intents[0].OutputConditionIdentifier))

        # 6.3.4 / 6.3.5 Fonts: every font embedded, as pdffonts reads them; and with a
        # ToUnicode map, so the text can be read back.
        rows = tool("pdffonts", path).splitlines()[2:]
        self.assertTrue(rows, "the file has fonts")
        for row in rows:
            cols = row.split()
            self.assertEqual(cols[-5:-2], ["yes", "yes", "yes"], "6.3.4 embedded: " + row)

        objects = reachable(pdf)
        for obj in objects:
            # 6.4 Transparency: no soft mask, constant alpha 1, no transparency group.
            if "/SMask" in obj:
                self.assertEqual(obj.SMask, pikepdf.Name("/None"), "6.4 /SMask")
            for key in ("/CA", "/ca"):
                if key in obj:
                    self.assertEqual(float(obj[key]), 1.0, "6.4 " + key)
            if "/BM" in obj:
                self.assertIn(obj.BM, (pikepdf.Name.Normal, pikepdf.Name.Compatible), "6.4 /BM")
            if "/Group" in obj:
                self.assertNotEqual(obj.Group.get("/S"), pikepdf.Name.Transparency, "6.4 group")
            # 6.1.10 Filters: no LZW; 6.6.1 / 6.9 no JavaScript, no embedded files.
            filters = obj.get("/Filter")
            self.assertNotEqual(filters, pikepdf.Name.LZWDecode, "6.1.10 LZW")
            self.assertNotIn("/JS", obj, "6.6.1 JavaScript")
            self.assertNotIn("/EmbeddedFiles", obj, "6.1.11 embedded files")
        fonts = [o for o in objects if o.get("/Type") == pikepdf.Name.Font
                 and o.get("/Subtype") == pikepdf.Name.Type0]
        self.assertTrue(fonts)
        for font in fonts:
            self.assertIn("/ToUnicode", font, "6.3.8 ToUnicode: " + str(font.BaseFont))
        return pdf

    def check_same_text(self, plain, archival):
        self.assertEqual(tool("pdftotext", archival, "-"), tool("pdftotext", plain, "-"),
                         "the text layer is unchanged")
        self.assertEqual(len(pikepdf.open(archival).pages), len(pikepdf.open(plain).pages))

    def test_expand_and_batch_as_pdfa(self):
        demo = demo_args(self.demo)
        batch = month_args(self.demo)
        list_dir = self.path("list")
        # 800 rows are about twenty pages: painted by two threads in two parts, then joined.
        subprocess.run([os.path.join(SOURCE, "bench/make_list_report.sh"), "800", list_dir],
                       check=True, env=dict(os.environ, KARVELL=KARVELL), capture_output=True)
        listing = [os.path.join(list_dir, "list.ept"), "--db", os.path.join(list_dir, "list.db"),
                   "--dataset", "从表=select * from 从表 order by 序号"]
        cases = [("demo", "expand", demo, "demo"), ("month", "batch", batch, "记账凭证"),
                 ("list", "expand", listing, "list")]
        for name, command, args, title in cases:
            with self.subTest(name):
                plain, archival = self.path(name + ".pdf"), self.path(name + "-a.pdf")
                # The title of a file written by expand is its name.
                if command == "expand":
                    plain, archival = self.path(f"p/{name}.pdf"), self.path(f"a/{name}.pdf")
                    os.makedirs(os.path.dirname(plain), exist_ok=True)
                    os.makedirs(os.path.dirname(archival), exist_ok=True)
                run(command, *args, "--pdf", plain)
                run(command, *args, "--pdf", archival, "--pdfa")
                pdf = self.check_pdfa(archival, title)
                self.check_same_text(plain, archival)
                # The plain file stays plain: no XMP claim, no output intent.
                self.assertNotIn("/Metadata", pikepdf.open(plain).Root)
                if name == "list":  # the joined file holds each part's fonts
                    self.assertGreater(len(pdf.pages), 16)
                    self.assertGreater(tool("pdffonts", archival).count("UMingCN"), 1)

    def test_picture_transparency_is_flattened(self):
        work = self.path("picture")
        os.makedirs(work)
        alpha_bmp(os.path.join(work, "alpha.bmp"))
        with open(os.path.join(work, "ops.json"), "w", encoding="utf-8") as f:
            f.write('[{"op": "NewTable", "columns": 2, "rows": 2},'
                    ' {"op": "SetCellText", "cell": [0, 0], "text": "图片"},'
                    ' {"op": "LoadCellPicture", "cell": [1, 1], "file": "alpha.bmp"}]')
        template = os.path.join(work, "p.ept")
        run("apply", "new", os.path.join(work, "ops.json"), "-o", template)
        plain, archival = os.path.join(work, "p.pdf"), os.path.join(work, "p-a.pdf")
        run("print", template, "--pdf", plain)
        r = run("print", template, "--pdf", archival, "--pdfa")
        self.assertIn(archival, r.stdout)
        # The plain file keeps the picture's soft mask; the archival one must not.
        self.assertIn("smask", tool("pdfimages", "-list", plain))
        self.assertIn("image", tool("pdfimages", "-list", archival))
        self.check_pdfa(archival, "Danmere")
        self.check_same_text(plain, archival)

    def test_calibration_sheet(self):
        out = self.path("calibrate.pdf")
        run("calibrate", "--pdf", out, "--pdfa")
        self.check_pdfa(out, "套打校准页")

    def test_pdfa_without_a_pdf_is_refused(self):
        template = os.path.join(self.demo, "edj/记账凭证.edj")
        out = self.path("refused.xlsx")
        for args in (["print", template, "--xlsx", out, "--pdfa"],
                     ["expand", template, "--json", "--pdfa"]):
            with self.subTest(args[0]):
                r = run(*args, check=False)
                self.assertEqual(r.returncode, 1)
                self.assertIn("--pdfa", r.stderr)
                self.assertFalse(os.path.exists(out))


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
