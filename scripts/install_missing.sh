# Sourced by the setup scripts: install_missing PACKAGE… installs, through apt-get, those of the
# Debian packages that are not installed yet (with sudo when not root) and does nothing when all
# are.
install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        local SUDO=""
        [ "$(id -u)" -ne 0 ] && SUDO=sudo
        $SUDO apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
    return 0
}
