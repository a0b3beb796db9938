#!/usr/bin/env bash
# Prints the same batch of N one-page documents to a private PDF printer and gives the time per
# document, counted until the batch's last PDF has landed:
#   quirella-batch (pause 0), one office for the whole batch through the Writer bridge;
#   soffice --headless --pt PRINTER with all documents, LibreOffice's own one-process batch;
#   (N <= 20 only) soffice --headless --pt PRINTER once per document, one office start per document.
# The first two run in turn, ROUNDS pairs per size (the machine is shared: medians of pairs taken
# side by side), after one warm-up print each so that no method pays for a first start.
#
# Usage: bench/print-batch.sh [--mix] [N...]   (default 20; builds the release preset first)
#   --mix   the documents are the seven kinds in turn (.txt .rtf .htm .html .doc .docx .dot, the
#           test samples) instead of one-line text documents
# Environment: ROUNDS (default 3); QUIRELLA_BATCH=path measures another build of quirella-batch.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mix=0
if [ "${1:-}" = --mix ]; then mix=1; shift; fi
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(20)
rounds=${ROUNDS:-3}

if [ -z "${QUIRELLA_BATCH:-}" ]; then
    cmake --preset release -S "$root" >/dev/null
    cmake --build "$root/build/release" --target quirella-batch >/dev/null
fi
batch=${QUIRELLA_BATCH:-$root/build/release/app/quirella-batch}

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

kinds=(txt rtf htm html doc docx dot)
# make_docs N: the batch's documents, in docs[].
make_docs() {
    local n=$1 i kind dir=$work/docs-$1
    docs=()
    mkdir -p "$dir"
    for i in $(seq -w 1 "$n"); do
        if [ "$mix" = 1 ]; then
            kind=${kinds[$(( (10#$i - 1) % ${#kinds[@]} ))]}
            cp "$root/tests/data/sample.$kind" "$dir/doc-$i.$kind"
            docs+=("$dir/doc-$i.$kind")
        else
            printf 'Quirella benchmark page %s\n一页纸的测试文档。\n' "$i" > "$dir/page-$i.txt"
            docs+=("$dir/page-$i.txt")
        fi
    done
}

now() { date +%s.%N; }
pdfs() { find "$work/out" -name '*.pdf' | wc -l; }
# Waits until `want` PDFs have landed, at most a minute after the printing process has ended (every
# job has reached CUPS by then). A shortfall is noted in $work/short and the bench goes on.
wait_for() {
    local want=$1 label=$2
    for _ in $(seq 600); do [ "$(pdfs)" -ge "$want" ] && return 0; sleep 0.1; done
    echo "$label: $((n - want + $(pdfs))) of $n printed" >> "$work/short"
    echo "bench: $label: only $((n - want + $(pdfs))) of $n documents printed" >&2
}
# timed COMMAND...: runs it, waits for its n PDFs, prints the seconds taken.
timed() {
    local base t0
    base=$(pdfs)
    t0=$(now)
    "$@" >/dev/null 2>&1 || echo "$1: exit status $? at $n documents" >> "$work/short"
    wait_for $((base + n)) "$1"
    awk -v a="$t0" -v b="$(now)" 'BEGIN { printf "%.4f\n", b - a }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
quirella() { "$batch" --pause-ms 0 "${docs[@]}"; }
soffice_batch() { soffice --headless -env:UserInstallation="$profile" --pt Quirella-PDF "${docs[@]}"; }

# Warm both offices' profiles once.
n=1 make_docs 1
n=1 timed quirella >/dev/null
n=1 timed soffice_batch >/dev/null

printf '%s documents, %d rounds, quirella-batch: %s\n' "$([ "$mix" = 1 ] && echo mixed || echo text)" "$rounds" "$batch"
printf '%6s %12s %12s %8s %14s\n' N quirella soffice-pt ratio one-per-doc
for n in "${sizes[@]}"; do
    make_docs "$n"
    q=() s=()
    : > "$work/short"
    for _ in $(seq "$rounds"); do
        q+=("$(timed quirella)")
        s+=("$(timed soffice_batch)")
    done
    qm=$(printf '%s\n' "${q[@]}" | median)
    sm=$(printf '%s\n' "${s[@]}" | median)
    each=-
    if [ "$n" -le 20 ]; then
        base=$(pdfs) t0=$(now)
        for doc in "${docs[@]}"; do
            soffice --headless -env:UserInstallation="$profile" --pt Quirella-PDF "$doc" >/dev/null 2>&1
        done
        wait_for $((base + n)) soffice-once-per-document
        each=$(awk -v a="$t0" -v b="$(now)" -v n="$n" 'BEGIN { printf "%.1f ms", (b - a) / n * 1000 }')
    fi
    awk -v n="$n" -v q="$qm" -v s="$sm" -v e="$each" -v qa="${q[*]}" -v sa="${s[*]}" 'BEGIN {
        printf "%6d %9.1f ms %9.1f ms %8.2f %14s   (runs, s: quirella %s; soffice %s)\n", n, q / n * 1000, s / n * 1000, q / s, e, qa, sa
    }'
    [ ! -s "$work/short" ] || sort "$work/short" | uniq -c | sed 's/^/        short: /'
done
