#!/usr/bin/python3
"""karvell --ofd read back by independent readers: every XML part validated by xmllint against
the OFD schemas, the characters and their places compared with the PDF of the same pages as
pdftotext -bbox reads it, the embedded fonts opened with fontTools.

Usage: ofd_export_test.py KARVELL [SOURCE_DIR [SCHEMA_DIR]]"""
import io
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
import zipfile

from fontTools.ttLib import TTFont

from karvell_cli import KARVELL, copy_package, run, demo_args  # noqa: E402
SOURCE = sys.argv[2] if len(sys.argv) > 2 else os.path.join(os.path.dirname(__file__), "../..")
SCHEMAS = sys.argv[3] if len(sys.argv) > 3 else os.path.join(SOURCE, "data/ofd-xsd")
NS = {"ofd": "http://www.ofdspec.org/2016"}
MM_PER_PT = 25.4 / 72
TOLERANCE_MM = 0.5


def schema_of(name):
    """The root schema a part of the package is written against."""
    if name == "OFD.xml":
        return "OFD.xsd"
    if name.endswith("/Document.xml"):
        return "Document.xsd"
    if name.endswith("Res.xml"):
        return "Res.xsd"
    if name.endswith("/Content.xml"):
        return "Page.xsd"
    return None


def floats(text):
    return [float(v) for v in text.split()] if text else []


class Package:
    """An OFD file as read with zipfile and ElementTree."""

    def __init__(self, path):
        with zipfile.ZipFile(path) as z:
            self.parts = {n: z.read(n) for n in z.namelist()}
        self.root = ET.fromstring(self.parts["OFD.xml"])
        doc_root = self.root.find("ofd:DocBody/ofd:DocRoot", NS).text
        self.doc_dir = os.path.dirname(doc_root)
        self.document = ET.fromstring(self.parts[doc_root])
        self.fonts, self.media = {}, {}  # resource id → part name
        for res in self.document.find("ofd:CommonData", NS):
            if res.tag.endswith("PublicRes") or res.tag.endswith("DocumentRes"):
                res_name = f"{self.doc_dir}/{res.text}"
                tree = ET.fromstring(self.parts[res_name])
                base = f"{self.doc_dir}/{tree.get('BaseLoc')}"
                for font in tree.iterfind(".//ofd:Font", NS):
                    file = font.find("ofd:FontFile", NS)
                    self.fonts[font.get("ID")] = (font.get("FontName"),
                                                  file is not None and f"{base}/{file.text}")
                for media in tree.iterfind(".//ofd:MultiMedia", NS):
                    self.media[media.get("ID")] = f"{base}/{media.find('ofd:MediaFile', NS).text}"
        self.pages = [f"{self.doc_dir}/{p.get('BaseLoc')}"
                      for p in self.document.iterfind("ofd:Pages/ofd:Page", NS)]

    def page(self, i):
        return ET.fromstring(self.parts[self.pages[i]])

    def chars(self, i):
        """(character, x, baseline y, font id, size) of every character drawn on page i, mm."""
        out = []
        for t in self.page(i).iterfind(".//ofd:TextObject", NS):
            bx, by = floats(t.get("Boundary"))[:2]
            for code in t.iterfind("ofd:TextCode", NS):
                x, y = bx + float(code.get("X")), by + float(code.get("Y"))
                deltas = floats(code.get("DeltaX"))
                for k, c in enumerate(code.text or ""):
                    out.append((c, x, y, t.get("Font"), float(t.get("Size"))))
                    if k < len(deltas):
                        x += deltas[k]
        return out


def pdf_words(pdf):
    """Per page, the words pdftotext -bbox reads: (text, xMin, yMin, xMax, yMax) in mm."""
    html = subprocess.run(["pdftotext", "-bbox", pdf, "-"], capture_output=True, text=True,
                          check=True).stdout
    pages = []
    for page in html.split("<page ")[1:]:
        words = []
        for m in re.finditer(r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" '
                             r'yMax="([\d.]+)">([^<]*)</word>', page):
            text = m.group(5).replace("&amp;", "&").replace("&lt;", "<").replace("&gt;", ">")
            words.append((text, *[float(m.group(k)) * MM_PER_PT for k in range(1, 5)]))
        pages.append(words)
    return pages


