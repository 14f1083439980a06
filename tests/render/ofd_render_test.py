#!/usr/bin/python3
"""OFD files rendered by an independent reader, ofd.js (npm) in Debian's headless Chromium,
compared with the PDF of the same pages as pdftoppm rasterises it: low resolution, grey,
root-mean-square difference within a tolerance, and clearly below that of the PDF's page moved
down by one pixel (about a millimetre), so that the measure sees a misplaced page.

Usage: ofd_render_test.py KARVELL OFD_JS  (OFD_JS: ofd.js's lib/ofd.umd.min.js, installed by
`npm install` in tests/render)"""
import base64
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../apps"))
from karvell_cli import KARVELL, run  # noqa: E402
OFD_JS = sys.argv[2] if len(sys.argv) > 2 else os.path.join(
    os.path.dirname(__file__), "node_modules/ofd.js/lib/ofd.umd.min.js")
CHROMIUM = shutil.which("chromium")
WIDTH = 794  # A4 at 96 dpi
TOLERANCE = 0.07  # RMSE of grey rasters at a quarter of that resolution


def rmse(a, b):
    r = subprocess.run(["compare", "-metric", "RMSE", a, b, "null:"], capture_output=True,
                       text=True)
    return float(re.search(r"\(([\d.e-]+)\)", r.stderr).group(1))


class OfdRender(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.demo = os.path.join(cls.tmp.name, "demo")
        run("make-demo", cls.demo)
        args = [os.path.join(cls.demo, "edj/记账凭证.edj"), "--db",
                os.path.join(cls.demo, "quorbex.db"), "--dataset", "主表=select * from Quorbex_Main",
                "--dataset", "从表=select * from Quorbex_Detail order by 序号"]
        cls.ofd, cls.pdf = (os.path.join(cls.tmp.name, "demo." + e) for e in ("ofd", "pdf"))
        run("expand", *args, "--ofd", cls.ofd)
        run("expand", *args, "--pdf", cls.pdf)
        with open(OFD_JS, encoding="utf-8") as f:
            cls.reader = f.read()

    def render_ofd(self, page):
        """Page `page` (from 0) as ofd.js draws it, scaled to WIDTH and a quarter of it, grey."""
        with open(self.ofd, "rb") as f:
            data = base64.b64encode(f.read()).decode()
        html = os.path.join(self.tmp.name, f"page{page}.html")
        with open(html, "w", encoding="utf-8") as f:
            f.write(f"""<!DOCTYPE html><html><head><meta charset="utf-8">
<style>body{{margin:0;background:#fff}}</style></head><body><script>{self.reader}</script>
<script>
const b = atob("{data}"), a = new Uint8Array(b.length);
for (let i = 0; i < b.length; i++) a[i] = b.charCodeAt(i);
ofd.parseOfdDocument({{ofd: a.buffer, success(res) {{
  const div = ofd.renderOfd({WIDTH}, res[0])[{page}];
  document.body.appendChild(div);
  const r = div.getBoundingClientRect();
  document.title = [r.left, r.top, r.width, r.height].map(Math.round).join(",");
}}, fail(e) {{ document.title = "fail"; }}}});
</script></body></html>""")
        shot = os.path.join(self.tmp.name, f"ofd{page}.png")
        common = [CHROMIUM, "--headless=new", "--no-sandbox", "--disable-gpu",
                  "--hide-scrollbars", f"--window-size={WIDTH},1200",
                  "--virtual-time-budget=20000"]
        dom = subprocess.run(common + ["--dump-dom", "file://" + html], capture_output=True,
                             text=True, timeout=120).stdout
        box = re.search(r"<title>(\d+),(\d+),(\d+),(\d+)</title>", dom)
        self.assertIsNotNone(box, "ofd.js did not render the file")
        subprocess.run(common + [f"--screenshot={shot}", "file://" + html], capture_output=True,
                       timeout=120, check=True)
        x, y, w, h = map(int, box.groups())
        out = os.path.join(self.tmp.name, f"ofd{page}-small.png")
        subprocess.run(["convert", shot, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-background",
                        "white", "-flatten", "-colorspace", "gray", "-resize",
                        f"{WIDTH // 4}x{1123 // 4}!", out], check=True)
        return out

    def render_pdf(self, page):
        base = os.path.join(self.tmp.name, f"pdf{page}")
        subprocess.run(["pdftoppm", "-r", "96", "-f", str(page + 1), "-l", str(page + 1),
                        "-singlefile", "-png", self.pdf, base], check=True)
        out, moved = base + "-small.png", base + "-moved.png"
        subprocess.run(["convert", base + ".png", "-colorspace", "gray", "-resize",
                        f"{WIDTH // 4}x{1123 // 4}!", out], check=True)
        subprocess.run(["convert", out, "-background", "white", "-splice", "0x1", "-gravity",
                        "south", "-chop", "0x1", moved], check=True)
        return out, moved

    def test_pages_look_like_the_pdf(self):
        for page in range(3):
            pdf, moved = self.render_pdf(page)
            ofd = self.render_ofd(page)
            same = rmse(ofd, pdf)
            self.assertLess(same, TOLERANCE, f"page {page + 1}")
            self.assertGreater(rmse(ofd, moved), same * 1.5, f"page {page + 1}")


if __name__ == "__main__":
    if not (CHROMIUM and os.path.exists(OFD_JS)):
        # Reported by CTest as skipped (scripts/setup.sh installs both), never as a pass.
        print("chromium or ofd.js not installed: run scripts/setup.sh", file=sys.stderr)
        sys.exit(77)
    unittest.main(argv=sys.argv[:1])
