# bash completion for quirella-batch: its options, the printers it can name (asked of the program
# itself, so that they are the names --printer takes), and file names for the documents.

_quirella_batch_printers() {
    local program=${1/#\~/$HOME} cur=$2 printer
    while IFS= read -r printer; do
        [[ $printer == "$cur"* ]] && COMPREPLY+=("$printer")
    done < <(timeout 5 "$program" --list-printers 2>/dev/null)
}

_quirella_batch() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local options=(-p --printer -n --copies --show --pause-ms --call-limit-ms --dry-run --fail --list-printers
        -h --help --version)
    COMPREPLY=()

    # bash splits "--printer=NAME" at the "=" (the words are then "--printer" "=" "NAME"), unless "="
    # was taken out of COMP_WORDBREAKS.
    if [[ $cur == = ]]; then
        cur=''
    elif [[ $prev == = && $COMP_CWORD -ge 2 ]]; then
        prev=${COMP_WORDS[COMP_CWORD-2]}
    elif [[ $cur == --printer=* ]]; then
        _quirella_batch_printers "$1" "${cur#--printer=}"
        COMPREPLY=("${COMPREPLY[@]/#/--printer=}")
        return
    fi

    case $prev in
        -p | --printer)
            _quirella_batch_printers "$1" "$cur"
            return
            ;;
        -n | --copies | --pause-ms | --call-limit-ms | --fail)
            return
            ;;
    esac

    # After "--" every word is a document, even one that starts with "-".
    local i
    for ((i = 1; i < COMP_CWORD; i++)); do
        [[ ${COMP_WORDS[i]} == -- ]] && break
    done
    if [[ $cur == -* && $i -eq $COMP_CWORD ]]; then
        mapfile -t COMPREPLY < <(compgen -W "${options[*]}" -- "$cur")
        return
    fi

    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}

complete -F _quirella_batch quirella-batch
