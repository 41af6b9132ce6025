#!/usr/bin/env bash
# Bash completion of tavrine-render, loaded as bash-completion loads it (by the command's name,
# from a completions folder) and driven through its function: the options of the program's
# --help, usage lines included; the values of --format; file names by type after --design,
# --position (also written --position=) and --capture, and any file after --out.
#
# Usage: completion_test.sh COMPLETION_FILE TAVRINE_RENDER
# Exit status: 0 passed, 1 failed, 77 skipped (bash-completion not installed).
set -uo pipefail

main=/usr/share/bash-completion/bash_completion
if [[ ! -r $main ]]; then
    echo "SKIP: $main not found (scripts/setup.sh installs bash-completion)"
    exit 77
fi
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/completions" "$work/bin" "$work/files/folder"
cp "$1" "$work/completions/tavrine-render" || exit 1
ln -s "$(realpath "$2")" "$work/bin/tavrine-render" || exit 1
touch "$work/files/"{cut.asc,CUT2.GEM,view.gpi,turn.sqi,picture.png}

# offered WORD...: prints, one a line and sorted, what completing the last of the command line
# "tavrine-render WORD..." offers; the words are split as bash splits them ("=" alone).
offered() {
    (cd "$work/files" && PATH="$work/bin:$PATH" BASH_COMPLETION_USER_DIR="$work" \
        bash --norc --noprofile -c '
            main=$1
            shift
            source "$main"
            _completion_loader tavrine-render
            function=$(complete -p tavrine-render | sed -nE "s/.* -F ([^ ]+) .*/\1/p")
            COMP_WORDS=("$@")
            COMP_CWORD=$(($# - 1))
            COMP_LINE=$(printf "%s " "$@")
            COMP_LINE=${COMP_LINE% }
            COMP_LINE=${COMP_LINE// = /=}
            COMP_POINT=${#COMP_LINE}
            "$function" tavrine-render "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
            printf "%s\n" "${COMPREPLY[@]}" | sort' bash "$main" tavrine-render "$@")
}

failures=0
# expect "WORDS" "CURRENT" EXPECTED: completing CURRENT after WORDS offers exactly EXPECTED (one a
# line).
expect() {
    local got
    # shellcheck disable=SC2086
    got=$(offered $1 "$2")
    if [[ "$got" != "$3" ]]; then
        printf 'FAIL: tavrine-render %s %s<Tab> offered:\n%s\nexpected:\n%s\n' "$1" "$2" "$got" \
            "$3" >&2
        failures=$((failures + 1))
    fi
}
# offers "WORDS" "CURRENT" CHOICE...: completing CURRENT after WORDS offers every CHOICE.
offers() {
    local got choice
    # shellcheck disable=SC2086
    got=$(offered $1 "$2")
    for choice in "${@:3}"; do
        grep -qxF -- "$choice" <<<"$got" || {
            echo "FAIL: tavrine-render $1 $2<Tab> does not offer $choice" >&2
            failures=$((failures + 1))
        }
    done
}

expect "--design" "" $'CUT2.GEM\ncut.asc\nfolder'
expect "--position =" "" $'folder\nview.gpi'
expect "--capture" "" $'folder\nturn.sqi'
expect "--format" "p" $'png16\npng24\npng8'
offers "" "--" --out --design --position --help --version --capture --make-gif --frame-format
offers "--out" "" picture.png cut.asc folder

if ((failures > 0)); then
    exit 1
fi
echo "bash completion: all cases passed"
