#!/usr/bin/env bash
# The desktop program ended by a signal in the middle of a print run, as a session's logout or a
# kill does: for each of SIGINT (to its process group), SIGTERM, SIGHUP and SIGKILL, the office it
# started is gone within 5 s, the program's status is 128 + the signal, and a run started right after
# (quirella-batch, on the same profile slots) prints. Needs LibreOffice Writer; skipped without it.
#   tests/ui/interrupt_window.sh QUIRELLA QUIRELLA_BATCH PDF_DIR
# CUPS_SERVER names the private scheduler whose queue writes into PDF_DIR; XDG_CACHE_HOME the
# offices' profiles, by which this test knows its offices from any other.
set -euo pipefail

program=$1
batch=$2
pdfs=$3
samples=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../resources/samples" && pwd)

command -v soffice >/dev/null || { echo "interrupt_window: no LibreOffice here; skipped"; exit 77; }
[ -n "${XDG_CACHE_HOME:-}" ] || { echo "interrupt_window: XDG_CACHE_HOME must be set" >&2; exit 1; }

if [ -z "${QUIRELLA_IN_XVFB:-}" ]; then
    export QUIRELLA_IN_XVFB=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi

unset QT_QPA_PLATFORM
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lsan.supp}
export LANG=C.UTF-8
fail() { echo "interrupt_window: $*" >&2; exit 1; }
count() { find "$pdfs" -maxdepth 1 -name '*.pdf' 2>/dev/null | wc -l; }
# The offices of this test: soffice.bin with a profile under our cache.
offices() {
    ps -eo pid=,stat=,args= | awk -v mark="UserInstallation=file://$XDG_CACHE_HOME/" \
        '$2 !~ /^Z/ && $3 ~ /soffice\.bin$/ && index($0, mark) { print $1 }'
}

app=
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
cleanup() {
    [ -n "$app" ] && kill -KILL -- "-$app" 2>/dev/null || true
    kill "$wm" 2>/dev/null || true
    for pid in $(offices); do kill -KILL "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

for signal in INT TERM HUP KILL; do
    [ -z "$(offices)" ] || fail "an office runs before the $signal case"
    # With job control, a process group of its own, as a terminal's job, and SIGINT not ignored, as a
    # shell without it would have it: SIGINT goes to the whole group, as Ctrl-C does.
    set -m
    "$program" &
    app=$!
    set +m
    timeout 30 xdotool search --sync --onlyvisible --name '^Quirella$' >/dev/null || fail "no main window"
    xdotool key alt+a
    timeout 30 xdotool search --sync --onlyvisible --name '选择要打印的文档' >/dev/null || fail "no file dialog"
    sleep 1  # the dialog's name field takes the keys once it has the focus
    xdotool type --delay 10 "\"$samples/letter.rtf\" \"$samples/readme.txt\""
    xdotool key Return
    sleep 1
    xdotool key alt+p
    for _ in $(seq 300); do
        [ -n "$(offices)" ] && break
        sleep 0.1
    done
    [ -n "$(offices)" ] || fail "no office started for the $signal case"

    if [ "$signal" = INT ]; then kill -INT -- "-$app"; else kill "-$signal" "$app"; fi
    for _ in $(seq 300); do
        state=$(awk '{ print $3 }' "/proc/$app/stat" 2>/dev/null || echo gone)
        [ "$state" = Z ] || [ "$state" = gone ] && break
        sleep 0.1
    done
    [ "$state" = Z ] || [ "$state" = gone ] || fail "SIG$signal did not end the program"
    status=0
    wait "$app" || status=$?
    app=
    expected=$((128 + $(kill -l "$signal")))
    [ "$status" -eq "$expected" ] || fail "SIG$signal: status $status, not $expected"
    for _ in $(seq 50); do
        [ -z "$(offices)" ] && break
        sleep 0.1
    done
    [ -z "$(offices)" ] || fail "SIG$signal: an office outlived the program: $(offices)"

    before=$(count)
    "$batch" --pause-ms 0 "$samples/readme.txt" >/dev/null || fail "SIG$signal: the next run failed"
    [ "$(count)" -eq $((before + 1)) ] || fail "SIG$signal: the next run printed nothing"
    pdftotext "$(find "$pdfs" -maxdepth 1 -name '*.pdf' | sort | tail -n 1)" - | grep -q 'Quirella' ||
        fail "SIG$signal: the next run's job lacks the sample's text"
    echo "interrupt_window: SIG$signal ended the program with $status and its office"
done
