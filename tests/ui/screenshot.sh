#!/usr/bin/env bash
# Runs the desktop program in a real X server (Xvfb, with a window manager for the frames), opens each of
# its windows in turn and saves a screenshot of the screen with it:
#   main.png  printer-list.png  about.png  about-link-hover.png  error-box.png  file-dialog.png  long-path.png
#   long-path-tooltip.png  copies-error-box.png  help.png (with a CHM viewer)
# Fails when a window does not come up, has another client size than its layout's, or when the program
# does not end with status 0 after its Close button. It clicks and types as a user would: the access
# keys Alt+P, Alt+A and Alt+C are pressed here for real.
#   tests/ui/screenshot.sh QUIRELLA OUTPUT_DIR [DPI]      (DPI 96 by default; 192 draws at twice the size)
set -euo pipefail

program=$1
out=$2
dpi=${3:-96}

if [ -z "${QUIRELLA_IN_XVFB:-}" ]; then
    export QUIRELLA_IN_XVFB=1
    # A screen as large, in inches, at every density. -noreset keeps Xft.dpi when a client leaves.
    exec xvfb-run -a -s "-screen 0 $((1280 * dpi / 96))x$((1024 * dpi / 96))x24 -dpi $dpi -noreset" "$0" "$@"
fi

mkdir -p "$out"
unset QT_QPA_PLATFORM
# A sanitized build's leak checker, told what the system's libraries keep until exit.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lsan.supp}
export LANG=C.UTF-8
# Qt takes the screen's density from Xft.dpi.
echo "Xft.dpi: $dpi" | xrdb -nocpp -merge
scale=$((dpi / 96))

fail() { echo "screenshot: $*" >&2; exit 1; }

openbox --sm-disable >/dev/null 2>&1 &
wm=$!
"$program" &
app=$!
cleanup() { kill "$app" "$wm" 2>/dev/null || true; }
trap cleanup EXIT

# The visible window whose title matches, waited for at most 30 s.
window() { timeout 30 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }
# Sets X, Y (the client area's top-left on the screen), WIDTH and HEIGHT of a window. (xdotool's own
# geometry counts a reparenting window manager's frame offset twice.)
geometry() {
    local info
    info=$(xwininfo -id "$1")
    X=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
    Y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
    WIDTH=$(sed -n 's/^ *Width: *//p' <<<"$info")
    HEIGHT=$(sed -n 's/^ *Height: *//p' <<<"$info")
}
expectSize() {
    geometry "$1"
    [ "$WIDTH" -eq $(($2 * scale)) ] && [ "$HEIGHT" -eq $(($3 * scale)) ] ||
        fail "$4 is ${WIDTH}x${HEIGHT}, not $(($2 * scale))x$(($3 * scale))"
}
# Clicks the point (x, y) of the layout, in 96-dpi pixels, of the window last measured.
click() { xdotool mousemove --sync $((X + $1 * scale)) $((Y + $2 * scale)) click 1; }
point() { xdotool mousemove --sync $((X + $1 * scale)) $((Y + $2 * scale)); }
# Painting follows mapping by a moment; the pictures are for a person to look at, nothing is timed.
shoot() { sleep 1; import -window root "$out/$1"; echo "screenshot: $out/$1"; }
gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "the window \"$1\" did not close"
}

main=$(window '^Quirella$')
[ -n "$main" ] || fail "the main window did not appear"
expectSize "$main" 475 280 "the main window"
shoot main.png

click $((248 + 120)) $((152 + 10))   # the printer choice's arrow: its list, 13 pixels an entry
shoot printer-list.png
xdotool key Escape                    # closes the list, not the window
sleep 1
kill -0 "$app" 2>/dev/null || fail "Esc on the open printer list closed the program"

click $((392 + 37)) $((184 + 12))    # About
about=$(window '关于本软件')
[ -n "$about" ] || fail "the About box did not appear"
expectSize "$about" 327 205 "the About box"
shoot about.png
geometry "$about"
point $((8 + 104 + 140)) $((8 + 88 + 6))  # over the link, right of its text
shoot about-link-hover.png
xdotool key Return
gone '关于本软件'

xdotool key alt+p                     # Start printing, with no documents
box=$(window '消息框')
[ -n "$box" ] || fail "the error box did not appear"
shoot error-box.png
xdotool key Return
gone '消息框'

xdotool key alt+a                     # Add documents
dialog=$(window '选择要打印的文档')
[ -n "$dialog" ] || fail "the file dialog did not appear"
shoot file-dialog.png
# A long name typed in, of a file that is not there: the list takes it as typed, cut in its middle.
sleep 1  # the dialog's name field takes the keys once it has the focus
xdotool type --delay 10 "/home/user/Documents/quarterly-reports/2026/finance-department/drafts/annual-report-final.doc"
xdotool key Return
gone '选择要打印的文档'
geometry "$main"
shoot long-path.png
point 200 32                          # over the list's entry: its tooltip has the whole path
shoot long-path-tooltip.png

click $((248 + 16)) $((120 + 10))    # the copies field, given a word
xdotool key ctrl+a
xdotool type "abc"
xdotool key alt+p
box=$(window '出错了')
[ -n "$box" ] || fail "the copies error box did not appear"
shoot copies-error-box.png
xdotool key Return
gone '出错了'

# Help opens help.chm with the desktop's opener, where a CHM viewer is installed.
if command -v xdg-open >/dev/null && command -v xchm >/dev/null; then
    xdotool key alt+h
    viewer=$(window 'Quirella 帮助' || true)
    if [ -z "$viewer" ]; then
        # xchm now and then dies of an X error while it starts under Xvfb; Help is asked once more.
        xdotool windowactivate --sync "$main"
        xdotool key alt+h
        viewer=$(window 'Quirella 帮助' || true)
    fi
    [ -n "$viewer" ] || fail "Help did not open help.chm in a viewer"
    shoot help.png
    kill "$(xdotool getwindowpid "$viewer")"
    gone 'Quirella 帮助'
    xdotool windowactivate --sync "$main"
fi

xdotool key alt+c                     # Close
status=0
wait "$app" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status"
echo "screenshot: the program closed with status 0"
