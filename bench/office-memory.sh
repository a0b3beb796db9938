#!/usr/bin/env bash
# The office's resident memory over one long batch: quirella-batch prints N documents (the sample
# documents in turn: text, RTF, Word 97, Word 2007, HTML) to a private PDF printer, while the
# VmRSS of its soffice.bin is read from /proc every 50 ms. For each checkpoint K it prints the last
# reading taken while document K was the newest one started (so documents 1..K have been opened).
# Usage: bench/office-memory.sh [N [K...]]   (default 500, checkpoints 20 and N)
# QUIRELLA_BATCH=path measures another build of quirella-batch; otherwise the release preset is built.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
n=${1:-500}
shift || true
checkpoints=("$@")
[ ${#checkpoints[@]} -gt 0 ] || checkpoints=(20 "$n")

batch=${QUIRELLA_BATCH:-}
if [ -z "$batch" ]; then
    cmake --preset release -S "$root" >/dev/null
    cmake --build "$root/build/release" --target quirella-batch >/dev/null
    batch=$root/build/release/app/quirella-batch
fi

work=$(mktemp -d)
pid=''
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    "$root/scripts/private-cups" stop "$work/cups" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
export CUPS_SERVER
CUPS_SERVER=$("$root/scripts/private-cups" start "$work/cups" "$work/out")
export XDG_CACHE_HOME=$work/cache

samples=(sample.txt sample.rtf sample.doc sample.docx sample.html)
docs=()
mkdir -p "$work/docs"
for i in $(seq 1 "$n"); do
    sample=${samples[$(((i - 1) % ${#samples[@]}))]}
    doc=$work/docs/$(printf 'doc-%04d' "$i").${sample##*.}
    cp "$root/tests/data/$sample" "$doc"
    docs+=("$doc")
done

# A short pause after each document, so that every document is seen at least once.
"$batch" --pause-ms 100 -p Quirella-PDF "${docs[@]}" >"$work/log" &
pid=$!
declare -A rss
while kill -0 "$pid" 2>/dev/null; do
    # Looked up each time: a new profile makes the office start twice.
    office=$(pgrep -P "$pid" -x soffice.bin | head -n 1 || true)
    if [ -n "$office" ] && kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$office/status" 2>/dev/null) && [ -n "$kb" ]; then
        started=$(grep -c '^正在提交文档' "$work/log" || true)
        rss[$started]=$kb
    fi
    sleep 0.05
done
wait "$pid" || { echo "bench: quirella-batch exited $?" >&2; exit 1; }
pid=''
failed=$(grep -c '打印失败' "$work/log" || true)

echo "documents: $n (failed: $failed)"
for k in "${checkpoints[@]}"; do
    if [ -n "${rss[$k]:-}" ]; then
        awk -v k="$k" -v kb="${rss[$k]}" 'BEGIN { printf "office VmRSS after %4d documents: %7.1f MB\n", k, kb / 1024 }'
    else
        echo "office VmRSS after $k documents: not seen"
    fi
done
