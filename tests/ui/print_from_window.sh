#!/usr/bin/env bash
# A print run started from the real window, as a user starts one: the documents chosen in the file
# dialog, Alt+P, and the word processor's jobs arriving as PDFs at the private printer, text intact.
# Saves the window mid-run and after it, with its log, as print-progress.png and print-log.png. Needs LibreOffice Writer (the Linux
# "Word.Application"); without it the run ends with the set-up failure line and this test is skipped.
#   tests/ui/print_from_window.sh QUIRELLA PDF_DIR SCREENSHOT_DIR
# CUPS_SERVER names the private scheduler whose queue writes into PDF_DIR.
set -euo pipefail

program=$1
pdfs=$2
shots=$3
samples=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../resources/samples" && pwd)

command -v soffice >/dev/null || { echo "print_from_window: no LibreOffice here; skipped"; exit 77; }

if [ -z "${QUIRELLA_IN_XVFB:-}" ]; then
    export QUIRELLA_IN_XVFB=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi

unset QT_QPA_PLATFORM
# A sanitized build's leak checker, told what the system's libraries keep until exit.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lsan.supp}
export LANG=C.UTF-8
mkdir -p "$shots"
fail() { echo "print_from_window: $*" >&2; exit 1; }
count() { find "$pdfs" -maxdepth 1 -name '*.pdf' 2>/dev/null | wc -l; }

openbox --sm-disable >/dev/null 2>&1 &
wm=$!
before=$(count)
"$program" &
app=$!
trap 'kill "$app" "$wm" 2>/dev/null || true' EXIT

timeout 30 xdotool search --sync --onlyvisible --name '^Quirella$' >/dev/null || fail "no main window"
xdotool key alt+a
timeout 30 xdotool search --sync --onlyvisible --name '选择要打印的文档' >/dev/null || fail "no file dialog"
sleep 1  # the dialog's name field takes the keys once it has the focus
xdotool type --delay 10 "\"$samples/letter.rtf\" \"$samples/page.html\""
xdotool key Return
sleep 1
xdotool key alt+p

# The run holds the window until the word processor has had both documents; waited for, not timed.
# Once the first job is in, the window is caught mid-run: its log should already show the lines so far.
for _ in $(seq 240); do
    [ "$(count)" -ge $((before + 1)) ] && break
    sleep 0.1
done
import -window root "$shots/print-progress.png"
for _ in $(seq 240); do
    [ "$(count)" -ge $((before + 2)) ] && break
    sleep 0.5
done
[ "$(count)" -ge $((before + 2)) ] || fail "the printer did not get two jobs"
sleep 2
import -window root "$shots/print-log.png"

texts=$(for pdf in $(find "$pdfs" -maxdepth 1 -name '*.pdf' | sort | tail -n 2); do pdftotext "$pdf" -; done)
grep -q 'Quirella RTF sample' <<<"$texts" || fail "the RTF sample did not print"
grep -q '一份用来试打印的网页文档' <<<"$texts" || fail "the HTML sample did not print"

xdotool key alt+c
status=0
wait "$app" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status"
echo "print_from_window: two documents printed from the window"
