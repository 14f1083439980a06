#!/usr/bin/python3
"""karvell --xlsx read back with openpyxl, an independent reader: the demo voucher, a batch of
vouchers and the list report. The layout expected is computed from the pages `karvell expand
--json` produces, the amounts from the database.

Usage: xlsx_export_test.py KARVELL [SOURCE_DIR]"""
import datetime
import json
import os
import sqlite3
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

import openpyxl
from openpyxl.utils import get_column_letter

from karvell_cli import KARVELL, copy_package, run, demo_args  # noqa: E402
SOURCE = sys.argv[2] if len(sys.argv) > 2 else os.path.join(os.path.dirname(__file__), "../..")
TOTAL_LABELS = {"承前页", "本页合计", "合计", "过次页"}
BORDER = {1: "thin", 2: "medium"}
PYTHON_FORMAT = {"#,##0.00": ",.2f", "0.00": ".2f", "General": ""}


def rgb(colorref):
    """A COLORREF (0x00BBGGRR) as the spreadsheet's ARGB text."""
    return "FF%02X%02X%02X" % (colorref & 0xFF, colorref >> 8 & 0xFF, colorref >> 16 & 0xFF)


def digit_amount(text):
    """The yuan a digit-column text ("-￥123456", in fen) stands for, None for no amount."""
    digits = text.replace("￥", "").replace("-", "")
    if not digits.isdigit():
        return None
    return (-1 if text.startswith("-") else 1) * int(digits) / 100


def write_red_bmp(path):
    """A red 4×2 picture as a 24-bit BMP (rows of 12 bytes, bottom up)."""
    pixels = bytes([0, 0, 255] * 4) * 2
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, 4, 2, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


