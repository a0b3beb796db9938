#!/usr/bin/env bash
# Makes the Word-format samples (.doc, .docx, .dot) from text, with the office itself. Run it when the
# samples' text changes; the results are checked in so that the tests need no conversion.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
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
rm -rf "$work"
