#!/usr/bin/env bash
# Installs the Debian packages Quillon7 builds and tests with, or those named:
# scripts/install-deps.sh [PACKAGE...]. Does nothing when they are all there already; otherwise
# one apt-get update, then one apt-get install. Needs root or sudo.
set -euo pipefail

default_packages=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev
    qt6-base-dev qt6-multimedia-dev
    fonts-dejavu-core
    clang libclang-rt-14-dev lrzsz python3
    clang-format shellcheck
)
if [ $# -gt 0 ]; then
    packages=("$@")
else
    packages=("${default_packages[@]}")
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
