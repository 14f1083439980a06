#!/usr/bin/env bash
# Makes the desktop open template files (.ept) with karvell-editor: installs its .desktop entry
# and the MIME type application/x-karvell-template for the user ($XDG_DATA_HOME, else
# ~/.local/share) and makes the editor the type's default application.
#   scripts/install-editor.sh [EDITOR]   (default: build/apps/karvell-editor/karvell-editor)
set -euo pipefail
cd "$(dirname "$0")/.."
editor=$(realpath "${1:-build/apps/karvell-editor/karvell-editor}")
[ -x "$editor" ] || { echo "install-editor.sh: $editor is not built (scripts/setup.sh builds it)" >&2; exit 1; }
data=${XDG_DATA_HOME:-$HOME/.local/share}
mkdir -p "$data/applications" "$data/mime/packages"
# The Exec line quotes the path as desktop entries require.
quoted=$(printf '%s' "$editor" | sed 's/[\\"`$]/\\\\&/g')
sed "s|@EDITOR@|\"$quoted\"|" apps/karvell-editor/karvell-editor.desktop.in \
    > "$data/applications/karvell-editor.desktop"
cp apps/karvell-editor/karvell-template.xml "$data/mime/packages/karvell-template.xml"
if command -v update-mime-database >/dev/null; then update-mime-database "$data/mime" >/dev/null; fi
if command -v update-desktop-database >/dev/null; then
    update-desktop-database "$data/applications" >/dev/null 2>&1 || true
fi
if command -v xdg-mime >/dev/null; then
    xdg-mime default karvell-editor.desktop application/x-karvell-template 2>/dev/null || true
fi
echo "installed: $data/applications/karvell-editor.desktop, $data/mime/packages/karvell-template.xml"
