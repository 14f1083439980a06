#!/usr/bin/env bash
# Builds the Debian package from the build (cpack -G DEB) and checks it: the programs,
# libraries, headers, CMake package, desktop entries, icons, MIME type, metainfo, manual pages
# and the Python module are in it, its dependencies were computed (Qt's libraries, python3),
# nothing carries a library search path, the desktop entries run /usr/bin, and lintian reports
# no errors (its warnings are printed).
# Usage: deb_package.sh BUILD_DIR CPACK   (run by CTest; prints "N passed, N failed")
set -uo pipefail
build=$(cd "$1" && pwd)
cpack=${2:-cpack}
work=$build/deb-test
rm -rf "$work"
mkdir -p "$work"
# shellcheck source=checks.sh
source "$(dirname "$0")/checks.sh"

if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    echo "FAIL: cpack -G DEB" >&2
    cat "$work/cpack.log" >&2
    exit 1
fi
deb=$(ls "$work"/karvell_*.deb)
dpkg-deb --contents "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/contents"
has() { grep -qE "^$1\$" "$work/contents"; }
for path in /usr/bin/karvell /usr/bin/danmere /usr/bin/karvell-editor \
    '/usr/lib/(.*/)?libkarvell_(core|data|widgets)\.so\.0\.1' \
    /usr/include/karvell/runtime/reportruntime.h /usr/include/karvell/output/pdfsink.h \
    /usr/include/karvell/adoquery.h /usr/include/karvell/reportcontrol.h \
    '/usr/lib/(.*/)?cmake/Karvell/KarvellConfig\.cmake' \
    '/usr/lib/(.*/)?cmake/Karvell/KarvellTargets\.cmake' \
    /usr/share/applications/danmere.desktop /usr/share/applications/karvell-editor.desktop \
    /usr/share/icons/hicolor/scalable/apps/karvell.svg \
    /usr/share/icons/hicolor/48x48/apps/karvell.png /usr/share/icons/hicolor/256x256/apps/karvell.png \
    /usr/share/mime/packages/karvell-template.xml \
    /usr/share/metainfo/org.karvell.Danmere.metainfo.xml \
    /usr/share/metainfo/org.karvell.KarvellEditor.metainfo.xml \
    /usr/share/man/man1/karvell.1.gz /usr/share/man/man1/danmere.1.gz \
    /usr/share/man/man1/karvell-editor.1.gz \
    '/usr/lib/python3/dist-packages/karvell\.cpython-[0-9]+-.*\.so' \
    /usr/share/doc/karvell/copyright /usr/share/doc/karvell/changelog.Debian.gz; do
    check "the package holds $path" has "$path"
done
for lib in core data widgets; do
    check "libkarvell_$lib.so.0 links to its versioned file" \
        bash -c "dpkg-deb --contents '$deb' | grep -qE 'libkarvell_$lib\.so\.0 -> libkarvell_$lib\.so\.0\.1'"
done

depends=$(dpkg-deb -f "$deb" Depends)
for dependency in libqt6core6 libqt6gui6 libqt6widgets6 libqt6sql6 libc6 python3; do
    check "Depends names $dependency ($depends)" grep -qE "(^|, )$dependency( |,|$)" <<<"$depends"
done

dpkg-deb -x "$deb" "$work/root"
for app in danmere karvell-editor; do
    check "$app.desktop runs /usr/bin/$app" \
        grep -qx "Exec=\"/usr/bin/$app\".*" "$work/root/usr/share/applications/$app.desktop"
done
check "no library search path in the package's programs and libraries" bash -c "
    for f in \$(find '$work/root/usr' -type f \\( -perm -u+x -o -name '*.so*' \\)); do
        if readelf -d \"\$f\" 2>/dev/null | grep -qE 'RPATH|RUNPATH'; then echo \"\$f\"; exit 1; fi
    done"

if command -v lintian >/dev/null; then
    lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
    status=$?
    check "lintian reports no errors" test "$status" -eq 0 -a -z "$(grep '^E:' "$work/lintian.log")"
    if grep -q '^[WE]:' "$work/lintian.log"; then
        echo "lintian says:"
        grep '^[WE]:' "$work/lintian.log" | sed 's/^/    /'
    fi
else
    echo "lintian is not installed: not run"
fi

checks_done
