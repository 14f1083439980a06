#!/usr/bin/python3
"""The Python module `karvell` against the command line: the demo voucher expanded from Python
rows (amounts as decimal.Decimal) gives the PDF text the SQLite run of `karvell expand` gives,
read back with pdftotext; wrong types raise TypeError naming the data set, row and field;
faults raise karvell.Error with the program's message and write nothing.

Run by CTest with PYTHONPATH at the built module and KARVELL the command-line tool."""
import datetime
import decimal
import json
import os
import sqlite3
import subprocess
import sys
import tempfile
import threading
import unittest

import karvell

KARVELL = os.environ.get("KARVELL", "build/apps/karvell/karvell")
D = decimal.Decimal


def run(*args):
    # Both sides lay the pages out on the built-in PDF printer: no print server's queue
    # (and its paper margins) takes part.
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", CUPS_SERVER="/nonexistent")
    r = subprocess.run([KARVELL, *args], capture_output=True, text=True, env=env, timeout=300)
    if r.returncode != 0:
        raise AssertionError(f"karvell {args[0]} failed ({r.returncode}): {r.stderr}")
    return r.stdout


def pdf_text(path):
    return subprocess.run(["pdftotext", "-layout", path, "-"], capture_output=True, text=True,
                          check=True).stdout


def rows(db, sql, amounts=()):
    """The rows of a query as dicts; the named columns as Decimal (SQLite keeps them as
    integers or reals), the way a program reading money would hand them over."""
    con = sqlite3.connect(db)
    con.row_factory = sqlite3.Row
    out = []
    for r in con.execute(sql):
        row = dict(r)
        for name in amounts:
            if row[name] is not None:
                row[name] = D(str(row[name]))
        out.append(row)
    con.close()
    return out


