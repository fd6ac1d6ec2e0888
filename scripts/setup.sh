#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
# Quiet and quick when everything is already there.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build ccache pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev
    zlib1g-dev libuemf-dev libdw-dev libfontconfig-dev libxcb1-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    fonts-liberation fonts-dejavu-core xvfb xauth poppler-utils qt6-translations-l10n
    # Another program reading the clipboard under Xvfb (the tree's paste test).
    xclip
    # Office suites bring fonts-liberation2, whose "Liberation Sans" differs:
    # installed here too, the tests prove the program still draws with the
    # files of fonts-liberation.
    fonts-liberation2
    python3 python3-xlwt
    # The peer of the price-tag print benchmark (bench/peers).
    python3-reportlab
    libssl-dev libcurl4-openssl-dev xdg-utils
    openssl python3-aiosmtpd python3-pyftpdlib dnsmasq-base
)

missing=()
for P in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$P" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$P")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