class OfdExport(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.demo = os.path.join(cls.tmp.name, "demo")
        run("make-demo", cls.demo)
        cls.font_cache = {}

    def path(self, name):
        return os.path.join(self.tmp.name, name)

    def check_schemas(self, ofd):
        """Every XML part validates against its schema; every part is referenced."""
        pkg = Package(ofd)
        work = tempfile.mkdtemp(dir=self.tmp.name)
        xml_parts = [n for n in pkg.parts if n.endswith(".xml")]
        for name in xml_parts:
            schema = schema_of(name)
            self.assertIsNotNone(schema, f"an XML part of no known kind: {name}")
            file = os.path.join(work, name.replace("/", "_"))
            with open(file, "wb") as f:
                f.write(pkg.parts[name])
            r = subprocess.run(["xmllint", "--noout", "--schema",
                                os.path.join(SCHEMAS, schema), file],
                               capture_output=True, text=True)
            self.assertEqual(r.returncode, 0, f"{name}: {r.stderr}")
        referenced = {"OFD.xml", f"{pkg.doc_dir}/Document.xml", *pkg.pages, *pkg.media.values()}
        referenced |= {f for _, f in pkg.fonts.values() if f}
        referenced |= {f"{pkg.doc_dir}/{r.text}" for r in pkg.document.find("ofd:CommonData", NS)
                       if r.tag.endswith("Res")}
        self.assertEqual(set(pkg.parts), referenced, "parts not referenced or missing")
        for forbidden in ("Permissions", "Actions", "Encryptions", "Signatures"):
            self.assertFalse(any(forbidden.encode() in pkg.parts[n] for n in xml_parts), forbidden)
        return pkg

    def font(self, pkg, font_id):
        name, file = pkg.fonts[font_id]
        self.assertTrue(file, f"font {name} is not embedded")
        return TTFont(io.BytesIO(pkg.parts[file]), fontNumber=0)

    def check_against_pdf(self, pkg, pdf):
        """Each PDF word is the OFD's characters on that baseline from where the word starts,
        first and last within the tolerance; no character is left over on either side. The last
        character's extent comes from its advance in the embedded font."""
        pages = pdf_words(pdf)
        self.assertEqual(len(pages), len(pkg.pages))
        for number, words in enumerate(pages):
            chars = [c for c in pkg.chars(number) if not c[0].isspace()]
            used = [False] * len(chars)
            fonts = {}
            for text, x0, y0, x1, y1 in words:
                on_line = sorted((k for k, c in enumerate(chars) if y0 <= c[2] <= y1 and
                                  not used[k] and c[1] > x0 - TOLERANCE_MM),
                                 key=lambda k: chars[k][1])
                run_ = on_line[:len(text)]
                where = f"page {number + 1}, “{text}” at {x0:.2f},{y0:.2f} mm"
                self.assertEqual("".join(chars[k][0] for k in run_), text, where)
                self.assertLess(abs(chars[run_[0]][1] - x0), TOLERANCE_MM, where)
                last = chars[run_[-1]]
                if last[3] not in fonts:
                    font = self.font(pkg, last[3])
                    fonts[last[3]] = (font, font["head"].unitsPerEm)
                font, em = fonts[last[3]]
                glyph = font.getBestCmap()[ord(last[0])]
                end = last[1] + font["hmtx"][glyph][0] / em * last[4]
                self.assertLess(abs(end - x1), TOLERANCE_MM, where)
                for k in run_:
                    used[k] = True
            self.assertEqual([chars[k][0] for k in range(len(chars)) if not used[k]], [],
                             f"page {number + 1}: characters the PDF does not have")

    def check_fonts_cover(self, pkg):
        """Every character is in its embedded font's character map, on a real glyph."""
        for number in range(len(pkg.pages)):
            by_font = {}
            for c, _, _, font_id, _ in pkg.chars(number):
                by_font.setdefault(font_id, set()).add(c)
            for font_id, chars in by_font.items():
                font = self.font(pkg, font_id)
                cmap = font.getBestCmap()
                missing = [c for c in chars if not c.isspace() and
                           cmap.get(ord(c), ".notdef") == ".notdef"]
                self.assertEqual(missing, [], f"font {pkg.fonts[font_id][0]}, page {number + 1}")

    def test_demo_voucher(self):
        ofd, pdf = self.path("demo.ofd"), self.path("demo.pdf")
        run("expand", *demo_args(self.demo), "--ofd", ofd)
        run("expand", *demo_args(self.demo), "--pdf", pdf)
        pkg = self.check_schemas(ofd)
        info = pkg.root.find("ofd:DocBody/ofd:DocInfo", NS)
        self.assertEqual(info.find("ofd:Creator", NS).text, "karvell")
        self.assertRegex(info.find("ofd:DocID", NS).text, r"^[0-9a-f]{32}$")
        names = {n for n, _ in pkg.fonts.values()}
        self.assertIn("宋体", names)  # the family as the cells store it
        self.assertIn("黑体", names)
        self.check_against_pdf(pkg, pdf)
        self.check_fonts_cover(pkg)
        # A second file is another document.
        run("expand", *demo_args(self.demo), "--ofd", self.path("again.ofd"))
        self.assertNotEqual(info.find("ofd:DocID", NS).text,
                            Package(self.path("again.ofd")).root.find(
                                "ofd:DocBody/ofd:DocInfo/ofd:DocID", NS).text)

    def test_form_offset(self):
        """A form offset moves every character by itself, as in the PDF."""
        plain, ofd, pdf = self.path("plain.ofd"), self.path("moved.ofd"), self.path("moved.pdf")
        run("expand", *demo_args(self.demo), "--ofd", plain)
        run("expand", "--offset", "10,5", *demo_args(self.demo), "--ofd", ofd)
        run("expand", "--offset", "10,5", *demo_args(self.demo), "--pdf", pdf)
        moved = Package(ofd)
        self.check_against_pdf(moved, pdf)
        for (c0, x0, y0, *_), (c1, x1, y1, *_) in zip(Package(plain).chars(0), moved.chars(0)):
            self.assertEqual(c0, c1)
            self.assertAlmostEqual(x1 - x0, 10, delta=0.05)
            self.assertAlmostEqual(y1 - y0, 5, delta=0.05)

    def test_batch(self):
        ofd, pdf = self.path("month.ofd"), self.path("month.pdf")
        args = [os.path.join(self.demo, "edj/记账凭证.edj"), "--db",
                os.path.join(self.demo, "quorbex.db"),
                "--master", "select * from Month_Main where 凭证号 <= '记-0006' order by 凭证号",
                "--detail", "select * from Month_Detail order by 凭证号, 序号", "--key", "凭证号",
                "--allow-unmatched"]
        r = run("batch", *args, "--ofd", ofd)
        self.assertIn(f"OFD: {ofd}", r.stdout)
        run("batch", *args, "--pdf", pdf)
        pkg = self.check_schemas(ofd)
        self.assertGreater(len(pkg.pages), 1)
        self.check_against_pdf(pkg, pdf)

    def drawn(self, pkg):
        """Per page, what is drawn: paths, pictures, and texts with their font's name."""
        fonts = {i: name for i, (name, _) in pkg.fonts.items()}
        pages = []
        for i in range(len(pkg.pages)):
            items = []
            for el in pkg.page(i).iter():
                tag = el.tag.split("}")[1]
                if tag == "PathObject":
                    items.append((tag, el.get("Boundary"), el.get("LineWidth"),
                                  el.findtext("ofd:AbbreviatedData", namespaces=NS)))
                elif tag == "TextObject":
                    code = el.find("ofd:TextCode", NS)
                    items.append((tag, el.get("Boundary"), fonts[el.get("Font")], el.get("Size"),
                                  el.get("Weight"), code.get("X"), code.get("Y"),
                                  code.get("DeltaX"), code.text))
                elif tag == "ImageObject":
                    items.append((tag, el.get("Boundary"),
                                  pkg.parts[pkg.media[el.get("ResourceID")]]))
            pages.append(items)
        return pages

    def test_sharded_batch_joins_to_the_whole(self):
        """The OFD parts of a batch printed with --shard join into a document that draws what
        the whole batch's draws; more parts than vouchers give empty parts, passed over."""
        args = [os.path.join(self.demo, "edj/记账凭证.edj"), "--db",
                os.path.join(self.demo, "quorbex.db"),
                "--master", "select * from Month_Main where 凭证号 <= '记-0005' order by 凭证号",
                "--detail", "select * from Month_Detail order by 凭证号, 序号", "--key", "凭证号",
                "--allow-unmatched"]
        whole = self.path("shard-whole.ofd")
        run("batch", *args, "--ofd", whole)
        expected = self.drawn(Package(whole))
        for n in (1, 2, 3, 7):
            with self.subTest(parts=n):
                parts = [self.path(f"shard-{n}-{k}.ofd") for k in range(1, n + 1)]
                for k, part in enumerate(parts, 1):
                    run("batch", *args, "--shard", f"{k}/{n}", "--ofd", part)
                self.assertEqual(sum(os.path.getsize(p) == 0 for p in parts) > 0, n > 5)
                joined = self.path(f"shard-joined-{n}.ofd")
                r = run("join", joined, *parts)
                self.assertIn(f"OFD: {joined}", r.stdout)
                pkg = self.check_schemas(joined)
                self.assertEqual(self.drawn(pkg), expected)
                self.check_fonts_cover(pkg)
                ids = [el.get("ID") for name, xml in pkg.parts.items() if name.endswith(".xml")
                       for el in ET.fromstring(xml).iter() if el.get("ID")]
                self.assertEqual(len(ids), len(set(ids)), "an object number used twice")
                self.assertLessEqual(max(map(int, ids)), int(pkg.document.findtext(
                    "ofd:CommonData/ofd:MaxUnitID", namespaces=NS)))

    def test_join_refuses_foreign_and_mixed_parts(self):
        good = self.path("join-good.ofd")
        run("expand", *demo_args(self.demo), "--ofd", good)
        foreign = self.path("join-foreign.ofd")
        copy_package(good, foreign, "OFD.xml", b"<ofd:Creator>karvell<", b"<ofd:Creator>other<")
        out = self.path("join-out.ofd")
        for parts, message in (([good, foreign], "不是 karvell 写出的 OFD 文件"),
                               ([good, self.path("month.pdf")], "须是同一种文件"),
                               ([good, out + ".missing.ofd"], "无法读取部分文件")):
            with self.subTest(message=message):
                r = run("join", out, *parts, check=False)
                self.assertEqual(r.returncode, 1)
                self.assertIn(message, r.stderr)
                self.assertFalse(os.path.exists(out))

    def test_picture_diagonals_and_merged_cells(self):
        work = self.path("pic")
        os.makedirs(work)
        with open(os.path.join(SOURCE, "tests/fixtures/pictures/bmp24.bmp"), "rb") as f:
            picture = f.read()
        with open(os.path.join(work, "p.bmp"), "wb") as f:
            f.write(picture)
        ops = [{"op": "NewTable", "columns": 3, "rows": 3},
               {"select": [[0, 0], [1, 0], [2, 0]]}, {"op": "CombineCell"},
               {"op": "SetCellText", "cell": [0, 0], "text": "合并单元格"},
               # Characters the cell's font lacks are drawn, and embedded, in a fallback face.
               {"op": "SetCellText", "cell": [1, 1], "text": "凭证한글"},
               {"select": [[0, 1]]}, {"op": "SetSelDiagonal", "flags": 0x001},
               {"select": [[1, 2]]}, {"op": "SetSelDiagonal", "flags": 0x100},
               {"op": "SetSelBorders", "left": True, "top": True, "right": True,
                "bottom": True, "leftWidth": 3, "topWidth": 2, "rightWidth": 1,
                "bottomWidth": 1},
               {"op": "SetDragHeight", "line": 2, "height": 80},
               {"op": "LoadCellPicture", "cell": [2, 2], "file": "p.bmp"},
               {"clear": True}]
        with open(os.path.join(work, "ops.json"), "w", encoding="utf-8") as f:
            json.dump(ops, f)
        template = os.path.join(work, "m.ept")
        ofd, pdf = os.path.join(work, "m.ofd"), os.path.join(work, "m.pdf")
        run("apply", "new", os.path.join(work, "ops.json"), "-o", template)
        run("print", template, "--ofd", ofd)
        run("print", template, "--pdf", pdf)
        pkg = self.check_schemas(ofd)
        page = pkg.page(0)
        images = page.findall(".//ofd:ImageObject", NS)
        self.assertEqual(len(images), 1)
        media = pkg.media[images[0].get("ResourceID")]
        self.assertTrue(pkg.parts[media].startswith(b"\x89PNG"), media)
        # Two diagonals: stroked paths that are neither horizontal nor vertical.
        slanted = 0
        for p in page.iterfind(".//ofd:PathObject", NS):
            if p.get("Stroke") == "false":
                continue
            pts = floats(re.sub(r"[A-Z]", " ", p.find("ofd:AbbreviatedData", NS).text))
            if len(pts) == 4 and pts[0] != pts[2] and pts[1] != pts[3]:
                slanted += 1
        self.assertEqual(slanted, 2)
        # Borders three, two and one pixel wide keep their proportions.
        widths = [min(floats(p.get("Boundary"))[2:])
                  for p in page.iterfind(".//ofd:PathObject", NS) if p.get("Fill") == "true"]
        self.assertEqual({round(w / min(widths)) for w in widths}, {1, 2, 3}, widths)
        self.check_against_pdf(pkg, pdf)
        self.check_fonts_cover(pkg)

    def test_output_checks(self):
        template = os.path.join(self.demo, "edj/记账凭证.edj")
        r = run("print", template, "--ofd", template, check=False)
        self.assertEqual(r.returncode, 1)
        r = run("expand", *demo_args(self.demo), "--ofd",
                os.path.join(self.demo, "no-such-dir", "x.ofd"), check=False)
        self.assertEqual(r.returncode, 1)
        self.assertNotIn("页", r.stdout)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
