#!/usr/bin/env bash
# Takes a screenshot of a program's window on a private virtual display (no desktop needed):
#   scripts/screenshot.sh OUT.png [SECONDS] -- PROGRAM [ARGS…]
# The program runs in the current directory; after SECONDS (default 4) the whole screen is
# written to OUT.png and the program is ended. Example, the demo voucher's preview:
#   (cd demo/run && ODBCSYSINI=$PWD ODBCINI=$PWD/odbc.ini \
#        ../../scripts/screenshot.sh ../preview.png -- ../../build/apps/danmere/danmere)
set -euo pipefail
out=${1:?usage: screenshot.sh OUT.png [SECONDS] -- PROGRAM [ARGS…]}
shift
wait=4
if [ "${1:-}" != "--" ]; then wait=$1; shift; fi
[ "${1:-}" = "--" ] && shift
[ $# -gt 0 ] || { echo "screenshot.sh: no program given" >&2; exit 2; }
for tool in Xvfb import; do
    command -v "$tool" >/dev/null || { echo "screenshot.sh: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$app" "$wm" "$xvfb" 2>/dev/null || true' EXIT
app="" wm=""
sleep 1
export DISPLAY=$display
unset QT_QPA_PLATFORM
if command -v openbox >/dev/null; then openbox >/dev/null 2>&1 & wm=$!; fi
"$@" &
app=$!
sleep "$wait"
import -window root "$out"
echo "screenshot: $out"
