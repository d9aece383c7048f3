#!/bin/sh
# Installs a build into a temporary prefix and checks what a desktop needs:
# the program in bin/, a valid desktop entry naming it and its icon, the icon
# itself, and an installed program that starts and keeps running.
#   check_install.sh <cmake> <build dir> <desktop-file-validate>
set -eu
cmake=$1
build=$2
validate=$3

fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$(mktemp -d "${TMPDIR:-/tmp}/calorvin-install.XXXXXX")
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$prefix"
}
trap cleanup EXIT

"$cmake" --install "$build" --prefix "$prefix" >/dev/null

program=$prefix/bin/calorvin
entry=$prefix/share/applications/calorvin.desktop
icon=$prefix/share/icons/hicolor/scalable/apps/calorvin.svg
[ -x "$program" ] || fail "no executable $program"
[ -f "$entry" ] || fail "no desktop entry $entry"
[ -f "$icon" ] || fail "no icon $icon"
grep -q '<svg' "$icon" || fail "$icon is not an SVG image"

# The entry must be valid; hints are advice, errors and warnings are not.
command -v "$validate" >/dev/null 2>&1 ||
  fail "desktop-file-validate not found (scripts/dev.sh installs desktop-file-utils)"
report=$("$validate" "$entry" 2>&1) || fail "desktop-file-validate: $report"
if printf '%s\n' "$report" | grep -Eq ': (error|warning):'; then
  fail "desktop-file-validate: $report"
fi
# It must start the installed program and name the installed icon.
key() { sed -n "s/^$1=//p" "$entry" | head -n 1; }
[ "$(key Exec)" = calorvin ] || fail "Exec is '$(key Exec)', not the installed calorvin"
[ "$(key Icon)" = calorvin ] || fail "Icon is '$(key Icon)', not the installed calorvin.svg"
for category in Science Utility; do
  key Categories | tr ';' '\n' | grep -qx "$category" || fail "Categories lack $category"
done

# The installed program starts on the offscreen platform and is still running
# a second later (a missing library, plugin or font file would end it sooner).
QT_QPA_PLATFORM=offscreen "$program" &
pid=$!
sleep 1
kill -0 "$pid" 2>/dev/null || { wait "$pid" || status=$?; pid=; fail "calorvin ended at once (status ${status:-0})"; }
echo "install check passed: $prefix"
