#!/usr/bin/env bash
# The Windows build under Wine, headless: each target's unit tests, then quirella-batch.exe against the
# trace server registered as "Word.Application", first as a local server (as Word is), then as the
# in-process DLL, in both registry views. A private Wine prefix, a private CUPS scheduler with two
# printers and a compiled Chinese locale live in one temporary directory, removed at the end.
#
#   tests/windows/wine_test.sh WIN32_BUILD_DIR WIN64_BUILD_DIR
#
# QUIRELLA_WINE_TARGETS=win32 (or win64) runs one target only, while developing; both by default.
#
# The server is configured through the environment, which Wine hands from the client to the server COM
# starts: QUIRELLA_TRACE_LOG (where its lines go), QUIRELLA_TRACE_FAIL, QUIRELLA_TRACE_BUSY and
# QUIRELLA_TRACE_HOLD (see trace/com/TraceComServer.h).
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 WIN32_BUILD_DIR WIN64_BUILD_DIR" >&2; exit 64; }
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
declare -A build=([win32]=$(cd "$1" && pwd) [win64]=$(cd "$2" && pwd))
read -r -a targets <<<"${QUIRELLA_WINE_TARGETS:-win32 win64}"
for target in "${targets[@]}"; do
    [ -n "${build[$target]:-}" ] || { echo "$0: no target $target" >&2; exit 64; }
done
export PATH=$PATH:/usr/sbin:/sbin

readonly CLSID='{6C0E5A52-3B1F-4D8E-9A51-2F7C1D0B9E11}'  # trace::TraceServer::kClassId
readonly FIRST=Quirella-PDF SECOND=Quirella-Second
readonly SETUP_FAILED='系统没有安装Office软件，无法打印！'
readonly STARTED='正在提交打印任务...'
readonly FINISHED='打印任务提交完成,请关注打印机的处理！'
readonly QUIT_FAILED='系统错误，请检查！'
# Wine has no text for DISP_E_EXCEPTION; this suite's Linux expectation of Windows' English text is
# replaced by WordAutomationOnCom.AnErrorInsideOpenIsFilledInByTheClientAndRaisedWithTheSystemsText.
readonly UNIT_FILTER=-WordAutomationFailure.AnErrorInsideOpenIsFilledInAndRaisedAsDispException

