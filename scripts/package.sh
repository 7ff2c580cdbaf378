#!/usr/bin/env bash
# Builds the Debian package quillon7_VERSION_amd64.deb (CPack's DEB generator) in a build
# folder of its own, build-package/, and leaves it in the repository folder, or in OUT_DIR when
# given: scripts/package.sh [OUT_DIR]. Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${1:-$root}

scripts/install-deps.sh
# CPack computes the dependencies with dpkg-shlibdeps (dpkg-dev), finding the programs with file.
packages=(dpkg-dev file)
scripts/install-deps.sh "${packages[@]}"

# Debian's compiler and linker flags, every hardening feature on (fortify, stack protector,
# relro, bind now, PIE), without -g: the package's programs are stripped.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
cxxflags=${cxxflags/-g /}
ldflags=$(dpkg-buildflags --get LDFLAGS)

build=$root/build-package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_CXX_FLAGS="$cxxflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j"$(nproc)" \
    --target quillon7 quillon7-cli quillon7-sim quillon_man_pages quillon_changelog
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$build/cpack" >/dev/null)
deb=$(ls "$build"/cpack/quillon7_*_amd64.deb)
mv -f "$deb" "$out/"
echo "$(cd "$out" && pwd)/$(basename "$deb")"
