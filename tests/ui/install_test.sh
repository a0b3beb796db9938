#!/usr/bin/env bash
# What cmake --install lays out for a Linux desktop: the program with help.chm beside it, a command on
# the PATH that reaches it, a valid menu entry and the icon at every size.
#   tests/ui/install_test.sh BUILD_DIR
set -euo pipefail
build=$1
fail() { echo "install_test: $*" >&2; exit 1; }

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

program=$prefix/libexec/quirella/quirella
[ -x "$program" ] || fail "no program at $program"
[ -s "$prefix/libexec/quirella/help.chm" ] || fail "help.chm is not beside the program"
[ -L "$prefix/bin/quirella" ] || fail "bin/quirella is not a link"
[ "$(readlink -f "$prefix/bin/quirella")" = "$(readlink -f "$program")" ] || fail "bin/quirella does not reach the program"

entry=$prefix/share/applications/quirella.desktop
[ -f "$entry" ] || fail "no menu entry"
desktop-file-validate "$entry" || fail "the menu entry is not valid"
grep -qx 'Exec=quirella' "$entry" || fail "the menu entry does not run quirella"
grep -qx 'Icon=quirella' "$entry" || fail "the menu entry has no icon"

for size in 16 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/quirella.png
    [ -f "$icon" ] || fail "no ${size}x${size} icon"
    [ "$(identify -format '%wx%h' "$icon")" = "${size}x${size}" ] || fail "the ${size}x${size} icon has another size"
done
echo "install_test: program, help, command, menu entry and icons in place"
