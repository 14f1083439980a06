#!/usr/bin/python3
"""The spreadsheets karvell writes, opened and printed by LibreOffice (another program than
the one that wrote them): the demo voucher and a month's batch print with the pages of the
PDF, and the debit and credit columns, summed by a spreadsheet formula that LibreOffice
computes, give the printed totals.

Usage: xlsx_libreoffice_test.py KARVELL"""
import csv
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import unittest

import openpyxl

from karvell_cli import KARVELL, demo_args, month_args, run, tool  # noqa: E402
TOTAL_LABELS = {"承前页", "本页合计", "合计", "过次页"}


def pages_of(pdf):
    return int(re.search(r"Pages:\s+(\d+)", tool("pdfinfo", pdf)).group(1))


def page_text(pdf, page):
    return tool("pdftotext", "-f", str(page), "-l", str(page), pdf, "-")


class XlsxInLibreOffice(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        work = cls.tmp.name
        cls.demo = os.path.join(work, "demo")
        run("make-demo", cls.demo)
        voucher = demo_args(cls.demo)
        month = month_args(cls.demo)
        cls.files = {}
        for name, command, args in (("voucher", "expand", voucher), ("month", "batch", month)):
            for kind in ("pdf", "xlsx"):
                path = os.path.join(work, f"{name}.{kind}")
                run(command, *args, "--" + kind, path)
                cls.files[name, kind] = path
        # The month again in three parts (karvell batch --shard), joined by karvell join.
        parts = [os.path.join(work, f"month-{k}.xlsx") for k in (1, 2, 3)]
        for k, part in enumerate(parts, 1):
            run("batch", *month, "--shard", f"{k}/3", "--xlsx", part)
        cls.files["joined", "xlsx"] = os.path.join(work, "joined.xlsx")
        run("join", cls.files["joined", "xlsx"], *parts)
        # One LibreOffice run for all books: its start is most of its time.
        cls.printed = os.path.join(work, "printed")
        cls.office(["--convert-to", "pdf", "--outdir", cls.printed,
                    *(cls.files[name, "xlsx"] for name in ("voucher", "month", "joined"))])

    @classmethod
    def office(cls, args):
        # A profile of its own, so that a running LibreOffice or the user's settings play no part.
        profile = "file://" + os.path.join(cls.tmp.name, "profile")
        subprocess.run(["libreoffice", "-env:UserInstallation=" + profile, "--headless", *args],
                       check=True, capture_output=True, timeout=240)

    def test_prints_with_the_pages_of_the_pdf(self):
        with sqlite3.connect(os.path.join(self.demo, "quorbex.db")) as con:
            keys = [k for (k,) in con.execute("select 凭证号 from Month_Main order by 凭证号")]
        for name in ("voucher", "month"):
            with self.subTest(name):
                pdf = self.files[name, "pdf"]
                printed = os.path.join(self.printed, name + ".pdf")
                count = pages_of(pdf)
                self.assertEqual(pages_of(printed), count)
                # Page by page: the same voucher number and page numbering, the same totals.
                for page in range(1, count + 1):
                    want, got = page_text(pdf, page), page_text(printed, page)
                    for pattern in (r"第 \d+/\d+ 页", r"凭证号：\s*\S+", r"人民币\S+"):
                        self.assertEqual(re.findall(pattern, got), re.findall(pattern, want),
                                         f"{name} page {page}: {pattern}")
                if name == "month":
                    numbers = re.findall(r"凭证号：\s*(\S+)", tool("pdftotext", printed, "-"))
                    self.assertEqual(sorted(set(numbers)), keys)

    def test_a_month_joined_from_parts_prints_as_the_whole(self):
        whole = os.path.join(self.printed, "month.pdf")
        joined = os.path.join(self.printed, "joined.pdf")
        count = pages_of(whole)
        self.assertEqual(pages_of(joined), count)
        for page in range(1, count + 1):
            self.assertEqual(page_text(joined, page), page_text(whole, page), f"page {page}")

    def test_debit_and_credit_sum_by_formula_to_the_printed_totals(self):
        """A check sheet of SUM formulas over each voucher's detail amounts, computed by
        LibreOffice (CSV of the first sheet), against the 合计 row every voucher prints."""
        for name in ("voucher", "month"):
            with self.subTest(name):
                book = openpyxl.load_workbook(self.files[name, "xlsx"])
                check = book.create_sheet("检查", 0)
                for ws in book.worksheets[1:]:
                    detail, totals = {}, None
                    for row in ws.iter_rows():
                        labels = {c.value for c in row if isinstance(c.value, str)}
                        amounts = [c for c in row if isinstance(c.value, (int, float))
                                   and c.number_format == "0.00"]
                        if "合计" in labels:
                            totals = [c.value for c in amounts]
                        elif not labels & TOTAL_LABELS:
                            for c in amounts:
                                detail.setdefault(c.column_letter, []).append(c.coordinate)
                    self.assertIsNotNone(totals, ws.title)
                    self.assertEqual(len(detail), 2, ws.title)  # debit and credit
                    sheet = "'" + ws.title.replace("'", "''") + "'!"
                    formulas = ["=SUM({})".format(",".join(sheet + ref for ref in detail[col]))
                                for col in sorted(detail)]
                    check.append([ws.title, *formulas, *totals])
                path = os.path.join(self.tmp.name, f"{name}-check.xlsx")
                book.active = 0
                book.save(path)
                out = os.path.join(self.tmp.name, f"{name}-csv")
                self.office(["--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76",
                             "--outdir", out, path])
                with open(os.path.join(out, f"{name}-check.csv"), encoding="utf-8") as f:
                    rows = list(csv.reader(f))
                self.assertEqual(len(rows), len(book.worksheets) - 1)
                for title, debit, credit, printed_debit, printed_credit in rows:
                    self.assertAlmostEqual(float(debit), float(printed_debit), places=2, msg=title)
                    self.assertAlmostEqual(float(credit), float(printed_credit), places=2,
                                           msg=title)
                    self.assertAlmostEqual(float(debit), float(credit), places=2, msg=title)


if __name__ == "__main__":
    if not shutil.which("libreoffice"):
        print("libreoffice is not installed")
        sys.exit(77)  # skipped
    unittest.main(argv=[sys.argv[0]])
