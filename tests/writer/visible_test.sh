#!/usr/bin/env bash
# "Visible" on a display: with --show the office shows each document in a Writer window while it
# prints; without it, no window appears. Runs its own X server (Xvfb).
#   visible_test.sh QUIRELLA_BATCH SAMPLE_DOCUMENT
set -euo pipefail
batch=$1
sample=$2
export LC_ALL=C.UTF-8

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$sample" "$work/visible-sample.txt"

# Runs one print with a long pause after the document, and reports whether a window titled after
# the document showed up meanwhile.
window_seen() {
    local show=$1
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        "$1" --pause-ms 4000 $2 "$3" >/dev/null &
        run=$!
        seen=no
        # Watch for as long as the run lasts (bounded): on a busy machine the office may take
        # longer to start than the pause lasts.
        for _ in $(seq 600); do
            # A hidden document may still have a window, unmapped: only a viewable one counts.
            for id in $(xwininfo -root -tree 2>/dev/null | grep "visible-sample.txt" | awk "{print \$1}"); do
                xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable" && seen=yes
            done
            [ $seen = yes ] && break
            kill -0 $run 2>/dev/null || break
            sleep 0.1
        done
        wait $run
        echo $seen' _ "$batch" "$show" "$work/visible-sample.txt"
}

failed=0
shown=$(window_seen --show)
hidden=$(window_seen "")
[ "$shown" = yes ] || { echo "FAIL: with --show no Writer window showed the document"; failed=1; }
[ "$hidden" = no ] || { echo "FAIL: without --show a window showed the document"; failed=1; }
[ $failed -eq 0 ] && echo "PASS: the document is shown with --show and hidden without"
exit $failed