work=$(mktemp -d "${TMPDIR:-/tmp}/quirella-wine.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    wineserver -k 2>/dev/null || true
    "$root/scripts/private-cups" stop "$work/cups" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
unset DISPLAY WAYLAND_DISPLAY

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# Each step is one check (or one piece of set-up); the closing line counts the steps.
steps=0
failed_steps=0
failures_before_step=0
close_step() {
    if [ "$steps" -gt 0 ] && [ "$failures" -gt "$failures_before_step" ]; then failed_steps=$((failed_steps + 1)); fi
}
step() {
    close_step
    steps=$((steps + 1))
    failures_before_step=$failures
    echo "== $*" >&2
}

# A Chinese Windows: Wine takes the code page (936) from LANG, and reads the Unix command line in the
# host locale's charset, which must be UTF-8. The locale is compiled here rather than installed.
step "locale zh_CN.UTF-8"
mkdir -p "$work/locale"
localedef -i zh_CN -f UTF-8 "$work/locale/zh_CN.UTF-8"
export LOCPATH=$work/locale
unset LC_ALL LC_CTYPE LC_MESSAGES
# Given to Wine only: this shell could not switch to the private locale, and would say so.
wine() { env LANG=zh_CN.UTF-8 wine "$@"; }

# Printers for Wine to find: it lists the CUPS queues that CUPS_SERVER names, and keeps its default.
step "private CUPS scheduler with $FIRST and $SECOND"
CUPS_SERVER=$("$root/scripts/private-cups" start "$work/cups" "$work/pdf")
export CUPS_SERVER
device=$(LC_ALL=C lpstat -v "$FIRST" | sed -n "s/^device for $FIRST: //p")
lpadmin -p "$SECOND" -E -v "$device" -m raw 2>/dev/null

step "Wine prefix"
started=$SECONDS
wine wineboot -u >/dev/null 2>&1
wineserver -w
echo "prefix ready in $((SECONDS - started)) s" >&2

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

default_printer() {
    wine reg query 'HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows' /v device 2>/dev/null |
        tr -d '\r' | sed -n 's/^ *device *REG_SZ *\([^,]*\),.*/\1/p'
}

# ---- unit tests, before anything is registered ------------------------------------------------------
for target in "${targets[@]}"; do
    step "$target unit tests"
    out=$work/$target-unit.txt
    if ! QUIRELLA_EXPECT_ACP=936 QUIRELLA_TEST_PRINTERS=$FIRST,$SECOND \
        wine "${build[$target]}/tests/windows/windows_tests.exe" --gtest_filter="$UNIT_FILTER" >"$out" 2>&1; then
        grep -E '^\[  FAILED|Failure' -A6 "$out" >&2 || tail -20 "$out" >&2
        fail "$target unit tests"
    fi
    grep -q '^\[  SKIPPED' "$out" && { grep '^\[  SKIPPED' "$out" >&2; fail "$target unit tests skipped some"; }
    grep -E '^\[  PASSED' "$out" >&2 || true
done

# ---- quirella-batch.exe ---------------------------------------------------------------------------
# run TARGET NAME [ENV=VALUE...] -- ARGS...: runs it with a fresh trace log; leaves $status, $stdout_file
# and $log for the checks.
run() {
    local target=$1 name=$2
    shift 2
    local -a environment=()
    while [ "$1" != -- ]; do environment+=("$1"); shift; done
    shift
    log=$work/$target-$name.log
    stdout_file=$work/$target-$name.out
    rm -f "$log"
    status=0
    env "${environment[@]}" LANG=zh_CN.UTF-8 QUIRELLA_TRACE_LOG="$(windows_path "$log")" \
        wine "${build[$target]}/app/quirella-batch.exe" "$@" >"$stdout_file" 2>"$work/$target-$name.err" || status=$?
    tr -d '\r' <"$stdout_file" >"$stdout_file.lf"
    stdout_file=$stdout_file.lf
    current="$target $name"
}
expect_status() { [ "$status" -eq "$1" ] || fail "$current: exit status $status, expected $1"; }
expect_stdout() {
    local expected
    expected=$(printf '%s\n' "$@")
    [ "$(cat "$stdout_file")" = "$expected" ] || fail "$current: standard output was:
$(cat "$stdout_file")
expected:
$expected"
}
expect_trace() {
    local line
    for line in "$@"; do
        grep -Fxq -- "$line" "$log" 2>/dev/null || fail "$current: no trace line: $line"
    done
}
expect_no_trace() { grep -Fq -- "$1" "$log" 2>/dev/null && fail "$current: unexpected trace: $1"; return 0; }
expect_default_printer() {
    local now
    now=$(default_printer)
    [ "$now" = "$1" ] || fail "$current: default printer is \"$now\", expected \"$1\""
}
# No trace server of this build outlives its client: each ends with its application object.
expect_no_server_left() {
    local server processes waited=0
    server=$(windows_path "${build[$target]}/trace/com/quirella-trace-server.exe")
    # The list is taken before grep runs: grep's own command line holds the name too.
    while processes=$(ps -eo args) && grep -Fq -- "$server" <<<"$processes"; do
        [ "$waited" -lt 10 ] || { fail "$current: $server is still running"; return; }
        sleep 1
        waited=$((waited + 1))
    done
}
document_line() { printf '正在提交文档"%s"给打印机' "$1"; }
failure_line() { printf '文档：%s打印失败，请检查！' "$1"; }

readonly DOC_CN='C:\文档\报告 一.doc'     # Chinese, within the GBK code page
readonly DOC_WIDE='C:\资料\𠀀 附件.rtf'   # a character outside the code page and outside the BMP
readonly DOC_A='C:\docs\a.doc' DOC_B='C:\docs\b.rtf'
trace_path() { local p=${1//\\/\\\\}; printf '%s' "$p"; }  # as the trace quotes it

for target in "${targets[@]}"; do
    step "$target: printer list and no Word.Application"
    run "$target" list -- --list-printers
    expect_status 0
    expect_stdout "$FIRST" "$SECOND" '系统缺省打印机'

    run "$target" unregistered -- --pause-ms 0 -p "$SECOND" "$DOC_A"
    expect_status 3
    expect_stdout "$SETUP_FAILED"
    [ ! -e "$log" ] || fail "$current: a server answered"

    step "$target: --dry-run, the trace server inside the program, registered without the registry"
    run "$target" dry-run -- --dry-run --fail Open:1 --pause-ms 0 -p '' "$DOC_A" "$DOC_B"
    expect_status 1
    tr -d '\r' <"$work/$target-dry-run.err" >"$work/$target-dry-run.trace"
    log=$work/$target-dry-run.trace
    expect_trace 'invoke Application.Visible PROPERTYPUT named=[-3] args=[VT_BOOL 0] result=no' \
        'invoke Application.DisplayAlerts PROPERTYPUT named=[-3] args=[VT_I4 0] result=no' \
        'invoke Application.ActivePrinter PROPERTYPUT named=[-3] args=[VT_BSTR ""] result=no' \
        'fail Documents.Open DISP_E_EXCEPTION' 'fill-in Documents.Open' 'destroy Application#1'
done

step "registering quirella-trace-server.exe as Word.Application, 32- and 64-bit views"
for view in 32 64; do
    target=win$view
    wine reg add 'HKCR\Word.Application\CLSID' /ve /d "$CLSID" /f "/reg:$view" >/dev/null
    wine reg add "HKCR\\CLSID\\$CLSID\\LocalServer32" /ve /f "/reg:$view" \
        /d "$(windows_path "${build[$target]}/trace/com/quirella-trace-server.exe")" >/dev/null
done

for target in "${targets[@]}"; do
    step "$target: local server, the wire contract"
    [ "$(default_printer)" = "$FIRST" ] || fail "$target: the default printer was not $FIRST to begin with"
    run "$target" contract -- --show --pause-ms 0 -p "$SECOND" "$DOC_CN" "$DOC_WIDE"
    expect_status 0
    expect_stdout "$STARTED" "$(document_line "$DOC_CN")" "$(document_line "$DOC_WIDE")" "$FINISHED"
    # Through marshaling a put arrives with a result VARIANT: the proxy always passes one.
    expect_trace 'lookup Application Visible' \
        'invoke Application.AutomationSecurity PROPERTYPUT named=[-3] args=[VT_I4 3] result=yes' \
        'invoke Application.DisplayAlerts PROPERTYPUT named=[-3] args=[VT_I4 0] result=yes' \
        'invoke Application.Visible PROPERTYPUT named=[-3] args=[VT_BOOL -1] result=yes' \
        "invoke Application.ActivePrinter PROPERTYPUT named=[-3] args=[VT_BSTR \"$SECOND\"] result=yes" \
        "default-printer \"$SECOND\" set" \
        'invoke Application.Documents PROPERTYGET named=[] args=[] result=yes' \
        "invoke Documents.Open METHOD named=[] args=[VT_BSTR \"$(trace_path "$DOC_CN")\", VT_BOOL 0, VT_BOOL 0, VT_BOOL 0] result=yes" \
        "invoke Documents.Open METHOD named=[] args=[VT_BSTR \"$(trace_path "$DOC_WIDE")\", VT_BOOL 0, VT_BOOL 0, VT_BOOL 0] result=yes" \
        'lookup Application PrintOut Background' \
        'invoke Application.PrintOut METHOD named=[Background] args=[VT_BOOL 0] result=yes' \
        'invoke Application.Quit METHOD named=[SaveChanges] args=[VT_I4 0] result=yes' \
        'destroy Documents#2' 'destroy Application#1'
    [ "$(grep -c '^invoke Application.PrintOut ' "$log")" -eq 2 ] || fail "$current: not two PrintOut calls"
    expect_default_printer "$FIRST"  # Word's move to $SECOND was undone when the run ended

    step "$target: local server, an error inside Open, filled in before it leaves the server"
    run "$target" open-fails QUIRELLA_TRACE_FAIL=Open:1 -- --pause-ms 0 -p '' "$DOC_A" "$DOC_B"
    expect_status 1
    expect_stdout "$STARTED" "$(document_line "$DOC_A")" "$(failure_line "$DOC_A")" "$(document_line "$DOC_B")" \
        "$FINISHED"
    expect_trace 'invoke Application.Visible PROPERTYPUT named=[-3] args=[VT_BOOL 0] result=yes' \
        'fail Documents.Open DISP_E_EXCEPTION' 'fill-in Documents.Open' 'destroy Documents#1' \
        'invoke Application.Quit METHOD named=[SaveChanges] args=[VT_I4 0] result=yes'

    step "$target: local server, quitting fails; the default printer still comes back"
    run "$target" quit-fails QUIRELLA_TRACE_FAIL=Quit -- --pause-ms 0 -p "$SECOND" "$DOC_A"
    expect_status 4
    expect_stdout "$STARTED" "$(document_line "$DOC_A")" "$QUIT_FAILED"
    expect_trace "default-printer \"$SECOND\" set" 'fail Application.Quit DISP_E_EXCEPTION'
    expect_default_printer "$FIRST"

    step "$target: local server that cannot create the application: the set-up failure line"
    run "$target" cannot-start QUIRELLA_TRACE_FAIL=Application -- --pause-ms 0 -p "$SECOND" "$DOC_A"
    expect_status 3
    expect_stdout "$SETUP_FAILED"
    expect_trace 'fail Application CO_E_SERVER_EXEC_FAILURE'
    expect_default_printer "$FIRST"

    step "$target: local server, the default entry leaves Word's printer and the default alone"
    run "$target" default-entry -- --pause-ms 0 "$DOC_A"
    expect_status 0
    expect_no_trace 'ActivePrinter'
    expect_default_printer "$FIRST"

    # Busy: the server's message filter turns the first calls away, as Word does while it starts. Wine
    # has no client-side retry (it ignores SERVERCALL_RETRYLATER, and hands SERVERCALL_REJECTED back as
    # RPC_E_CALL_REJECTED without asking the client's filter): the client sends them again itself.
    step "$target: local server, busy for its first calls: asked again, everything printed"
    run "$target" busy QUIRELLA_TRACE_BUSY=3 -- --pause-ms 0 "$DOC_A" "$DOC_B"
    expect_status 0
    expect_stdout "$STARTED" "$(document_line "$DOC_A")" "$(document_line "$DOC_B")" "$FINISHED"
    [ "$(grep -c '^busy ' "$log")" -eq 3 ] || fail "$current: not three busy answers"
    [ "$(grep -c '^invoke Application.PrintOut ' "$log")" -eq 2 ] || fail "$current: not two PrintOut calls"
    expect_trace 'invoke Application.Quit METHOD named=[SaveChanges] args=[VT_I4 0] result=yes'
    expect_no_server_left

    step "$target: local server, busy past the limit: the set-up failure line"
    run "$target" stays-busy QUIRELLA_TRACE_BUSY=100000 -- --call-limit-ms 1000 --pause-ms 0 "$DOC_A"
    expect_status 3
    expect_stdout "$SETUP_FAILED"
    grep -q '^busy ' "$log" || fail "$current: no busy answer"
    expect_no_trace 'invoke '
    expect_no_server_left

    # A call held past the limit is cancelled from the filter's MessagePending. Wine's wait loop
    # records the cancel but goes on waiting for the answer (measured: the call fails only when the
    # hold ends), so here the hold is short; Windows ends the wait at the limit.
    step "$target: local server, a call held past the limit: that document fails, the rest and the quit fail at once"
    started=$SECONDS
    run "$target" held QUIRELLA_TRACE_HOLD=Open:1 QUIRELLA_TRACE_HOLD_MS=5000 -- \
        --call-limit-ms 1000 --pause-ms 0 "$DOC_A" "$DOC_B"
    echo "held run took $((SECONDS - started)) s" >&2
    expect_status 4
    expect_stdout "$STARTED" "$(document_line "$DOC_A")" "$(failure_line "$DOC_A")" "$(document_line "$DOC_B")" \
        "$(failure_line "$DOC_B")" "$QUIT_FAILED"
    expect_trace 'hold Documents.Open 5000 ms' 'destroy Application#1'
    [ "$(grep -c '^invoke Documents.Open ' "$log")" -eq 1 ] || fail "$current: Open was sent again"
    expect_no_trace 'invoke Application.PrintOut'
    expect_no_trace 'invoke Application.Quit'
    expect_no_server_left
done

step "registering quirella-trace.dll as well: the in-process server comes first"
for view in 32 64; do
    target=win$view
    key="HKCR\\CLSID\\$CLSID\\InprocServer32"
    wine reg add "$key" /ve /f "/reg:$view" /d "$(windows_path "${build[$target]}/trace/com/quirella-trace.dll")" >/dev/null
    wine reg add "$key" /v ThreadingModel /d Apartment /f "/reg:$view" >/dev/null
done

for target in "${targets[@]}"; do
    step "$target: in-process server, puts without a result, an empty BSTR, the client's own fill-in"
    run "$target" inproc QUIRELLA_TRACE_FAIL=Open:1 -- --pause-ms 0 -p '' "$DOC_A" "$DOC_CN"
    expect_status 1
    expect_stdout "$STARTED" "$(document_line "$DOC_A")" "$(failure_line "$DOC_A")" "$(document_line "$DOC_CN")" \
        "$FINISHED"
    expect_trace 'invoke Application.Visible PROPERTYPUT named=[-3] args=[VT_BOOL 0] result=no' \
        'invoke Application.DisplayAlerts PROPERTYPUT named=[-3] args=[VT_I4 0] result=no' \
        'invoke Application.ActivePrinter PROPERTYPUT named=[-3] args=[VT_BSTR ""] result=no' \
        'fail Documents.Open DISP_E_EXCEPTION' 'fill-in Documents.Open' \
        "invoke Documents.Open METHOD named=[] args=[VT_BSTR \"$(trace_path "$DOC_CN")\", VT_BOOL 0, VT_BOOL 0, VT_BOOL 0] result=yes" \
        'invoke Application.Quit METHOD named=[SaveChanges] args=[VT_I4 0] result=yes' 'destroy Application#1'
    # In-process nobody but the client can call the server's routine: the fill-in line comes after the
    # failure and before the next call.
    grep -A1 -Fx 'fail Documents.Open DISP_E_EXCEPTION' "$log" | grep -Fxq 'fill-in Documents.Open' ||
        fail "$current: the fill-in did not follow the failure"
done

close_step
echo "wine_test: $((steps - failed_steps)) passed, $failed_steps failed"
if [ "$failures" -gt 0 ]; then
    echo "wine_test: $failures failure(s); the run's files are kept in $work" >&2
    trap - EXIT
    wineserver -k 2>/dev/null || true
    "$root/scripts/private-cups" stop "$work/cups" >/dev/null 2>&1 || true
    exit 1
fi
