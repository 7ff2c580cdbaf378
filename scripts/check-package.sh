#!/usr/bin/env bash
# Checks the package scripts/package.sh built: it installs with apt-get, its manual page is
# found, the installed quillon7-cli answers --version and uploads to a simulated unit in a fresh
# application folder, lintian reports no error, and it removes cleanly.
# scripts/check-package.sh [PACKAGE.deb]  (default: the one quillon7_*_amd64.deb here). Needs root.
set -euo pipefail
cd "$(dirname "$0")/.."

deb=${1:-$(find . -maxdepth 1 -name 'quillon7_*_amd64.deb' | sort | tail -n 1)}
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
    echo "check-package: no quillon7_*_amd64.deb; run scripts/package.sh" >&2
    exit 1
fi
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

fail() {
    echo "check-package: FAILED: $*" >&2
    exit 1
}

scripts/install-deps.sh lintian man-db

version=$(dpkg-deb -f "$deb" Version)
echo "== $deb: $(du -k "$deb" | cut -f1) KiB, version $version"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"

echo "== install"
$sudo apt-get install -y -qq "$deb" >/dev/null
dpkg-query -W -f='${Status}\n' quillon7 | grep -q "install ok installed" || fail "not installed"

echo "== man pages"
# A minimal container may exclude /usr/share/man from dpkg's unpacking.
for page in quillon7 quillon7-cli quillon7-sim; do
    [ -f /usr/share/man/man1/$page.1.gz ] || fail "/usr/share/man/man1/$page.1.gz not installed (dpkg path-exclude?)"
done
$sudo mandb -q 2>/dev/null || true
man -w quillon7-cli || fail "man -w quillon7-cli"
man -w quillon7-sim >/dev/null || fail "man -w quillon7-sim"
man -w quillon7 >/dev/null || fail "man -w quillon7"

echo "== version"
shown=$(/usr/bin/quillon7-cli --version) || fail "quillon7-cli --version"
echo "$shown"
[[ $shown == *"$version"* ]] || fail "quillon7-cli --version does not say $version"

echo "== simulated upload by the installed program"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/quillon7-cli samples "$work/samples" >/dev/null || fail "samples"
/usr/bin/quillon7-cli upload --quiet --app-dir "$work/app" --simulate \
    --comm "$work/samples/SAMPLE_COMM.bin" || fail "simulated upload"
[ -s "$work/app/History.txt" ] || fail "no History.txt in the fresh --app-dir"
/usr/bin/quillon7-sim --help >/dev/null || fail "quillon7-sim --help"
[ -f /usr/share/applications/quillon7.desktop ] || fail "menu entry"
for c in quillon7-cli quillon7-sim; do
    bash -n /usr/share/bash-completion/completions/$c || fail "completion $c"
done

echo "== lintian"
lintian_out=$(lintian --allow-root --display-info "$deb" 2>&1) || true
echo "${lintian_out:-(no tags)}"
if grep -q '^E:' <<<"$lintian_out"; then
    fail "lintian reports errors"
fi

echo "== remove"
$sudo apt-get purge -y -qq quillon7 >/dev/null
[ ! -e /usr/bin/quillon7-cli ] || fail "/usr/bin/quillon7-cli left after purge"
[ ! -e /usr/share/doc/quillon7 ] || fail "/usr/share/doc/quillon7 left after purge"
echo "check-package: OK"
