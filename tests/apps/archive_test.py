#!/usr/bin/python3
"""karvell archive and karvell verify: the demo month as an archive package, checked with
sha256sum, zipfile and ElementTree; every kind of tampering reported by verify with the file
named.

Usage: archive_test.py KARVELL"""
import hashlib
import os
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
import zipfile

from karvell_cli import KARVELL, month_args, run  # noqa: E402
NS = {"ofd": "http://www.ofdspec.org/2016"}


class Archive(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.demo = os.path.join(cls.tmp.name, "demo")
        run("make-demo", cls.demo)
        cls.package = os.path.join(cls.tmp.name, "2024-03")
        cls.result = run("archive", *month_args(cls.demo),
                         "--out", cls.package)

    def copy(self, name):
        target = os.path.join(self.tmp.name, name)
        shutil.copytree(self.package, target)
        return target

    def test_package_is_complete_and_verifies(self):
        files = sorted(os.listdir(self.package))
        vouchers = [f for f in files if f.endswith(".ofd")]
        self.assertEqual(len(vouchers), 60)
        self.assertEqual(set(files) - set(vouchers), {"index.xml", "SHA256SUMS"})
        # The sums read by the system's own tool.
        r = subprocess.run(["sha256sum", "--check", "--strict", "SHA256SUMS"], cwd=self.package,
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        index = ET.parse(os.path.join(self.package, "index.xml")).getroot()
        entries = index.findall("voucher")
        self.assertEqual(len(entries), 60)
        self.assertRegex(index.get("templateSha256"), "^[0-9a-f]{64}$")
        with sqlite3.connect(os.path.join(self.demo, "quorbex.db")) as con:
            rows = {r[0]: r for r in con.execute("select * from Month_Main")}
            columns = [d[1] for d in con.execute("pragma table_info(Month_Main)")]
        for e in entries:
            key = e.get("key")
            self.assertEqual(e.get("file"), key + ".ofd")
            path = os.path.join(self.package, e.get("file"))
            self.assertEqual(int(e.get("size")), os.path.getsize(path))
            fields = {f.get("name"): f.text or "" for f in e.findall("field")}
            self.assertEqual(fields, {c: str(v) for c, v in zip(columns, rows[key])})
            self.assertTrue(e.findall("total"), key)
            with zipfile.ZipFile(path) as z:
                ofd = ET.fromstring(z.read("OFD.xml"))
                doc = ET.fromstring(z.read("Doc_0/Document.xml"))
            custom = {c.get("Name"): c.text or "" for c in ofd.iterfind(".//ofd:CustomData", NS)}
            self.assertEqual(custom, fields)
            self.assertEqual(int(e.get("pages")), len(doc.findall("ofd:Pages/ofd:Page", NS)))
        r = run("verify", self.package)
        self.assertIn("60", r.stdout)

    def test_tampering_is_named(self):
        def change_byte(d):
            path = os.path.join(d, "记-0007.ofd")
            with open(path, "r+b") as f:
                f.seek(os.path.getsize(path) // 2)
                b = f.read(1)
                f.seek(-1, 1)
                f.write(bytes([b[0] ^ 0x01]))
            return "记-0007.ofd"

        def remove(d):
            os.remove(os.path.join(d, "记-0031.ofd"))
            return "记-0031.ofd"

        def add(d):
            with open(os.path.join(d, "extra.txt"), "w") as f:
                f.write("x")
            return "extra.txt"

        def edit_index(d):
            path = os.path.join(d, "index.xml")
            with open(path, encoding="utf-8") as f:
                text = f.read()
            with open(path, "w", encoding="utf-8") as f:
                f.write(text.replace("华东精密机械有限公司", "华东精密机械有限公", 1))
            return "index.xml"

        def edit_page(path):
            with zipfile.ZipFile(path) as z:
                parts = [(n, z.read(n)) for n in z.namelist()]
            with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
                for n, data in parts:
                    if n.endswith("Page_0/Content.xml"):
                        data = data.replace(b"Boundary=", b"Bounds=", 1)
                    z.writestr(n, data)

        def garbage(path):
            with open(path, "wb") as f:
                f.write(b"PK\x03\x04" + os.urandom(5000))

        def with_new_sums(d, change, name):
            """A file changed and every hash made to match: reading it back still fails."""
            path = os.path.join(d, name)
            change(path)
            with open(path, "rb") as f:
                data = f.read()
            index_path = os.path.join(d, "index.xml")
            index = ET.parse(index_path)
            for e in index.getroot().iter("voucher"):
                if e.get("file") == name:
                    e.set("sha256", hashlib.sha256(data).hexdigest())
                    e.set("size", str(len(data)))
            index.write(index_path, encoding="UTF-8", xml_declaration=True)
            sums = []
            for line in open(os.path.join(d, "SHA256SUMS"), encoding="utf-8").read().splitlines():
                file = line[66:]
                with open(os.path.join(d, file), "rb") as f:
                    sums.append(hashlib.sha256(f.read()).hexdigest() + "  " + file)
            with open(os.path.join(d, "SHA256SUMS"), "w", encoding="utf-8") as f:
                f.write("\n".join(sums) + "\n")
            return name

        def page_edited_with_new_sums(d):
            return with_new_sums(d, edit_page, "记-0003.ofd")

        def garbage_with_new_sums(d):
            return with_new_sums(d, garbage, "记-0004.ofd")

        for n, tamper in enumerate([change_byte, remove, add, edit_index,
                                    page_edited_with_new_sums, garbage_with_new_sums]):
            with self.subTest(tamper.__name__):
                d = self.copy(f"tampered-{n}")
                named = tamper(d)
                r = run("verify", d, check=False)
                self.assertEqual(r.returncode, 1, r.stdout)
                lines = r.stdout.splitlines()
                self.assertTrue(lines)
                for line in lines:  # every fault is of the file tampered with
                    self.assertTrue(line.startswith(named + "："), r.stdout)

    def test_existing_folder_needs_force(self):
        d = os.path.join(self.tmp.name, "occupied")
        os.makedirs(d)
        with open(os.path.join(d, "keep.txt"), "w") as f:
            f.write("mine")
        master = "select * from Month_Main where 凭证号 <= '记-0002' order by 凭证号"
        r = run("archive", *month_args(self.demo, master), "--out", d, check=False)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(os.listdir(d), ["keep.txt"])
        run("archive", *month_args(self.demo, master), "--out", d, "--force", "--allow-unmatched")
        self.assertEqual(sorted(os.listdir(d)),
                         ["SHA256SUMS", "index.xml", "记-0001.ofd", "记-0002.ofd"])
        run("verify", d)
        self.assertEqual([n for n in os.listdir(self.tmp.name) if n.startswith(".")], [])

    def test_pdf_format(self):
        d = os.path.join(self.tmp.name, "pdf")
        master = "select * from Month_Main where 凭证号 <= '记-0002' order by 凭证号"
        run("archive", *month_args(self.demo, master), "--out", d, "--format", "pdfa",
            "--allow-unmatched")
        self.assertEqual(sorted(os.listdir(d)),
                         ["SHA256SUMS", "index.xml", "记-0001.pdf", "记-0002.pdf"])
        for key in ("记-0001", "记-0002"):
            text = subprocess.run(["pdftotext", os.path.join(d, key + ".pdf"), "-"],
                                  capture_output=True, text=True, check=True).stdout
            self.assertIn(key, text.replace(" ", ""))
            # Archival PDF: the file declares PDF/A-1b in its XMP.
            import pikepdf
            with pikepdf.open(os.path.join(d, key + ".pdf")) as pdf:
                meta = pdf.open_metadata()
                self.assertEqual((meta.get("pdfaid:part"), meta.get("pdfaid:conformance")),
                                 ("1", "B"))
        run("verify", d)

    def test_failed_run_leaves_nothing(self):
        d = os.path.join(self.tmp.name, "failed")
        r = run("archive",
                *month_args(self.demo, "select * from Month_Main", "select * from NoSuchTable"),
                "--out", d, check=False)
        self.assertEqual(r.returncode, 1)
        self.assertFalse(os.path.exists(d))
        self.assertEqual([n for n in os.listdir(self.tmp.name) if n.startswith(".")], [])

    def test_colliding_keys_get_numbers(self):
        db = os.path.join(self.tmp.name, "collide.db")
        shutil.copy(os.path.join(self.demo, "quorbex.db"), db)
        with sqlite3.connect(db) as con:
            for key in ("记/9999", "记_9999", "记:9999"):
                con.execute("insert into Month_Main (凭证号, 日期) values (?, '2024年03月31日')",
                            (key,))
        d = os.path.join(self.tmp.name, "collide")
        args = month_args(
            self.demo, "select * from Month_Main where 凭证号 like '记_9999' order by 凭证号")
        args[args.index("--db") + 1] = db
        r = run("archive", *args, "--out", d, "--allow-unmatched")
        files = sorted(f for f in os.listdir(d) if f.endswith(".ofd"))
        self.assertEqual(files, ["记_9999.ofd", "记_9999_2.ofd", "记_9999_3.ofd"])
        self.assertEqual(r.stderr.count("文件名与另一张凭证相同"), 2, r.stderr)
        keys = {e.get("file"): e.get("key")
                for e in ET.parse(os.path.join(d, "index.xml")).getroot().iter("voucher")}
        self.assertEqual(sorted(keys.values()), ["记/9999", "记:9999", "记_9999"])
        run("verify", d)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
