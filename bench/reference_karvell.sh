# shellcheck shell=bash
# Sourced by the comparison scripts (compare_pdf_pixels.sh, compare_ofd_parts.sh) after `here`
# is set. `reference_karvell REF DIR` prints the path of a karvell executable: REF itself when it
# is one (or a script that runs one), else this tree's git revision REF built into DIR.
reference_karvell() {
    local ref=$1 dir=$2
    if [ -x "$ref" ] && [ ! -d "$ref" ]; then
        echo "$ref"
        return
    fi
    echo "building karvell at $ref ..." >&2
    # Each step checked: errexit does not reach into the command substitution this runs in.
    # shellcheck disable=SC2154 # `here` is set by the script that sources this one
    mkdir -p "$dir/src" &&
        git -C "$here" archive "$ref" | tar -x -C "$dir/src" &&
        cmake -S "$dir/src" -B "$dir/src/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DKARVELL_BUILD_BENCH=OFF >/dev/null &&
        cmake --build "$dir/src/build" --target karvell >/dev/null || return 1
    echo "$dir/src/build/apps/karvell/karvell"
}
