#!/usr/bin/env bash
# Makes the samples that only the office can write, with the office itself; the results are checked
# in so that the tests need no conversion. Run it when their text changes.
#   make-word-samples.sh          the Word-format samples (.doc, .docx, .dot) from text
#   make-word-samples.sh locked   locked.odt, protected by the password "secret"
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

make_word_samples() {
profile=$(mktemp -d)
work=$(mktemp -d)
for kind in doc docx dot; do
    printf 'Quirella sample %s 文档\nSecond line of the %s sample.\n' "${kind^^}" "${kind^^}" > "$work/sample.txt"
    case $kind in
        doc) filter='MS Word 97' ;;
        docx) filter='MS Word 2007 XML' ;;
        dot) filter='MS Word 97 Vorlage' ;;
    esac
    soffice --headless -env:UserInstallation="file://$profile" --infilter='Text (encoded):UTF8' \
        --convert-to "$kind:$filter" --outdir "$work" "$work/sample.txt" >/dev/null
    mv "$work/sample.$kind" "sample.$kind"
done
rm -rf "$work" "$profile"
}

# The office saves a password-protected document only when a macro asks it to: a throw-away document
# with an opening macro is run in an office that allows macros.
make_locked() {
    local work profile
    work=$(mktemp -d)
    profile=$work/profile
    mkdir -p "$profile/user"
    cat > "$profile/user/registrymodifications.xcu" <<'XCU'
<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema"><item oor:path="/org.openoffice.Office.Common/Security/Scripting"><prop oor:name="MacroSecurityLevel" oor:op="fuse"><value>0</value></prop></item></oor:items>
XCU
    local code='Sub Main
  Dim noArgs()
  Dim args(0) As New com.sun.star.beans.PropertyValue
  doc = StarDesktop.loadComponentFromURL("private:factory/swriter", "_blank", 0, noArgs())
  doc.Text.setString("Quirella locked sample")
  args(0).Name = "Password"
  args(0).Value = "secret"
  doc.storeToURL("file://'"$work"'/locked.odt", args())
  doc.close(True)
End Sub'
    python3 - "$code" macro-on-open.fodt > "$work/maker.fodt" <<'PY'
import sys
code, template = sys.argv[1], open(sys.argv[2]).read()
start = template.index('<ooo:source-code>') + len('<ooo:source-code>')
print(template[:start] + code.replace('"', '&quot;') + '\n' + template[template.index('</ooo:source-code>'):], end='')
PY
    soffice --headless -env:UserInstallation="file://$profile" "$work/maker.fodt" >/dev/null 2>&1 &
    local office=$!
    for _ in $(seq 100); do [ -s "$work/locked.odt" ] && break; sleep 0.3; done
    sleep 1
    kill "$office" 2>/dev/null || true
    pkill -f "$profile" || true
    mv "$work/locked.odt" locked.odt
    rm -rf "$work"
}
if [ "${1:-}" = locked ]; then make_locked; else make_word_samples; fi
