#!/usr/bin/env bash
# The main window while a print run holds it, in a real X server with a window manager, printing through
# the real word processor to a private PDF printer:
#   - moved half off the screen and back during the run, the window is drawn whole: a screenshot taken
#     mid-run (run-moved.png) has no unpainted (black) pixel in its client area;
#   - a second click on Start printing and an Enter given during the run are dropped: exactly one run's
#     jobs arrive;
#   - a close asked for during a run ends the program once the run is over, every job printed, status 0.
# Needs LibreOffice Writer (the Linux "Word.Application"); without it the test is skipped.
#   tests/ui/run_window.sh QUIRELLA PDF_DIR SCREENSHOT_DIR
# CUPS_SERVER names the private scheduler whose queue writes into PDF_DIR; XDG_CACHE_HOME holds the
# offices' profiles, by which what is left of an office is found.
set -euo pipefail

program=$1
pdfs=$2
shots=$3
samples=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../resources/samples" && pwd)

command -v soffice >/dev/null || { echo "run_window: no LibreOffice here; skipped"; exit 77; }

if [ -z "${QUIRELLA_IN_XVFB:-}" ]; then
    export QUIRELLA_IN_XVFB=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96 -noreset" "$0" "$@"
fi

unset QT_QPA_PLATFORM
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lsan.supp}
export LANG=C.UTF-8
echo "Xft.dpi: 96" | xrdb -nocpp -merge
mkdir -p "$shots"
marker="${XDG_CACHE_HOME:-$HOME/.cache}/quirella/office"

documents=3
copies=3
jobs=$((documents * copies))

count() { find "$pdfs" -maxdepth 1 -name '*.pdf' 2>/dev/null | wc -l; }
# The processes whose command line names this build's office profiles.
offices() {
    local dir cmdline
    for dir in /proc/[0-9]*; do
        cmdline=$( { tr '\0' ' ' <"$dir/cmdline"; } 2>/dev/null) || continue
        [[ "$cmdline" == *"$marker"* ]] && echo "${dir#/proc/}"
    done
    return 0
}
waitForJobs() {  # the count to reach, the seconds to wait at most
    for _ in $(seq $(($2 * 10))); do
        [ "$(count)" -ge "$1" ] && return 0
        sleep 0.1
    done
    return 1
}

openbox --sm-disable >/dev/null 2>&1 &
wm=$!
app=
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    kill "$wm" 2>/dev/null
    local left
    left=$(offices)
    [ -n "$left" ] && kill -9 $left 2>/dev/null
    return 0
}
trap cleanup EXIT
fail() { echo "run_window: $*" >&2; exit 1; }

before=$(count)
"$program" &
app=$!

main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Quirella$' | head -n 1)
[ -n "$main" ] || fail "no main window"
geometry() {
    local info
    info=$(xwininfo -id "$main")
    X=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
    Y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
}
click() { xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1; }
geometry

xdotool key alt+a
timeout 30 xdotool search --sync --onlyvisible --name '选择要打印的文档' >/dev/null || fail "no file dialog"
sleep 1  # the dialog's name field takes the keys once it has the focus
xdotool type --delay 10 "\"$samples/letter.rtf\" \"$samples/page.html\" \"$samples/readme.txt\""
xdotool key Return
sleep 1
click $((248 + 16)) $((120 + 10))     # the copies field
xdotool key ctrl+a
xdotool type "$copies"

# ---- A run, the window moved and clicked while it goes ------------------------------------------------
xdotool key alt+p
waitForJobs $((before + 1)) 120 || fail "the first job did not arrive"
# Half off the screen and back: the part that was off it has to be painted again.
xdotool windowmove "$main" -300 "$Y"
sleep 0.5
xdotool windowmove "$main" "$X" "$Y"
sleep 1.5
geometry
import -window root "$shots/run-moved.png"
inRun=$(count)
[ "$inRun" -lt $((before + jobs)) ] || fail "the run was over before the screenshot; it shows nothing"
# Unpainted is black, and solid: a 7 by 7 block of pure black anywhere in the client area (a label's black
# text has strokes a pixel or two wide).
unpainted=$(convert "$shots/run-moved.png" -crop "475x280+$X+$Y" +repage -fill white +opaque '#000000' -negate \
    -morphology Erode Square:3 -format '%[fx:maxima]' info:)
[ "$unpainted" = 0 ] || fail "part of the window at $X,$Y is unpainted (solid black) in $shots/run-moved.png"
echo "run_window: the window moved mid-run is drawn whole ($shots/run-moved.png)"

click $((392 + 37)) $((120 + 12))     # Start printing, again
xdotool key Return
waitForJobs $((before + jobs)) 180 || fail "the run did not print its $jobs jobs"
# A replayed click would start a second run now; its first job would come within seconds.
sleep 8
[ "$(count)" -eq $((before + jobs)) ] || fail "$(($(count) - before)) jobs arrived, not one run's $jobs"
import -window root "$shots/run-log.png"
echo "run_window: a click and an Enter during the run were dropped: $jobs jobs, one run's"

# ---- A close during a run ------------------------------------------------------------------------------
xdotool windowactivate --sync "$main"
xdotool key alt+p
waitForJobs $((before + jobs + 1)) 120 || fail "the second run's first job did not arrive"
xdotool key alt+F4                    # the window manager's close
status=0
timeout 180 tail --pid="$app" -f /dev/null || fail "the program did not end after the run"
wait "$app" || status=$?
app=
[ "$status" -eq 0 ] || fail "the program ended with status $status"
[ "$(count)" -eq $((before + 2 * jobs)) ] ||
    fail "the program ended with $(($(count) - before - jobs)) of the second run's $jobs jobs printed"
sleep 1
[ -z "$(offices)" ] || fail "an office is left running: $(offices)"
echo "run_window: a close during the run ended the program after it, all $jobs jobs printed"