class XlsxExport(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.demo = os.path.join(cls.tmp.name, "demo")
        run("make-demo", cls.demo)

    def check_page_layout(self, ws, pages):
        """Every cell of the produced pages where the page has it: columns from the union of
        the cell edges, merged ranges, text or number, font, borders."""
        cells = [c for p in pages for line in p["Lines"] for c in line["Cells"]
                 if c["OwnerCell"] is None and c["CellWidth"] > 0]
        edges = sorted({e for c in cells for e in (c["CellLeft"], c["CellLeft"] + c["CellWidth"])})
        for i in range(len(edges) - 1):
            width = ws.column_dimensions[get_column_letter(i + 1)].width
            self.assertLessEqual(abs(width * 7 - (edges[i + 1] - edges[i])), 1, f"column {i + 1}")
        merged = {str(r) for r in ws.merged_cells.ranges}
        covered = [(row, col) for r in ws.merged_cells.ranges
                   for row in range(r.min_row, r.max_row + 1)
                   for col in range(r.min_col, r.max_col + 1)]
        self.assertEqual(len(covered), len(set(covered)), "merged ranges overlap")
        first_row = 1
        breaks = [b.id for b in ws.row_breaks.brk]
        for number, page in enumerate(pages):
            if number > 0:
                self.assertIn(first_row - 1, breaks, f"a break before page {number + 1}")
            for l, line in enumerate(page["Lines"]):
                for cell in line["Cells"]:
                    if cell["OwnerCell"] is not None or cell["CellWidth"] <= 0:
                        continue
                    row = first_row + l
                    col = edges.index(cell["CellLeft"]) + 1
                    last_col = edges.index(cell["CellLeft"] + cell["CellWidth"])
                    last_row = max([row] + [first_row + o[0] for o in cell["OwnedCells"]])
                    where = f"page {number + 1} line {l} {cell['CellText']!r}"
                    ref = f"{get_column_letter(col)}{row}"
                    if last_col > col or last_row > row:
                        self.assertIn(f"{ref}:{get_column_letter(last_col)}{last_row}", merged, where)
                    xc = ws.cell(row, col)
                    text, fmt = cell["CellText"], cell["CellDispFormat"]
                    amount = digit_amount(text) if fmt.startswith("[金额线") else None
                    if amount is not None:
                        self.assertIsInstance(xc.value, (int, float), where)
                        self.assertAlmostEqual(xc.value, amount, places=2, msg=where)
                        self.assertEqual(xc.number_format, "0.00", where)
                    elif isinstance(xc.value, (int, float)):
                        # A number the page formatted: the spreadsheet's format shows it alike.
                        pattern = PYTHON_FORMAT[xc.number_format]
                        self.assertEqual(format(xc.value, pattern), text, where)
                    else:
                        self.assertEqual(xc.value if xc.value is not None else "", text, where)
                    font = cell["LogFont"]
                    self.assertEqual(xc.font.name, font["lfFaceName"], where)
                    self.assertAlmostEqual(xc.font.sz, abs(font["lfHeight"]) * 0.75, places=2,
                                           msg=where)
                    self.assertEqual(bool(xc.font.b), font["lfWeight"] >= 600, where)
                    for side in ("Left", "Top", "Right", "Bottom"):
                        want = (BORDER.get(cell[side + "LineWidth"], "thick")
                                if cell[side + "Line"] else None)
                        self.assertEqual(getattr(xc.border, side.lower()).style, want,
                                         f"{where} {side}")
                    horizontal = {1: "center", 2: "right"}.get(cell["HorzAlign"], "left")
                    self.assertEqual(xc.alignment.horizontal, horizontal, where)
                    # Bottom is the spreadsheet's default: not written.
                    vertical = {1: "center", 2: None}.get(cell["VertAlign"], "top")
                    self.assertEqual(xc.alignment.vertical, vertical, where)
                    self.assertEqual(bool(xc.alignment.wrap_text),
                                     not isinstance(xc.value, (int, float)), where)
                    back = rgb(cell["BackGroundColor"])
                    if back == "FFFFFFFF":
                        self.assertIsNone(xc.fill.fill_type, where)
                    else:
                        self.assertEqual(xc.fill.fgColor.rgb, back, where)
                    color = rgb(cell["TextColor"])
                    if color != "FF000000":
                        self.assertEqual(xc.font.color.rgb, color, where)
            first_row += len(page["Lines"])
        return first_row - 1

    def test_demo_voucher_is_its_pages(self):
        out = os.path.join(self.tmp.name, "凭证.xlsx")
        run("expand", *demo_args(self.demo), "--xlsx", out)
        pages = json.loads(run("expand", *demo_args(self.demo), "--json").stdout)["Pages"]
        book = openpyxl.load_workbook(out)
        self.assertEqual(book.sheetnames, ["凭证"])
        ws = book["凭证"]
        rows = self.check_page_layout(ws, pages)
        self.assertEqual(ws.max_row, rows)
        self.assertEqual(len(ws.row_breaks.brk), len(pages) - 1)
        # The print settings of the page: paper, orientation, margins in inches.
        page = pages[0]
        self.assertEqual(ws.page_setup.paperSize, page["PaperSize"])
        self.assertEqual(ws.page_setup.orientation,
                         "landscape" if page["PaperOrientation"] == 2 else "portrait")
        self.assertAlmostEqual(ws.page_margins.left, page["LeftMargin"] / 25.4, places=2)
        self.assertAlmostEqual(ws.page_margins.top, page["TopMargin"] / 25.4, places=2)

    def test_batch_sheets_sum_to_their_totals(self):
        db = os.path.join(self.demo, "quorbex.db")
        out = os.path.join(self.tmp.name, "month.xlsx")
        with sqlite3.connect(db) as con:
            con.execute("insert into Month_Main (凭证号, 日期) values ('记/9999', '2024年03月31日')")
        keys = ["记-0001", "记-0002", "记-0003", "记/9999"]
        master = "select * from Month_Main where 凭证号 in ('{}') order by 凭证号".format(
            "','".join(keys))
        r = run("batch", os.path.join(self.demo, "edj/记账凭证.edj"), "--db", db,
                "--master", master, "--detail", "select * from Month_Detail order by 凭证号, 序号",
                "--key", "凭证号", "--allow-unmatched", "--xlsx", out)
        self.assertIn("写为“记_9999”", r.stderr)
        book = openpyxl.load_workbook(out)
        self.assertEqual(book.sheetnames, ["记-0001", "记-0002", "记-0003", "记_9999"])
        with sqlite3.connect(db) as con:
            for key in keys[:3]:
                ws = book[key]
                attachments = dict(con.execute("select 凭证号, 附件数 from Month_Main"))
                debit, credit = con.execute(
                    "select sum(借方金额), sum(贷方金额) from Month_Detail where 凭证号 = ?",
                    (key,)).fetchone()
                total_row, detail = None, {}
                for row in ws.iter_rows():
                    labels = {c.value for c in row if isinstance(c.value, str)}
                    numbers = [c for c in row if isinstance(c.value, (int, float))]
                    if "合计" in labels:
                        total_row = numbers
                    elif not labels & TOTAL_LABELS:
                        for c in numbers:
                            if c.number_format == "0.00":  # the digit-column amounts
                                detail[c.column] = detail.get(c.column, 0) + c.value
                            else:  # 附件数, an integer column without a display format
                                self.assertEqual(c.number_format, "General")
                                self.assertEqual(c.value, attachments[key], key)
                self.assertIsNotNone(total_row, key)
                self.assertEqual(len(total_row), 2, key)  # debit and credit, as numbers
                for c, want in zip(total_row, (debit, credit)):
                    self.assertAlmostEqual(c.value, want, places=2, msg=key)
                    self.assertAlmostEqual(detail[c.column], want, places=2, msg=key)
        # The voucher without lines is there with its blank page, and no number.
        self.assertFalse(any(isinstance(c.value, (int, float))
                             for row in book["记_9999"].iter_rows() for c in row))

    def test_list_report_amounts_are_numbers(self):
        work = os.path.join(self.tmp.name, "list")
        subprocess.run([os.path.join(SOURCE, "bench/make_list_report.sh"), "120", work],
                       check=True, env=dict(os.environ, KARVELL=KARVELL), capture_output=True)
        args = [os.path.join(work, "list.ept"), "--db", os.path.join(work, "list.db"),
                "--dataset", "从表=select * from 从表 order by 序号"]
        out = os.path.join(work, "list.xlsx")
        run("expand", *args, "--xlsx", out)
        pages = json.loads(run("expand", *args, "--json").stdout)["Pages"]
        ws = openpyxl.load_workbook(out).active
        self.check_page_layout(ws, pages)
        with sqlite3.connect(os.path.join(work, "list.db")) as con:
            amounts = [a for (a,) in con.execute("select 金额 from 从表 order by 序号")]
        found, page_sum, page_sums = [], 0.0, []
        for row in ws.iter_rows():
            first = row[0].value
            if isinstance(first, int):  # a detail line: 序号, an integer column
                self.assertEqual(row[0].number_format, "General")
                self.assertEqual(row[4].number_format, "#,##0.00")
                self.assertIsInstance(row[4].value, (int, float))
                found.append(row[4].value)
                page_sum += row[4].value
            elif first == "本页合计":
                self.assertEqual(row[4].number_format, "#,##0.00")
                self.assertAlmostEqual(row[4].value, page_sum, places=2)
                page_sums.append(row[4].value)
                page_sum = 0.0
        self.assertEqual(found, amounts)
        self.assertEqual(len(page_sums), len(pages))
        self.assertEqual(len(ws.row_breaks.brk), len(pages) - 1)

    def test_refused_outputs_write_nothing(self):
        template = os.path.join(self.demo, "edj/记账凭证.edj")
        # A query that would fail: refused outputs never get that far.
        expand = ["expand", template, "--db", os.path.join(self.demo, "quorbex.db"),
                  "--dataset", "主表=select * from NoSuchTable"]
        cases = [
            (["print", template, "--xlsx", template], "就是输入文件"),
            ([*expand, "--xlsx", os.path.join(self.demo, "quorbex.db")], "就是输入文件"),
            ([*expand, "--xlsx", "/nonexistent/dir/x.xlsx"], "x.xlsx"),
        ]
        before = os.path.getsize(template)
        for args, message in cases:
            with self.subTest(args=args[0]):
                r = run(*args, check=False)
                self.assertEqual(r.returncode, 1, r.stderr)
                self.assertIn(message, r.stderr)
                self.assertNotIn("NoSuchTable", r.stderr)  # refused before any work
        self.assertEqual(os.path.getsize(template), before)
        self.assertFalse(os.path.exists("/nonexistent/dir/x.xlsx"))
        # A run that fails after the output was accepted leaves nothing beside the template.
        out = os.path.join(self.demo, "failed.xlsx")
        entries = sorted(os.listdir(self.demo))
        r = run(*expand, "--xlsx", out, check=False)
        self.assertEqual(r.returncode, 1)
        self.assertIn("NoSuchTable", r.stderr)
        self.assertEqual(sorted(os.listdir(self.demo)), entries)

    def test_print_writes_the_template_page(self):
        out = os.path.join(self.tmp.name, "template.xlsx")
        r = run("print", os.path.join(self.demo, "edj/记账凭证.edj"), "--xlsx", out)
        self.assertIn(out, r.stdout)
        ws = openpyxl.load_workbook(out)["记账凭证"]
        texts = {c.value for row in ws.iter_rows() for c in row}
        self.assertIn("记账凭证", texts)
        self.assertIn("#从表.摘要", texts)  # the design, not data

    def test_merged_blocks_diagonals_and_border_widths(self):
        work = os.path.join(self.tmp.name, "merge")
        os.makedirs(work)
        ops = [{"op": "NewTable", "columns": 3, "rows": 3},
               {"select": [[0, 0], [1, 0], [2, 0]]}, {"op": "CombineCell"},
               {"op": "SetCellText", "cell": [0, 0], "text": "合并"},
               {"select": [[0, 1]]}, {"op": "SetSelDiagonal", "flags": 0x101},
               {"select": [[1, 2]]}, {"op": "SetSelDiagonal", "flags": 0x002},
               {"op": "SetSelBorders", "left": True, "top": True, "right": False,
                "bottom": True, "leftWidth": 3, "topWidth": 2, "rightWidth": 1,
                "bottomWidth": 1},
               {"clear": True}]
        with open(os.path.join(work, "ops.json"), "w", encoding="utf-8") as f:
            json.dump(ops, f)
        template, out = os.path.join(work, "m.ept"), os.path.join(work, "m.xlsx")
        run("apply", "new", os.path.join(work, "ops.json"), "-o", template)
        r = run("print", template, "--xlsx", out)
        self.assertEqual(r.stderr.count("到边中点的斜线未写入"), 1)  # named once
        ws = openpyxl.load_workbook(out).active
        self.assertEqual([str(m) for m in ws.merged_cells.ranges], ["A1:A3"])
        self.assertEqual(ws["A1"].value, "合并")
        cases = [  # cell, diagonal up, diagonal down, left, top, right, bottom
            ("B1", True, True, "thin", "thin", "thin", "thin"),
            ("C2", False, False, "thick", "medium", None, "thin"),  # the half diagonal dropped
            ("C3", False, False, "thin", "thin", "thin", "thin"),
        ]
        for ref, up, down, *sides in cases:
            b = ws[ref].border
            self.assertEqual((b.diagonalUp, b.diagonalDown), (up, down), ref)
            self.assertEqual([b.left.style, b.top.style, b.right.style, b.bottom.style], sides,
                             ref)

    def test_pictures_are_anchored_to_their_cells(self):
        work = os.path.join(self.tmp.name, "picture")
        os.makedirs(work)
        write_red_bmp(os.path.join(work, "red.bmp"))
        ops = [{"op": "NewTable", "columns": 3, "rows": 3},
               {"op": "LoadCellPicture", "cell": [1, 1], "file": "red.bmp"},
               {"op": "LoadCellPicture", "cell": [2, 2], "file": "red.bmp"}]
        with open(os.path.join(work, "ops.json"), "w", encoding="utf-8") as f:
            json.dump(ops, f)
        template, out = os.path.join(work, "p.ept"), os.path.join(work, "p.xlsx")
        run("apply", "new", os.path.join(work, "ops.json"), "-o", template)
        run("print", template, "--xlsx", out)
        lines = json.loads(run("dump", template).stdout)["Lines"]
        ws = openpyxl.load_workbook(out).active
        emu = 9525  # per pixel
        anchors = sorted((im.anchor._from.row, im.anchor._from.col, im) for im in ws._images)
        self.assertEqual([(r, c) for r, c, _ in anchors], [(1, 1), (2, 2)])
        for row, col, image in anchors:
            left, top, right, bottom = lines[row]["Cells"][col]["CellRect"]
            a = image.anchor
            # Inside its own cell, 3 pixels in from each side, as the page paints it.
            self.assertEqual((a.to.row, a.to.col), (row, col))
            self.assertEqual((a._from.colOff, a._from.rowOff), (3 * emu, 3 * emu))
            # Within a pixel: the spreadsheet measures in whole pixels of its own.
            self.assertAlmostEqual(a.to.colOff, (right - left - 3) * emu, delta=emu)
            self.assertAlmostEqual(a.to.rowOff, (bottom - top - 3) * emu, delta=emu)
        # One picture shown twice is stored once.
        with zipfile.ZipFile(out) as z:
            self.assertEqual(len([n for n in z.namelist() if n.startswith("xl/media/")]), 1)

    @staticmethod
    def described(path):
        """Each sheet as a reader sees it: name, every cell's value and format, merged ranges,
        rows, columns, page set-up, breaks, pictures and their anchors, selection."""
        book = openpyxl.load_workbook(path)
        sheets = []
        for ws in book.worksheets:
            cells = []
            for row in ws.iter_rows():
                for c in row:
                    f, b, a, fill = c.font, c.border, c.alignment, c.fill
                    sides = tuple((getattr(b, s).style, getattr(b, s).color and
                                   getattr(b, s).color.rgb)
                                  for s in ("left", "right", "top", "bottom", "diagonal"))
                    cells.append((c.coordinate, c.value, c.number_format,
                                  (f.name, f.sz, f.b, f.i, f.u, f.strike, f.color and f.color.rgb),
                                  sides, b.diagonalUp, b.diagonalDown,
                                  (a.horizontal, a.vertical, a.wrap_text),
                                  (fill.patternType, fill.fgColor.rgb)))
            setup = ws.page_setup
            sheets.append((ws.title, cells, sorted(str(r) for r in ws.merged_cells.ranges),
                           {k: v.height for k, v in ws.row_dimensions.items()},
                           {k: v.width for k, v in ws.column_dimensions.items()},
                           (setup.paperSize, setup.orientation, setup.fitToHeight,
                            ws.page_margins.left, ws.page_margins.top),
                           [brk.id for brk in ws.row_breaks.brk],
                           sorted((im.anchor._from.row, im.anchor._from.col, im.anchor.to.row,
                                   im.anchor.to.col, im.anchor.to.colOff) for im in ws._images),
                           ws.sheet_view.tabSelected))
        return sheets

    def test_sharded_batch_joins_to_the_whole(self):
        """The spreadsheet parts of a batch printed with --shard join into the workbook the
        whole batch gives, a picture on every voucher included; empty parts are passed over."""
        work = os.path.join(self.tmp.name, "shard")
        os.makedirs(work)
        write_red_bmp(os.path.join(work, "red.bmp"))
        with open(os.path.join(work, "ops.json"), "w", encoding="utf-8") as f:
            json.dump([{"op": "LoadCellPicture", "cell": [0, 0], "file": "red.bmp"}], f)
        template = os.path.join(work, "picture.edj")
        run("apply", os.path.join(self.demo, "edj/记账凭证.edj"), os.path.join(work, "ops.json"),
            "-o", template)
        args = [template, "--db", os.path.join(self.demo, "quorbex.db"),
                "--master", "select * from Month_Main where 凭证号 <= '记-0005' order by 凭证号",
                "--detail", "select * from Month_Detail order by 凭证号, 序号", "--key", "凭证号",
                "--allow-unmatched"]
        whole = os.path.join(work, "whole.xlsx")
        run("batch", *args, "--xlsx", whole)
        expected = self.described(whole)
        self.assertEqual(len(expected), 5)
        self.assertTrue(all(sheet[7] for sheet in expected), "a picture on every sheet")
        for n in (1, 2, 3, 7):
            with self.subTest(parts=n):
                parts = [os.path.join(work, f"part-{n}-{k}.xlsx") for k in range(1, n + 1)]
                for k, part in enumerate(parts, 1):
                    run("batch", *args, "--shard", f"{k}/{n}", "--xlsx", part)
                self.assertEqual(sum(os.path.getsize(p) == 0 for p in parts) > 0, n > 5)
                joined = os.path.join(work, f"joined-{n}.xlsx")
                self.assertIn(f"XLSX: {joined}", run("join", joined, *parts).stdout)
                self.assertEqual(self.described(joined), expected)
                with zipfile.ZipFile(joined) as z:  # the picture stored once, as in the whole
                    self.assertEqual(len([m for m in z.namelist() if m.startswith("xl/media/")]),
                                     1)
        # A workbook karvell did not write is not joined; nothing is written.
        foreign = os.path.join(work, "foreign.xlsx")
        copy_package(whole, foreign, "docProps/core.xml", b"<dc:creator>karvell<",
                     b"<dc:creator>other<")
        out = os.path.join(work, "refused.xlsx")
        r = run("join", out, whole, foreign, check=False)
        self.assertEqual(r.returncode, 1)
        self.assertIn("不是 karvell 写出的 XLSX 文件", r.stderr)
        self.assertFalse(os.path.exists(out))

    def test_dates_are_dates(self):
        """A date column (the SQLite ODBC driver reports DATE columns as dates) gives dates: the
        spreadsheet's day number with a date format showing what the page shows."""
        driver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so"
        if not os.path.exists(driver):
            self.skipTest("the SQLite ODBC driver (libsqliteodbc) is not installed")
        work = os.path.join(self.tmp.name, "dates")
        subprocess.run([os.path.join(SOURCE, "bench/make_list_report.sh"), "1", work],
                       check=True, env=dict(os.environ, KARVELL=KARVELL), capture_output=True)
        db = os.path.join(work, "dates.db")
        with sqlite3.connect(db) as con:
            con.execute("create table 从表 (序号 integer, 日期 date, 科目 text, 摘要 text, "
                        "金额 real)")
            con.executemany("insert into 从表 values (?, ?, '1001', '摘要', 1.5)",
                            [(1, "2024-03-05"), (2, "2024-12-31"), (3, "2000-02-29")])
        with open(os.path.join(work, "odbcinst.ini"), "w") as f:
            f.write(f"[SQLite3]\nDriver={driver}\n")
        with open(os.path.join(work, "odbc.ini"), "w") as f:
            f.write(f"[Dates]\nDriver=SQLite3\nDatabase={db}\n")
        saved = {k: os.environ.get(k) for k in ("ODBCSYSINI", "ODBCINI")}
        self.addCleanup(lambda: [os.environ.pop(k, None) if v is None else
                                 os.environ.__setitem__(k, v) for k, v in saved.items()])
        os.environ.update(ODBCSYSINI=work, ODBCINI=os.path.join(work, "odbc.ini"))
        args = [os.path.join(work, "list.ept"), "--db", "DSN=Dates",
                "--dataset", "从表=select * from 从表 order by 序号"]
        out = os.path.join(work, "dates.xlsx")
        run("expand", *args, "--xlsx", out)
        shown = [line["Cells"][1]["CellText"]
                 for line in json.loads(run("expand", *args, "--json").stdout)["Pages"][0]["Lines"]
                 if isinstance(line["Cells"][0]["CellText"], str)
                 and line["Cells"][0]["CellText"].isdigit()]
        ws = openpyxl.load_workbook(out).active
        cells = [row[1] for row in ws.iter_rows() if isinstance(row[0].value, int)]
        want = [datetime.datetime(2024, 3, 5), datetime.datetime(2024, 12, 31),
                datetime.datetime(2000, 2, 29)]
        self.assertEqual([c.value for c in cells], want)
        self.assertEqual(len(shown), 3)
        for cell, text in zip(cells, shown):
            # The format shows the day as the page does ("yyyy/m/d" → 2024/3/5).
            self.assertEqual(cell.number_format, "yyyy/m/d")
            d = cell.value
            self.assertEqual(f"{d.year}/{d.month}/{d.day}", text)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