class KarvellModule(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.dir = cls.tmp.name
        cls.demo = os.path.join(cls.dir, "demo")
        run("make-demo", cls.demo)
        cls.template = os.path.join(cls.demo, "edj/记账凭证.edj")
        db = os.path.join(cls.demo, "quorbex.db")
        cls.master = rows(db, "select * from Quorbex_Main")
        cls.detail = rows(db, "select * from Quorbex_Detail order by 序号", ("借方金额", "贷方金额"))
        cls.reference = os.path.join(cls.dir, "sqlite.pdf")
        run("expand", cls.template, "--db", db, "--dataset", "主表=select * from Quorbex_Main",
            "--dataset", "从表=select * from Quorbex_Detail order by 序号", "--add-space",
            "--pdf", cls.reference)

    def path(self, name):
        return os.path.join(self.dir, name)

    def template_bytes(self):
        with open(self.template, "rb") as f:
            return f.read()

    def expand(self, master=None, detail=None, **kwargs):
        t = karvell.Template(self.template)
        return t.expand({"主表": self.master if master is None else master,
                         "从表": self.detail if detail is None else detail}, **kwargs)

    def test_same_text_as_the_sqlite_run(self):
        self.assertTrue(any(isinstance(r["借方金额"], D) for r in self.detail))
        pages = self.expand(add_space=True)
        out = self.path("python.pdf")
        pages.save_pdf(out)
        reference = pdf_text(self.reference)
        self.assertIn("记-0087", reference)
        self.assertEqual(pdf_text(out), reference)
        self.assertEqual(pages.page_count, reference.count("\f"))
        self.assertGreater(pages.page_count, 1)

    def test_from_bytes_and_variables(self):
        t = karvell.Template.from_bytes(self.template_bytes())
        plain = self.path("plain.pdf")
        t.expand({"主表": self.master, "从表": self.detail}).save_pdf(plain)
        # The demo template prints no variable; an unknown one changes nothing.
        again = self.path("vars.pdf")
        t.expand({"主表": self.master, "从表": self.detail},
                 variables={"制单人": "王丽", "编号": 7, "金额": D("1.50"), "空": None}
                 ).save_pdf(again)
        self.assertEqual(pdf_text(again), pdf_text(plain))

    def test_exact_values(self):
        """An integer beyond 64 bits and Decimal digits reach the page as written, in the
        digit columns, the totals and the amount in words; dates and None are taken."""
        master = [dict(self.master[0], 日期=datetime.date(2024, 3, 31))]
        detail = [{"序号": 1, "摘要": 12345678901234567890, "科目": "1001 库存现金",
                   "借方金额": D("1234567.89"), "贷方金额": None},
                  {"序号": 2, "摘要": "大额", "科目": "1002 银行存款",
                   "借方金额": None, "贷方金额": D("1234567.89")}]
        out = self.path("exact.pdf")
        self.expand(master, detail).save_pdf(out)
        text = pdf_text(out).replace(" ", "")
        self.assertIn("12345678901234567890", text)
        self.assertIn("123456789", text)  # the digit columns, in fen
        self.assertIn("壹佰贰拾叁万肆仟伍佰陆拾柒元捌角玖分", text)
        self.assertIn("2024/3/31", text)

    def test_wrong_types_name_the_data_set_row_and_field(self):
        good = dict(self.detail[0])
        cases = [  # (data sets, words the message names)
            ({"主表": self.master, "从表": [good, dict(good, 摘要=[1])]},
             ["从表", "第 1 行", "摘要", "list"]),
            ({"主表": self.master, "从表": [good, good, dict(good, 借方金额=object())]},
             ["从表", "第 2 行", "借方金额", "object"]),
            ({"主表": [("记-1",)], "从表": self.detail}, ["主表", "第 0 行", "tuple"]),
            ({"主表": self.master, "从表": "rows"}, ["从表", "str"]),
            ({"主表": self.master, "从表": [{1: "x"}]}, ["从表", "第 0 行", "int"]),
            ({"主表": self.master, 3: []}, ["名称", "int"]),
        ]
        t = karvell.Template(self.template)
        for datasets, words in cases:
            with self.subTest(words=words):
                with self.assertRaises(TypeError) as caught:
                    t.expand(datasets)
                for word in words:
                    self.assertIn(word, str(caught.exception))
        with self.assertRaises(TypeError) as caught:
            t.expand({"主表": self.master, "从表": self.detail}, variables={"制单人": ["王丽"]})
        self.assertIn("制单人", str(caught.exception))

    def test_errors_raise_karvell_error_and_write_nothing(self):
        t = karvell.Template(self.template)
        no_field = [{k: v for k, v in r.items() if k != "科目"} for r in self.detail]
        cases = [  # (call, words of the message)
            (lambda: karvell.Template(self.path("missing.edj")), ["无法打开文件", "missing.edj"]),
            (lambda: karvell.Template.from_bytes(b"not a template"), ["不是报表模板文件"]),
            (lambda: karvell.Template.from_bytes(self.template_bytes()[:300]), ["已损坏"]),
            (lambda: t.expand({"主表": self.master}), ["模板使用的数据集没有给出", "从表"]),
            (lambda: t.expand({"主表": self.master, "从表": no_field}),
             ["从表", "第 0 行", "科目"]),
        ]
        for call, words in cases:
            with self.subTest(words=words):
                with self.assertRaises(karvell.Error) as caught:
                    call()
                for word in words:
                    self.assertIn(word, str(caught.exception))
        pages = self.expand()
        for save, name in ((pages.save_pdf, "v.pdf"), (pages.save_xlsx, "v.xlsx")):
            target = os.path.join(self.dir, "no-such-folder", name)
            with self.subTest(save=name), self.assertRaises(karvell.Error):
                save(target)
            self.assertFalse(os.path.exists(target))
        self.assertTrue(issubclass(karvell.Error, Exception))

    def test_xlsx(self):
        out = self.path("v.xlsx")
        self.expand().save_xlsx(out)
        import zipfile
        # Texts are kept in the sheets themselves or in a shared table: either is a spreadsheet.
        with zipfile.ZipFile(out) as z:
            strings = "".join(z.read(name).decode() for name in z.namelist()
                              if name.startswith("xl/worksheets/")
                              or name == "xl/sharedStrings.xml")
        self.assertIn("华东精密机械有限公司", strings)

    def test_dump_is_what_karvell_dump_prints(self):
        self.assertEqual(karvell.Template(self.template).dump(),
                         json.loads(run("dump", self.template)))

    def test_other_threads_run_while_expanding(self):
        """With a switch interval far longer than the run, the main thread gets to run before
        the other thread has its pages only because the expansion does not hold the lock."""
        t = karvell.Template(self.template)
        many = [dict(self.detail[i % len(self.detail)], 序号=i + 1) for i in range(3000)]
        started = threading.Event()
        result = {}

        def work():
            started.set()
            result["pages"] = t.expand({"主表": self.master, "从表": many})

        interval = sys.getswitchinterval()
        sys.setswitchinterval(1000)
        try:
            worker = threading.Thread(target=work)
            worker.start()
            started.wait()
            ran_meanwhile = "pages" not in result
            worker.join()
        finally:
            sys.setswitchinterval(interval)
        self.assertTrue(ran_meanwhile)
        self.assertGreater(result["pages"].page_count, 100)


if __name__ == "__main__":
    unittest.main(verbosity=2)
