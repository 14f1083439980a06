#!/usr/bin/env bash
# Installs the build into a private prefix and checks what a user of the installed tree gets:
# the programs run from another folder on the installed libraries (SONAME, search path), the
# headers, CMake package, desktop entries, MIME type, icons and manual pages are in place, and
# examples/embed builds with find_package(Karvell) and prints a voucher from its own rows.
# Usage: install_embed.sh BUILD_DIR SOURCE_DIR   (run by CTest; prints "N passed, N failed")
set -uo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
# A fixed folder inside the build, so ccache sees the same paths on every run.
work=$build/install-test
rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
# shellcheck source=checks.sh
source "$(dirname "$0")/checks.sh"

check "cmake --install" cmake --install "$build" --prefix "$prefix"

for program in karvell danmere karvell-editor; do
    check "bin/$program" test -x "$prefix/bin/$program"
done
for lib in core data widgets; do
    check "lib/libkarvell_$lib.so has SONAME libkarvell_$lib.so.0" \
        bash -c "readelf -d '$prefix/lib/libkarvell_$lib.so' | grep -q 'SONAME.*\[libkarvell_$lib\.so\.0\]'"
done
for header in runtime/reportruntime.h runtime/dataset.h output/pdfsink.h adoquery.h filedataset.h \
    reportcontrol.h editor/karvellform.h; do
    check "include/karvell/$header" test -f "$prefix/include/karvell/$header"
done
check "CMake package" test -f "$prefix/lib/cmake/Karvell/KarvellConfig.cmake"
for app in danmere karvell-editor; do
    desktop=$prefix/share/applications/$app.desktop
    check "$app.desktop runs the installed program" grep -qx "Exec=\"$prefix/bin/$app\".*" "$desktop"
    if command -v desktop-file-validate >/dev/null; then
        check "desktop-file-validate $app.desktop" desktop-file-validate "$desktop"
    fi
done
check "MIME type for .ept and .edj" \
    bash -c "grep -q '\*\.ept' '$prefix/share/mime/packages/karvell-template.xml' &&
             grep -q '\*\.edj' '$prefix/share/mime/packages/karvell-template.xml'"
if command -v appstreamcli >/dev/null; then
    check "appstreamcli validate --no-net" \
        appstreamcli validate --no-net "$prefix"/share/metainfo/org.karvell.*.metainfo.xml
fi
check "scalable icon" test -s "$prefix/share/icons/hicolor/scalable/apps/karvell.svg"
for size in 48 256; do
    check "${size}px icon" test "$(identify -format '%wx%h' \
        "$prefix/share/icons/hicolor/${size}x${size}/apps/karvell.png" 2>&1)" = "${size}x$size"
done
# The manual page names every command `karvell --help` lists.
for command in $("$prefix/bin/karvell" --help | sed -n 's/^  karvell \([a-z-]*\).*/\1/p' | sort -u); do
    check "karvell.1 describes $command" \
        bash -c "zcat '$prefix/share/man/man1/karvell.1.gz' |
                 grep -q '^\.BI\? \"\?$(printf '%s' "$command" | sed 's/-/\\\\-/g')'"
done
for page in karvell danmere karvell-editor; do
    command -v man >/dev/null || break
    check "man page $page.1 renders without warnings" \
        bash -c "out=\$(man -l -Tutf8 '$prefix/share/man/man1/$page.1.gz' 2>&1 >/dev/null); [ -z \"\$out\" ]"
done

# The installed programs load the installed libraries, from any folder.
loaded=$(ldd "$prefix/bin/karvell" | sed -n 's/.*libkarvell_core\.so\.0 => \([^ ]*\).*/\1/p')
check "installed karvell loads its own libraries ($loaded)" \
    test "$(realpath -m "$loaded")" = "$(realpath "$prefix/lib/libkarvell_core.so.0")"
check "installed karvell make-demo" bash -c "cd '$work' && '$prefix/bin/karvell' make-demo demo"

check "installed danmere 1 prints the demo voucher" \
    bash -c "cd '$work/demo' && ODBCSYSINI=\$PWD ODBCINI=\$PWD/odbc.ini KARVELL_PDF_DIR=\$PWD/out \
             QT_QPA_PLATFORM=offscreen '$prefix/bin/danmere' 1 >/dev/null &&
             pdftotext \$(ls out/*.pdf | head -1) - | grep -q 记-0087"

# The installed Python module, when built, loads the installed libraries.
if compgen -G "$prefix/lib/python3/dist-packages/karvell.*.so" >/dev/null; then
    check "installed Python module reads the demo template" \
        bash -c "cd '$work/demo' && PYTHONPATH='$prefix/lib/python3/dist-packages' /usr/bin/python3 -c \
                 'import karvell; assert karvell.Template(\"edj/记账凭证.edj\").dump()[\"Lines\"]'"
fi

# A project of its own against the installed package.
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
export CCACHE_BASEDIR=$work
check "configure examples/embed" cmake -S "$src/examples/embed" -B "$work/embed" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_PREFIX_PATH="$prefix" "${launcher[@]}"
check "build examples/embed" cmake --build "$work/embed"
check "embed_voucher prints the voucher" \
    env QT_QPA_PLATFORM=offscreen "$work/embed/embed_voucher" "$work/demo/edj/记账凭证.edj" "$work/embed.pdf"
text=$(pdftotext -layout "$work/embed.pdf" - 2>/dev/null || true)
# The amounts in the voucher's digit columns and in words.
for expected in 嵌-0001 嵌入示例有限公司 采购办公用品 管理费用 银行存款 128840 壹仟贰佰捌拾捌元肆角 赵敏; do
    check "the PDF shows $expected" grep -qF -- "$expected" <<<"$text"
done

checks_done
