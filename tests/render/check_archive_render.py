#!/usr/bin/env python3
"""Manual check (not run by CTest: about 6 minutes): the demo month archived as OFD and as
PDF/A, and the first page of every voucher drawn by ofd.js in headless Chromium compared with
its PDF's raster, as the OfdRender test does for the demo voucher.

Usage: tests/render/check_archive_render.py KARVELL OFD_JS_PATH [WORKDIR]"""
import glob
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ofd_render_test as t  # noqa: E402  (reads KARVELL and OFD_JS from sys.argv)

karvell = sys.argv[1]
work = sys.argv[3] if len(sys.argv) > 3 else tempfile.mkdtemp()
env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
subprocess.run([karvell, "make-demo", work + "/d", "--force"], env=env, capture_output=True,
               check=True)
args = [work + "/d/edj/记账凭证.edj", "--db", work + "/d/quorbex.db",
        "--master", "select * from Month_Main order by 凭证号",
        "--detail", "select * from Month_Detail order by 凭证号, 序号", "--key", "凭证号"]
for fmt in ("ofd", "pdfa"):
    subprocess.run([karvell, "archive", *args, "--out", f"{work}/{fmt}", "--format", fmt,
                    "--force"], env=env, check=True, capture_output=True)

check = t.OfdRender("test_pages_look_like_the_pdf")
check.tmp = tempfile.TemporaryDirectory()
with open(t.OFD_JS, encoding="utf-8") as f:
    check.reader = f.read()
worst, faults = 0.0, []
files = sorted(glob.glob(f"{work}/ofd/*.ofd"))
for ofd_file in files:
    key = os.path.basename(ofd_file)[:-4]
    check.ofd, check.pdf = ofd_file, f"{work}/pdfa/{key}.pdf"
    pdf, moved = check.render_pdf(0)
    ofd = check.render_ofd(0)
    same, far = t.rmse(ofd, pdf), t.rmse(ofd, moved)
    worst = max(worst, same)
    if not (same < t.TOLERANCE and far > same * 1.5):
        faults.append((key, same, far))
print(f"{len(files)} vouchers, worst RMSE {worst:.4f} (tolerance {t.TOLERANCE}), faults: {faults}")
sys.exit(1 if faults or not files else 0)
