#!/usr/bin/env bash
# Installs the Debian 12 packages Kelvara needs to build, run and test, when they are missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-qpa-plugins libgl-dev libx11-dev libx11-xcb-dev libxi-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool dbus-daemon libglib2.0-bin clang-format
    dpkg-dev lintian python3 systemd
)

missing=()
for package in "${packages[@]}"; do
    if [ "$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)" != "installed" ]; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" != 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
