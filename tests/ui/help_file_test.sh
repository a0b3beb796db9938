#!/usr/bin/env bash
# The help file as built: a CHM archive with the Chinese pages, its contents file in GBK, as a Chinese
# help viewer reads it.
#   tests/ui/help_file_test.sh HELP_CHM
set -euo pipefail
help=$1
fail() { echo "help_file_test: $*" >&2; exit 1; }

[ -s "$help" ] || fail "no help file at $help"
listing=$(chmls -n list "$help")
for page in /index.html /usage.html /messages.html /keys.html /style.css /toc.hhc; do
    grep -qx "$page" <<<"$listing" || fail "$page is not in the archive"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmls extract "$help" /index.html "$work/index.html" >/dev/null
grep -q '<title>Quirella 帮助</title>' "$work/index.html" || fail "index.html lost its title"
chmls extract "$help" /toc.hhc "$work/toc.hhc" >/dev/null
iconv -f GBK -t UTF-8 "$work/toc.hhc" >"$work/toc.utf8" || fail "toc.hhc is not GBK"
for entry in 打印步骤 提示信息说明 快捷键; do
    grep -q "value=\"$entry\"" "$work/toc.utf8" || fail "the contents lack $entry"
done
# The pages the contents name are the ones in the archive.
for local in $(sed -n 's/.*name="Local" value="\([^"]*\)".*/\1/p' "$work/toc.utf8"); do
    grep -qx "/$local" <<<"$listing" || fail "the contents name $local, which is missing"
done
echo "help_file_test: $(grep -c . <<<"$listing") entries, contents in GBK"
