#!/bin/sh
# Installs a build into a temporary prefix and checks what a desktop needs:
# the program in bin/, a valid desktop entry naming it and its icon, the icon
# itself, valid AppStream metadata naming the entry, the manual page, the
# changelog and copyright the Debian package needs, and an installed program
# that starts and keeps running.
#   check_install.sh <cmake> <build dir> <desktop-file-validate> <appstreamcli> <version>
set -eu
cmake=$1
build=$2
validate=$3
appstreamcli=$4
version=$5

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

# The entry must be valid, without even a hint (two main categories, for
# one, list the program twice in menus).
command -v "$validate" >/dev/null 2>&1 ||
  fail "desktop-file-validate not found (scripts/dev.sh installs desktop-file-utils)"
report=$("$validate" "$entry" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
# It must start the installed program and name the installed icon.
key() { sed -n "s/^$1=//p" "$entry" | head -n 1; }
[ "$(key Exec)" = calorvin ] || fail "Exec is '$(key Exec)', not the installed calorvin"
[ "$(key Icon)" = calorvin ] || fail "Icon is '$(key Icon)', not the installed calorvin.svg"
key Categories | tr ';' '\n' | grep -qx Science || fail "Categories lack Science"

# What software centres list: valid AppStream metadata whose launchable is the
# installed desktop entry.
command -v "$appstreamcli" >/dev/null 2>&1 || fail "appstreamcli not found (scripts/dev.sh installs appstream)"
set -- "$prefix"/share/metainfo/*.metainfo.xml
[ -f "$1" ] || fail "no AppStream metadata in $prefix/share/metainfo"
report=$("$appstreamcli" validate --no-net "$1" 2>&1) || fail "appstreamcli: $report"
[ "$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$1")" = "$(basename "$entry")" ] ||
  fail "the AppStream launchable is not $(basename "$entry")"

# What Debian asks of a package beside the program: a manual page, a
# changelog whose latest entry is this version, a machine-readable copyright.
doc=$prefix/share/doc/calorvin
gzip -t "$prefix/share/man/man1/calorvin.1.gz" || fail "no manual page calorvin.1.gz"
# The manual page as man shows it on a narrow terminal: the options of
# --help, no other, and no word broken by hyphenation.
page=$(gzip -dc "$prefix/share/man/man1/calorvin.1.gz" | groff -man -Tascii -rLL=50n -P-cbou 2>/dev/null) ||
  fail "the manual page does not render"
options() { grep -oE -- '--[a-z-]+' | sort -u | tr '\n' ' '; }
[ "$(printf '%s\n' "$page" | options)" = "$("$program" --help | options)" ] ||
  fail "the manual page names the options $(printf '%s\n' "$page" | options)instead of those of --help"
! printf '%s\n' "$page" | grep -E '[[:alpha:]]-$' >&2 || fail "the manual page hyphenates words"
gzip -dc "$doc/changelog.gz" | head -n 1 | grep -q "^calorvin ($version) " ||
  fail "the changelog's latest entry is not calorvin ($version)"
head -n 1 "$doc/copyright" 2>/dev/null | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "$doc/copyright is missing or not in the machine-readable format"

# The installed program starts on the offscreen platform and is still running
# a second later (a missing library, plugin or font file would end it sooner).
# With every font package installed (scripts/dev.sh), it finds each face it
# asks for: a face it names as missing means a family name gone wrong.
QT_QPA_PLATFORM=offscreen "$program" 2>"$prefix/stderr" &
pid=$!
sleep 1
kill -0 "$pid" 2>/dev/null || { wait "$pid" || status=$?; pid=; fail "calorvin ended at once (status ${status:-0})"; }
! grep 'manca il carattere' "$prefix/stderr" >&2 || fail "faces missing, though scripts/dev.sh installs their packages"
echo "install check passed: $prefix"
