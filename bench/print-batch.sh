#!/usr/bin/env bash
# Prints the same batch of N one-page documents to a private PDF printer three ways and prints the
# time per document of each, counted until the last PDF has landed:
#   quirella-batch (pause 0), one office for the whole batch through the Writer bridge;
#   soffice --headless --pt PRINTER with all documents, LibreOffice's own one-process batch;
#   soffice --headless --pt PRINTER once per document, one office start per document.
# Usage: bench/print-batch.sh [N]   (default 20; builds the release preset first)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
n=${1:-20}

cmake --preset release -S "$root" >/dev/null
cmake --build "$root/build/release" --target quirella-batch >/dev/null
batch=$root/build/release/app/quirella-batch

work=$(mktemp -d)
cleanup() {
    "$root/scripts/private-cups" stop "$work/cups" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
export CUPS_SERVER
CUPS_SERVER=$("$root/scripts/private-cups" start "$work/cups" "$work/out")
export XDG_CACHE_HOME=$work/cache
profile="file://$work/soffice-profile"

docs=()
mkdir -p "$work/docs"
for i in $(seq -w 1 "$n"); do
    printf 'Quirella benchmark page %s\n一页纸的测试文档。\n' "$i" > "$work/docs/page-$i.txt"
    docs+=("$work/docs/page-$i.txt")
done

now() { date +%s.%N; }
pdfs() { find "$work/out" -name '*.pdf' | wc -l; }
# Waits until `want` PDFs have landed, at most a minute.
wait_for() {
    local want=$1
    for _ in $(seq 600); do [ "$(pdfs)" -ge "$want" ] && return 0; sleep 0.1; done
    echo "bench: only $(pdfs) of $want PDFs arrived" >&2
    exit 1
}

# Warm both offices' profiles once, so that no method pays for a first start.
"$batch" --pause-ms 0 "${docs[0]}" >/dev/null
soffice --headless -env:UserInstallation="$profile" --pt Quirella-PDF "${docs[0]}" >/dev/null 2>&1
wait_for 2
base=$(pdfs)

t0=$(now)
"$batch" --pause-ms 0 "${docs[@]}" >/dev/null
wait_for $((base + n))
t1=$(now)
soffice --headless -env:UserInstallation="$profile" --pt Quirella-PDF "${docs[@]}" >/dev/null 2>&1
wait_for $((base + 2 * n))
t2=$(now)
for doc in "${docs[@]}"; do
    soffice --headless -env:UserInstallation="$profile" --pt Quirella-PDF "$doc" >/dev/null 2>&1
done
wait_for $((base + 3 * n))
t3=$(now)

awk -v n="$n" -v a="$t0" -v b="$t1" -v c="$t2" -v d="$t3" 'BEGIN {
    q = (b - a) / n; one = (c - b) / n; each = (d - c) / n
    printf "documents: %d\n", n
    printf "quirella-batch:                  %7.1f ms per document\n", q * 1000
    printf "soffice --pt, one process:       %7.1f ms per document\n", one * 1000
    printf "soffice --pt, one per document:  %7.1f ms per document\n", each * 1000
    printf "quirella-batch / one process:    %7.2f (target at most 1.2)\n", q / one
    printf "one per document / quirella:     %7.2f (target at least 5)\n", each / q
}'
