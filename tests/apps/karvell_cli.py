"""Running the karvell program from the Python tests: the executable is the script's first
argument, run offscreen; a failed run raises with its error output."""
import os
import subprocess
import sys
import zipfile

KARVELL = sys.argv[1] if len(sys.argv) > 1 else "build/apps/karvell/karvell"


def run(*args, check=True):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    r = subprocess.run([KARVELL, *args], capture_output=True, text=True, env=env, timeout=300)
    if check and r.returncode != 0:
        raise AssertionError(f"karvell {args[0]} failed ({r.returncode}): {r.stderr}")
    return r


def demo_args(demo):
    """The demo voucher's template and its two queries, for `karvell expand`."""
    return [os.path.join(demo, "edj/记账凭证.edj"), "--db", os.path.join(demo, "quorbex.db"),
            "--dataset", "主表=select * from Quorbex_Main",
            "--dataset", "从表=select * from Quorbex_Detail order by 序号"]


def month_args(demo, master="select * from Month_Main order by 凭证号",
               detail="select * from Month_Detail order by 凭证号, 序号"):
    """The demo month's template and its master and detail queries, for `karvell batch` and
    `karvell archive`."""
    return [os.path.join(demo, "edj/记账凭证.edj"), "--db", os.path.join(demo, "quorbex.db"),
            "--master", master, "--detail", detail, "--key", "凭证号"]


def tool(*args):
    """Another program's standard output; a failure raises."""
    return subprocess.run(args, capture_output=True, text=True, check=True).stdout


def copy_package(source, target, part, old, new):
    """A copy of the ZIP package `source` at `target` with `old` replaced by `new` in `part`:
    a file karvell did not write, for the checks that refuse one."""
    with zipfile.ZipFile(source) as src, zipfile.ZipFile(target, "w") as dst:
        for name in src.namelist():
            data = src.read(name)
            dst.writestr(name, data.replace(old, new) if name == part else data)
