#!/usr/bin/env bash
# The Debian package as a user meets it: packed from the build, looked into (dpkg-deb, lintian),
# installed with apt, used (--version, the printers, the manual pages, the completion, a real print
# of a sample to the private PDF printer that CUPS_SERVER names, and one from the window that the menu
# entry starts), then purged, after which nothing of it is left. It changes the machine's packages,
# so it runs only as root with apt, and never over a quirella package that was installed before.
#   tests/packaging/deb_test.sh CPACK BUILD_DIR PDF_DIR FONT_RELATION,...
set -euo pipefail
cpack=$1
build=$(realpath "$2")
pdfs=$3
IFS=',' read -r -a fonts <<<"$4"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
samples=$(cd "$here/../../resources/samples" && pwd)
export LC_ALL=C.UTF-8
fail() { echo "deb_test: $*" >&2; exit 1; }
skip() { echo "deb_test: $*; skipped"; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
command -v apt-get >/dev/null && command -v dpkg-deb >/dev/null || skip "no apt here"
command -v lintian >/dev/null || skip "no lintian here (scripts/install-deps installs it)"
if dpkg-query -W -f='${Status}' quirella 2>/dev/null | grep -qv 'not-installed'; then
    skip "a quirella package is already on this machine; this test will not replace it"
fi

work=$build/deb-test
rm -rf "$work"
mkdir -p "$work"
cache=$work/cache
installed=''
# Whatever happens, the package does not stay, and neither does an office the installed program started.
cleanup() {
    local pid
    for pid in $(offices); do kill -KILL "$pid" 2>/dev/null || true; done
    if [ -n "$installed" ]; then
        apt-get purge -y -qq -o DPkg::Lock::Timeout=600 quirella >/dev/null 2>&1 || true
    fi
}
trap cleanup EXIT
# Offices started with a profile under this test's cache, found by that path in their command line.
offices() {
    local p
    for p in /proc/[0-9]*; do
        [ "$(cat "$p/comm" 2>/dev/null)" = soffice.bin ] || continue
        tr '\0' ' ' <"$p/cmdline" 2>/dev/null | grep -qF "$cache" && echo "${p#/proc/}"
    done
    return 0
}

# Packed from the build, under the name Debian expects, with the build's one version.
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack failed"; }
version=$("$build/app/quirella-batch" --version | sed -n 's/^quirella-batch //p')
[ -n "$version" ] || fail "quirella-batch --version names no version"
deb=$work/quirella_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb (made: $(ls "$work"))"
[ "$(dpkg-deb -f "$deb" Package)" = quirella ] || fail "the package is not named quirella"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"

# What it depends on: the libraries the programs link, the printing word processor, CUPS, the fonts.
depends=$(dpkg-deb -f "$deb" Depends)
for relation in 'libc6 (' 'libstdc++6 (' 'libqt6widgets6' 'libreoffice-writer' 'libcups2' "${fonts[@]}"; do
    grep -qF "$relation" <<<"$depends" || fail "Depends lacks \"$relation\": $depends"
done
! grep -q nogui <<<"$depends" || fail "Depends names a -nogui office, which cannot print: $depends"

# What it holds: both programs, the help beside the desktop program, the menu entry, the icons, the
# manual pages and the completion, all root's, and nothing outside /usr.
contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/quirella-batch ./usr/libexec/quirella/quirella ./usr/libexec/quirella/help.chm \
    ./usr/share/applications/quirella.desktop ./usr/share/man/man1/quirella-batch.1.gz \
    ./usr/share/man/man1/quirella.1.gz ./usr/share/bash-completion/completions/quirella-batch \
    ./usr/share/doc/quirella/copyright ./usr/share/doc/quirella/changelog.gz; do
    grep -qE " $path( |$)" <<<"$contents" || fail "the package lacks $path"
done
for size in 16 32 48 64 128 256; do
    grep -qF "./usr/share/icons/hicolor/${size}x${size}/apps/quirella.png" <<<"$contents" || fail "no ${size}x${size} icon"
done
grep -qF './usr/bin/quirella -> ../libexec/quirella/quirella' <<<"$contents" || fail "bin/quirella does not link to the program"
! awk '{print $2}' <<<"$contents" | grep -qv '^root/root$' || fail "files not owned by root in the package"
! awk '{print $6}' <<<"$contents" | grep -qvE '^\./(usr/.*)?$' || fail "files outside /usr in the package"

# Debian's own checks: no error or warning (the overrides in the package say why each remaining one is).
lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log" >&2; fail "lintian found faults"; }
cat "$work/lintian.log"

# Installed as a user installs it.
installed=yes
apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get could not install the package"; }
dpkg-query -W -f='${Status}' quirella | grep -q 'install ok installed' || fail "apt did not install quirella"
files=$(dpkg -L quirella)

[ "$(/usr/bin/quirella-batch --version)" = "quirella-batch $version" ] || fail "the installed --version is not $version"
[ "$(/usr/bin/quirella-batch --list-printers)" = "$(printf 'Quirella-PDF\n系统缺省打印机')" ] ||
    fail "the installed program lists other printers: $(/usr/bin/quirella-batch --list-printers)"
[ "$(readlink -f /usr/bin/quirella)" = /usr/libexec/quirella/quirella ] || fail "bin/quirella does not reach the program"
[ -s /usr/libexec/quirella/help.chm ] || fail "no help.chm beside the installed program"
desktop-file-validate /usr/share/applications/quirella.desktop || fail "the installed menu entry is not valid"
[ "$(man -w quirella-batch)" = /usr/share/man/man1/quirella-batch.1.gz ] || fail "man does not find quirella-batch(1)"
man -w quirella >/dev/null || fail "man does not find quirella(1)"
bash -c 'source /usr/share/bash-completion/completions/quirella-batch && complete -p quirella-batch' >/dev/null ||
    fail "the installed completion does not complete quirella-batch"

# A real print from the installed program: the sample reaches the PDF printer with its text.
before=$(find "$pdfs" -maxdepth 1 -name '*.pdf' 2>/dev/null | wc -l)
status=0
XDG_CACHE_HOME=$cache /usr/bin/quirella-batch -p Quirella-PDF --pause-ms 0 "$samples/letter.rtf" >"$work/run.out" 2>&1 ||
    status=$?
cat "$work/run.out"
[ "$status" -eq 0 ] || fail "the installed program's run ended with status $status"
pdf=$(find "$pdfs" -maxdepth 1 -name '*.pdf' | sort | tail -n 1)
[ "$(find "$pdfs" -maxdepth 1 -name '*.pdf' | wc -l)" -gt "$before" ] || fail "no job reached the printer"
pdftotext "$pdf" - | grep -q 'Quirella RTF sample' || fail "the printed PDF lacks the sample's text"
[ -z "$(offices)" ] || fail "an office outlived the run: $(offices)"

# And as a desktop user prints: the window that the menu entry's command opens prints two samples
# to the same printer.
command=$(sed -n 's/^Exec=//p' /usr/share/applications/quirella.desktop)
program=$(command -v "$command") || fail "the menu entry's command \"$command\" is not on the PATH"
XDG_CACHE_HOME=$cache "$here/../ui/print_from_window.sh" "$program" "$pdfs" "$build/screenshots/installed" ||
    fail "printing from the installed program's window failed"
[ -z "$(offices)" ] || fail "an office outlived the window's run: $(offices)"

# Purged, nothing of it is left: none of its files, none of its folders, no record in dpkg.
apt-get purge -y -qq -o DPkg::Lock::Timeout=600 quirella >"$work/purge.log" 2>&1 ||
    { cat "$work/purge.log" >&2; fail "apt-get could not purge the package"; }
installed=''
! dpkg-query -W -f='${Status}' quirella 2>/dev/null | grep -qv 'not-installed' || fail "dpkg still knows quirella"
left=''
while IFS= read -r path; do
    case $path in
        */quirella* | */quirella-batch* | /usr/share/doc/quirella*) [ -e "$path" ] || [ -L "$path" ] && left+=" $path" ;;
    esac
done <<<"$files"
[ -z "$left" ] || fail "left after purge:$left"
rm -rf "$work"
echo "deb_test: quirella_${version} packed, checked, installed, printed from, and purged without a trace"
