#!/usr/bin/env bash
# quirella-batch's bash completion through bash's own machinery: the completion file sourced in a
# fresh bash, COMP_WORDS and COMP_CWORD set as bash sets them, the function called, COMPREPLY read.
# The options expected are the ones the program's --help lists; the printers, the ones of the private
# scheduler that CUPS_SERVER names.
#   tests/packaging/completion_test.sh QUIRELLA_BATCH COMPLETION_FILE
set -euo pipefail
batch=$(realpath "$1")
completion=$(realpath "$2")
export LC_ALL=C.UTF-8
failed=0 passed=0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
touch 'a b.doc' letter.rtf letter.txt -- '-dash.doc'
mkdir sub

# complete NAME EXPECTED WORD... : the last WORD is the one being completed; EXPECTED is the sorted
# replies, one a line.
complete_case() {
    local name=$1 expected=$2
    shift 2
    local got
    got=$(bash -c '
        source "$1"; shift
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
        COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        _quirella_batch "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
        printf "%s\n" "${COMPREPLY[@]}"' completion "$completion" "$@" | sed '/^$/d' | sort)
    if [ "$got" = "$expected" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'completion_test: %s: for "%s" expected\n%s\ngot\n%s\n' "$name" "$*" "$expected" "$got" >&2
    fi
}

options=$(COLUMNS=200 "$batch" --help | sed -n '/^Options:/,/^Exit status:/p' |
    grep -oE '^ +(-[a-z], )?--[a-z-]+' | tr -d ' ' | tr ',' '\n' | sort)
[ "$(wc -l <<<"$options")" -ge 10 ] || { echo "completion_test: --help listed no options" >&2; exit 1; }
printers=$(printf '%s\n' Quirella-PDF 系统缺省打印机 | sort)

complete_case EveryOption "$options" "$batch" -
complete_case LongOptions "$(grep -- '^--' <<<"$options")" "$batch" --
complete_case OnePrefix --printer "$batch" --pr
complete_case PrinterNames "$printers" "$batch" -p ''
complete_case PrinterPrefix Quirella-PDF "$batch" -n 2 --printer Qu
complete_case ChinesePrinter 系统缺省打印机 "$batch" --printer 系统
complete_case PrinterAfterEquals "$printers" "$batch" --printer =
complete_case PrinterAfterEqualsPrefix Quirella-PDF "$batch" --printer = Q
complete_case PrinterInOneWord --printer=Quirella-PDF "$batch" --printer=Qui
complete_case NothingForCopies '' "$batch" -n ''
complete_case NothingForPause '' "$batch" --pause-ms ''
complete_case Documents "$(printf '%s\n' letter.rtf letter.txt | sort)" "$batch" -p Quirella-PDF let
complete_case DocumentWithASpace 'a b.doc' "$batch" a
complete_case Folders sub "$batch" su
complete_case DashDocumentAfterTheEnd -dash.doc "$batch" -- -d
complete_case OptionsAfterADocument --show "$batch" a.doc --sh

echo "completion_test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
