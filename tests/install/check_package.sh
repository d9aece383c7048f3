#!/bin/sh
# Makes the Debian package of a build and checks it with lintian: no error, no
# warning, and no hardening tag even among the informational ones.
# It depends on the package of every face file the window's description
# names; where the tree builds the page, it holds the page.
#   check_package.sh <cpack> <build dir> <lintian> <calorvin_facts> [<page>]
set -eu
cpack=$1
build=$2
lintian=$3
facts=$4
page=${5:-}

fail() { echo "FAIL: $*" >&2; exit 1; }
command -v "$lintian" >/dev/null 2>&1 || fail "lintian not found (scripts/dev.sh installs it)"

out=$(mktemp -d "${TMPDIR:-/tmp}/calorvin-package.XXXXXX")
trap 'rm -rf "$out"' EXIT
"$cpack" --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log" >&2; fail "cpack"; }
set -- "$out"/calorvin_*.deb
[ -f "$1" ] || fail "cpack made no calorvin_*.deb"

depends=$(dpkg-deb -f "$1" Depends)
for package in $("$facts" --faces | awk -F '\t' '$3 != "" { print $1 }' | sort -u); do
  echo "$depends" | grep -Eq "(^|, )$package( |,|\$)" || fail "the package does not depend on $package"
done

if [ -n "$page" ]; then
  dpkg-deb --contents "$1" | grep -q ' \./usr/share/calorvin/calorvin\.html$' || fail "the package holds no calorvin.html"
fi

status=0
"$lintian" --display-info "$1" >"$out/lintian" 2>&1 || status=$?
grep -v 'running with root privileges' "$out/lintian" || true # as root it says so: no finding about the package
[ "$status" -eq 0 ] || fail "lintian ended with status $status"
! grep -E '^[EW]: |hardening' "$out/lintian" >/dev/null || fail "lintian finds the package wanting"
echo "package check passed: $(basename "$1")"
