#!/usr/bin/env bash
# End-to-end check of scripts/private-cups and scripts/quirella-pdf-backend: a private
# scheduler in a temporary directory, two real jobs through lp, then a clean stop.
# Exit 0 when everything holds; otherwise each failed check is printed and the exit is 1.
set -u
export LC_ALL=C.UTF-8   # lpstat's wording is compared below; the title stays UTF-8

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
pc=$root/scripts/private-cups
backend=$root/scripts/quirella-pdf-backend
queue=Quirella-PDF
title='季度报告 第3版'

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# For checks that everything after depends on.
fatal() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
    exit 1
}

export PATH=$PATH:/usr/sbin:/sbin
# Every wait is bounded so that even a hanging scheduler fails this test within a minute.
export QUIRELLA_CUPS_TIMEOUT=8
for tool in cupsd lp lpstat lpadmin flock cmp timeout; do
    command -v "$tool" >/dev/null || fatal "$tool not installed (scripts/install-deps)"
done

tmp=$(mktemp -d)
dir=$tmp/cups
out=$tmp/out

# shellcheck disable=SC2317  # reached through the EXIT trap
cleanup() {
    local rc=$?
    if [ -d "$dir" ]; then
        timeout 15 "$pc" stop "$dir" >/dev/null 2>&1
        # If stop itself is what broke, still leave no scheduler behind.
        local pid
        for pid in $(cupsd_pids); do kill -KILL "$pid" 2>/dev/null; done
    fi
    rm -rf "$tmp"
    if [ "$failures" -gt 0 ]; then
        echo "private_cups_test: $failures check(s) failed" >&2
        exit 1
    fi
    [ "$rc" -eq 0 ] && echo "private_cups_test: all checks passed"
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Live (non-zombie) processes started with this test's cupsd.conf.
cupsd_pids() {
    local p a stat conf=$dir/etc/cupsd.conf
    local -a args
    for p in /proc/[0-9]*; do
        # Processes come and go while we look: a vanished one is simply skipped.
        { mapfile -d '' args <"$p/cmdline"; } 2>/dev/null || continue
        for a in "${args[@]}"; do
            [ "$a" = "$conf" ] || continue
            { read -r stat <"$p/stat"; } 2>/dev/null || break
            stat=${stat##*) }
            [ "${stat%% *}" = Z ] || echo "${p#/proc/}"
            break
        done
    done
}

# A minimal but well-formed PDF (correct xref offsets) showing one line of text, so the
# two jobs differ and the output can be compared byte for byte.
make_pdf() {
    local LC_ALL=C text=$1 file=$2 stream body="" xref n=0
    local -a offs
    stream="BT /F1 24 Tf 72 720 Td ($text) Tj ET"
    local -a objs=(
        '<< /Type /Catalog /Pages 2 0 R >>'
        '<< /Type /Pages /Kids [3 0 R] /Count 1 >>'
        '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>'
        "<< /Length ${#stream} >>
stream
$stream
endstream"
        '<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>'
    )
    body=$'%PDF-1.4\n'
    for obj in "${objs[@]}"; do
        n=$((n + 1))
        offs+=("${#body}")
        body+="$n 0 obj"$'\n'"$obj"$'\n'"endobj"$'\n'
    done
    xref=${#body}
    body+="xref"$'\n'"0 $((n + 1))"$'\n'"0000000000 65535 f "$'\n'
    for o in "${offs[@]}"; do body+=$(printf '%010d 00000 n ' "$o")$'\n'; done
    body+="trailer"$'\n'"<< /Size $((n + 1)) /Root 1 0 R >>"$'\n'"startxref"$'\n'"$xref"$'\n'"%%EOF"$'\n'
    printf '%s' "$body" >"$file"
}

# Value of key in a .meta file (everything after the first '=').
meta() { sed -n "s/^$2=//p" "$1"; }

export HOME=$tmp/home   # no ~/.cups/lpoptions of the caller's can change the default
unset LPDEST PRINTER
mkdir -p "$HOME"

# --- The backend alone: concurrent jobs get distinct, gap-free numbers -------------------
(
    bout=$tmp/backend-out
    mkdir -p "$bout"
    for i in 1 2 3 4 5 6 7 8; do
        printf 'job %s\n' "$i" | DEVICE_URI="quirella-pdf:$bout" "$backend" "$i" u t 1 '' 2>/dev/null &
    done
    wait
    got=$(cd "$bout" && ls -- *.pdf 2>/dev/null | cut -d- -f1 | sort | tr '\n' ' ')
    [ "$got" = "0001 0002 0003 0004 0005 0006 0007 0008 " ] ||
        { echo "FAIL: concurrent backend runs numbered '$got'" >&2; exit 1; }
    ! compgen -G "$bout/.*.part" >/dev/null ||
        { echo "FAIL: temporary files left by the backend in $bout" >&2; exit 1; }
    DEVICE_URI="quirella-pdf:$tmp/missing" "$backend" 9 u t 1 '' /dev/null 2>/dev/null &&
        { echo "FAIL: backend exited 0 for a missing output directory" >&2; exit 1; }
    exit 0
) || failures=$((failures + 1))

# --- Start ------------------------------------------------------------------------------
t0=$(date +%s%N)
sock=$(timeout 15 "$pc" start "$dir" "$out") || fatal "private-cups start failed"
t1=$(date +%s%N)
echo "private_cups_test: start took $(((t1 - t0) / 1000000)) ms"
[ "$sock" = "$dir/cups.sock" ] || fatal "start printed '$sock', expected '$dir/cups.sock'"
[ -S "$sock" ] || fatal "no socket at $sock"
export CUPS_SERVER=$sock

pid=$(cupsd_pids)
[ "$(printf '%s\n' "$pid" | grep -c .)" -eq 1 ] || fatal "expected one cupsd for $dir, found: '$pid'"
[ "$(cat "$dir/cupsd.pid" 2>/dev/null)" = "$pid" ] || fail "pid file does not hold cupsd's pid $pid"

again=$(timeout 15 "$pc" start "$dir" "$out") || fail "second start failed"
[ "$again" = "$sock" ] || fail "second start printed '$again', expected '$sock'"
[ "$(cupsd_pids)" = "$pid" ] || fail "second start did not reuse cupsd $pid (now: $(cupsd_pids | tr '\n' ' '))"

# Local socket only: none of cupsd's sockets may be a listening TCP socket.
inodes=$(for f in /proc/"$pid"/fd/*; do readlink "$f"; done 2>/dev/null | sed -n 's/^socket:\[\([0-9]*\)\]$/\1/p')
[ -n "$inodes" ] || fail "could not read cupsd's open sockets"
tcp_listen=$(awk 'FNR > 1 && $4 == "0A" { print $10 }' /proc/net/tcp /proc/net/tcp6 2>/dev/null)
for i in $inodes; do
    if grep -qxF "$i" <<<"$tcp_listen"; then fail "cupsd listens on a TCP port (socket inode $i)"; fi
done

# --- The queue, seen through CUPS_SERVER --------------------------------------------------
lpstat -p "$queue" 2>&1 | grep -q "^printer $queue .*enabled" ||
    fail "lpstat -p does not show $queue enabled: $(lpstat -p 2>&1)"
[ "$(lpstat -d 2>&1)" = "system default destination: $queue" ] ||
    fail "lpstat -d: '$(lpstat -d 2>&1)', expected $queue as default"

# --- Two jobs -----------------------------------------------------------------------------
make_pdf 'first job' "$tmp/a.pdf"
make_pdf 'second job, longer' "$tmp/b.pdf"
if command -v pdfinfo >/dev/null; then
    pdfinfo "$tmp/a.pdf" >/dev/null 2>&1 || fatal "the test's own PDF is malformed"
fi

job_id() { sed -n "s/^request id is $queue-\([0-9]*\) .*/\1/p"; }
# The first goes to the default destination, the second names the queue.
id1=$(timeout 10 lp -t "$title" -n 2 "$tmp/a.pdf" 2>&1 | job_id)
id2=$(timeout 10 lp -d "$queue" -t "$title" -n 2 "$tmp/b.pdf" 2>&1 | job_id)
[ -n "$id1" ] && [ -n "$id2" ] || fatal "lp did not accept both jobs (ids '$id1' '$id2')"

deadline=$((SECONDS + 15))
while :; do
    pdf1=$(ls "$out"/[0-9][0-9][0-9][0-9]-job"$id1".pdf 2>/dev/null)
    pdf2=$(ls "$out"/[0-9][0-9][0-9][0-9]-job"$id2".pdf 2>/dev/null)
    [ -n "$pdf1" ] && [ -n "$pdf2" ] && break
    [ "$SECONDS" -lt "$deadline" ] || {
        echo "--- $out:" >&2; ls -la "$out" >&2
        echo "--- error_log:" >&2; tail -n 30 "$dir/log/error_log" >&2
        fatal "jobs $id1 and $id2 did not both arrive in $out within 15 s"
    }
    sleep 0.1
done

listing=$(cd "$out" && ls -- *.pdf | tr '\n' ' ')
[ "$listing" = "${pdf1##*/} ${pdf2##*/} " ] ||
    fail "outputs sorted by name are '$listing', expected job $id1 then job $id2"
cmp -s "$tmp/a.pdf" "$pdf1" || fail "${pdf1##*/} differs from the submitted PDF"
cmp -s "$tmp/b.pdf" "$pdf2" || fail "${pdf2##*/} differs from the submitted PDF"
! compgen -G "$out/.*.part" >/dev/null || fail "temporary files left in $out"

me=$(id -un)
for pair in "$id1:$pdf1:$tmp/a.pdf" "$id2:$pdf2:$tmp/b.pdf"; do
    IFS=: read -r id pdf src <<<"$pair"
    m=${pdf%.pdf}.meta
    [ -f "$m" ] || { fail "no ${m##*/} beside ${pdf##*/}"; continue; }
    [ "$(meta "$m" job_id)" = "$id" ] || fail "${m##*/}: job_id '$(meta "$m" job_id)', expected $id"
    [ "$(meta "$m" title)" = "$title" ] || fail "${m##*/}: title '$(meta "$m" title)', expected '$title'"
    [ "$(meta "$m" copies)" = 2 ] || fail "${m##*/}: copies '$(meta "$m" copies)', expected 2"
    [ "$(meta "$m" user)" = "$me" ] || fail "${m##*/}: user '$(meta "$m" user)', expected $me"
    size=$(stat -c %s "$src")
    [ "$(meta "$m" size)" = "$size" ] || fail "${m##*/}: size '$(meta "$m" size)', expected $size"
    grep -q '^options=' "$m" || fail "${m##*/}: no options line"
done

# --- An unknown queue is refused ----------------------------------------------------------
if timeout 10 lp -d No-Such-Queue "$tmp/a.pdf" >/dev/null 2>&1; then
    fail "lp accepted a job for a queue that does not exist"
fi

# --- Stop ---------------------------------------------------------------------------------
timeout 15 "$pc" stop "$dir" || fail "private-cups stop failed"
left=$(cupsd_pids)
[ -z "$left" ] || fail "cupsd still running after stop: $left"
[ ! -e "$sock" ] || fail "socket $sock still there after stop"
timeout 15 "$pc" stop "$dir" || fail "stop with nothing running failed"

exit 0
