#!/usr/bin/env bash
# What cmake --install lays out for the command line: the manual pages, which man renders without a
# warning and which name their program and version, and the bash completion.
#   tests/packaging/manuals_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
export LC_ALL=C.UTF-8
fail() { echo "manuals_test: $*" >&2; exit 1; }

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

for page in quirella-batch quirella; do
    file=$prefix/share/man/man1/$page.1.gz
    [ -f "$file" ] || fail "no $page(1) at $file"
    warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$file" 2>&1 >/dev/null) || fail "man cannot render $page(1)"
    [ -z "$warnings" ] || fail "$page(1) renders with warnings: $warnings"
    text=$(MANWIDTH=80 man -E UTF-8 -l "$file" 2>/dev/null)
    grep -q "^ *$page - " <<<"$text" || fail "$page(1) has no NAME line for $page"
    grep -q "Quirella $version" <<<"$text" || fail "$page(1) does not say version $version"
done
[ -f "$prefix/share/bash-completion/completions/quirella-batch" ] || fail "no bash completion for quirella-batch"
echo "manuals_test: quirella-batch(1), quirella(1) and the completion in place"
