#!/usr/bin/env bash
# Installs the Debian packages the project needs (only those missing) and builds it.
# Usage: scripts/setup.sh [PRESET [TARGET…]]   (PRESET default, ci, asan or tsan; idempotent and
# fast when nothing changed)
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
    cmake ninja-build g++ pkg-config ccache clang-format clang-tidy
    qt6-base-dev libqt6sql6-odbc libqt6sql6-sqlite libqt6sql6-psql
    libjpeg62-turbo-dev libxlsxwriter-dev python3-openpyxl python3-pikepdf qpdf
    libreoffice-calc-nogui
    libzip-dev libdeflate-dev libharfbuzz-dev libxml2-dev libxml2-utils python3-fonttools chromium
    unixodbc unixodbc-dev libsqliteodbc odbc-postgresql sqlite3 postgresql
    fonts-arphic-uming fonts-arphic-ukai fonts-noto-cjk
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb openbox imagemagick poppler-utils shared-mime-info desktop-file-utils appstream
    qt6-translations-l10n
    python3-dev pybind11-dev lintian
)

# npm fetches the OFD test's reader; a machine with Node.js from elsewhere (which bundles npm and
# conflicts with Debian's npm package) keeps its own.
command -v npm >/dev/null || PACKAGES+=(npm)

. scripts/install_missing.sh
install_missing "${PACKAGES[@]}"
# The independent OFD reader of the tests (ofd.js, pinned by tests/render/package-lock.json).
[ -d tests/render/node_modules/ofd.js ] ||
    (cd tests/render && npm ci --no-audit --no-fund --ignore-scripts >/dev/null) ||
    echo "setup.sh: ofd.js could not be installed; the OFD rendering test is skipped" >&2

# ccache (when present) sees paths relative to the checkout, so clones share compiled objects.
export CCACHE_BASEDIR="$PWD"

preset=${1:-default}
shift || true
cmake --preset "$preset" >/dev/null
if (($#)); then
    cmake --build --preset "$preset" --target "$@"
else
    cmake --build --preset "$preset"
fi
# The desktop opens template files (.ept, .edj) with the editor once everything is built: the
# programs' runtime part is installed for the user.
if (($# == 0)) && [ -x build/apps/karvell-editor/karvell-editor ] &&
    { [ "$preset" = default ] || [ "$preset" = ci ]; }; then
    scripts/install-editor.sh build >/dev/null ||
        echo "setup.sh: the editor's desktop entry could not be installed" >&2
fi
