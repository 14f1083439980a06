#!/usr/bin/env bash
# The desktop set-up for the user: `cmake --install` of the programs' runtime part (programs,
# libraries, desktop entries, the template MIME type for .ept and .edj, icons, manual pages)
# into the prefix above $XDG_DATA_HOME (else ~/.local), then makes the editor the default
# application for templates.
#   scripts/install-editor.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
# Earlier versions took the editor program itself: its build folder is meant.
[ -f "$build" ] && build=$(dirname "$(dirname "$(dirname "$build")")")
[ -x "$build/apps/karvell-editor/karvell-editor" ] ||
    { echo "install-editor.sh: $build is not built (scripts/setup.sh builds it)" >&2; exit 1; }
data=${XDG_DATA_HOME:-$HOME/.local/share}
case $data in
*/share) prefix=${data%/share} ;;
*) prefix=$HOME/.local; data=$prefix/share ;;
esac
cmake --install "$build" --prefix "$prefix" --component Runtime >/dev/null
if command -v update-mime-database >/dev/null; then update-mime-database "$data/mime" >/dev/null; fi
if command -v update-desktop-database >/dev/null; then
    update-desktop-database "$data/applications" >/dev/null 2>&1 || true
fi
if command -v gtk-update-icon-cache >/dev/null; then
    gtk-update-icon-cache -q -t "$data/icons/hicolor" 2>/dev/null || true
fi
if command -v xdg-mime >/dev/null; then
    xdg-mime default karvell-editor.desktop application/x-karvell-template 2>/dev/null || true
fi
echo "installed into $prefix: bin/karvell-editor, bin/danmere, bin/karvell," \
    "$data/applications/karvell-editor.desktop, $data/mime/packages/karvell-template.xml"
