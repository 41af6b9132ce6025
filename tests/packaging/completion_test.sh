#!/usr/bin/env bash
# Bash completion of tavrine-render, loaded as bash-completion loads it (by the command's name,
# from a completions folder) and driven through its function: options from --help, usage lines
# included; the values of --format; file names by type after --design, --position= and --capture.
#
# Usage: completion_test.sh COMPLETION_FILE TAVRINE_RENDER
# Exit status: 0 passed, 1 failed, 77 skipped (bash-completion not installed).
set -uo pipefail

main=/usr/share/bash-completion/bash_completion
[[ -r $main ]] || { echo "SKIP: no $main (scripts/setup.sh installs bash-completion)"; exit 77; }
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/completions" "$work/bin" "$work/files/folder"
cp "$1" "$work/completions/tavrine-render" || exit 1
ln -s "$(realpath "$2")" "$work/bin/tavrine-render" || exit 1
touch "$work/files/"{cut.asc,CUT2.GEM,view.gpi,turn.sqi,picture.png}

# offered WORD...: prints, sorted, what completing the last word of "tavrine-render WORD..."
# offers; the words are split as bash splits them ("=" is a word of its own).
offered() {
    (cd "$work/files" && PATH="$work/bin:$PATH" BASH_COMPLETION_USER_DIR="$work" \
        bash --norc --noprofile -c '
            source "$1"
            shift
            _completion_loader tavrine-render
            COMP_WORDS=(tavrine-render "$@")
            COMP_CWORD=$#
            COMP_LINE="tavrine-render $*"
            COMP_LINE=${COMP_LINE// = /=}
            COMP_POINT=${#COMP_LINE}
            function=$(complete -p tavrine-render | sed -nE "s/.* -F ([^ ]+) .*/\1/p")
            "$function" tavrine-render "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
            printf "%s\n" "${COMPREPLY[@]}" | sort' bash "$main" "$@")
}

failures=0
# offers "WORD..." CHOICE...: completing the last WORD (words as the shell quotes them) offers
# exactly the CHOICEs, or with --among at least them.
offers() {
    local words=$1 got expected
    shift
    eval "got=\$(offered $words)"
    if [[ "$1" == --among ]]; then
        shift
        expected=$(printf '%s\n' "$@" | sort | comm -12 - <(echo "$got"))
    else
        expected=$got
    fi
    if [[ "$expected" != "$(printf '%s\n' "$@" | sort)" ]]; then
        printf 'FAIL: tavrine-render %s<Tab> offered:\n%s\n' "$words" "$got" >&2
        failures=$((failures + 1))
    fi
}

offers "--design ''" CUT2.GEM cut.asc folder
offers "--position = ''" folder view.gpi
offers "--capture ''" folder turn.sqi
offers "--format p" png16 png24 png8
offers "--" --among --out --design --help --version --capture --make-gif --frame-format

((failures == 0)) || exit 1
echo "bash completion: all cases passed"
