#!/usr/bin/env bash
# A check by hand, not part of CI: installs the Debian package into a fresh Debian 12 root made
# with mmdebstrap (needs the Debian archive and root) and runs there, from another folder than
# any source, what a user runs first: the demo, an expansion to PDF, the designer's direct
# printing (onto the built-in "PDF" printer, there is no print server in the root), the
# Python module, and examples/embed built with find_package(Karvell) (after installing a
# compiler, CMake and Qt's development files, which the package does not depend on).
#   scripts/check-deb-clean-root.sh build/karvell_0.1-1_amd64.deb [ROOT_DIR]
set -euo pipefail
deb=$(realpath "$1")
root=${2:-/tmp/karvell-clean-root}
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

if [ ! -x "$root/usr/bin/apt-get" ]; then
    rm -rf "$root"
    # The smallest root with apt; poppler-utils only to read the PDFs back.
    mmdebstrap --variant=apt --include=poppler-utils,ca-certificates bookworm "$root" "$mirror"
fi
cp "$deb" "$root/tmp/"
mount -t proc proc "$root/proc"
trap 'umount "$root/proc"' EXIT
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

in_root bash -c "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/$(basename "$deb") >/tmp/apt.log"
in_root bash -exc '
    rm -rf /tmp/d && karvell make-demo /tmp/d && cd /tmp/d
    karvell expand edj/记账凭证.edj --db quorbex.db --dataset "主表=select * from Quorbex_Main" \
        --dataset "从表=select * from Quorbex_Detail order by 序号" --add-space --pdf /tmp/expand.pdf
    pdftotext /tmp/expand.pdf - | grep -q 记-0087
    ODBCSYSINI=$PWD ODBCINI=$PWD/odbc.ini QT_QPA_PLATFORM=offscreen KARVELL_PDF_DIR=/tmp/out danmere 1
    pdftotext "$(ls /tmp/out/*.pdf | head -1)" - | grep -q 记-0087
    python3 -c "import karvell; print(karvell.__version__)"
    python3 -c "
import karvell, decimal
t = karvell.Template(\"edj/记账凭证.edj\")
p = t.expand({\"主表\": [{\"凭证号\": \"记-0087\", \"日期\": \"2024年03月31日\", \"单位名称\": \"甲\",
                          \"附件数\": 1, \"制单\": \"王丽\", \"复核\": \"乙\", \"记账\": \"丙\"}],
              \"从表\": [{\"序号\": 1, \"摘要\": \"提取现金\", \"科目\": \"1001 库存现金\",
                          \"借方金额\": decimal.Decimal(\"2356.50\"), \"贷方金额\": None}]})
p.save_pdf(\"/tmp/python.pdf\")
print(p.page_count, \"page(s)\")"
    pdftotext /tmp/python.pdf - | grep -q 提取现金
'
# Another program against the installed CMake package.
rm -rf "$root/tmp/embed" && cp -r "$(dirname "$0")/../examples/embed" "$root/tmp/embed"
in_root bash -c "DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    cmake ninja-build g++ qt6-base-dev >/tmp/apt-dev.log"
in_root bash -exc '
    cmake -S /tmp/embed -B /tmp/embed-build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build /tmp/embed-build >/dev/null
    QT_QPA_PLATFORM=offscreen /tmp/embed-build/embed_voucher /tmp/d/edj/记账凭证.edj /tmp/embed.pdf
    pdftotext /tmp/embed.pdf - | grep -q 嵌入示例有限公司
'
echo "clean Debian 12 root: the package installs; make-demo, expand, danmere 1, the Python module and examples/embed work"
