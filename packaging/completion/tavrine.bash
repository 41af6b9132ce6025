# Bash completion for Tavrine's command-line programs. The options come from the program's own
# --help, so they follow it as it changes; only the values of a few options and the kinds of
# file others take are named here.

# Prints, one a line, the options that the --help of program (as typed) names: those of its
# option lines and those of its usage lines, which start other kinds of run (--capture).
_tavrine_options()
{
    local help
    help=$(LC_ALL=C "$1" --help 2>/dev/null) || return
    {
        _parse_help - <<<"$help"
        local line word
        local -a words
        while read -r line; do
            line=${line#Usage: }
            [[ $line == "${1##*/} "* ]] || continue
            read -ra words <<<"$line"
            for word in "${words[@]}"; do
                word=${word#[}
                [[ $word == --[a-z]* ]] && printf '%s\n' "${word%%[]=]*}"
            done
        done <<<"$help"
    } | sort -u
}

_tavrine()
{
    local cur prev words cword split
    _init_completion -s || return

    case $prev in
        --format)
            COMPREPLY=($(compgen -W 'bmp24 bmp16 bmp8 png24 png16 png8 gif' -- "$cur"))
            return
            ;;
        --lighting)
            COMPREPLY=($(compgen -W 'studio iso cos' -- "$cur"))
            return
            ;;
        --frame-format)
            COMPREPLY=($(compgen -W 'gif png24' -- "$cur"))
            return
            ;;
        --position)
            _filedir gpi
            return
            ;;
        --capture | --make-gif)
            _filedir sqi
            return
            ;;
        --design)
            _filedir 'asc|gem'
            return
            ;;
        --tilt-plot)
            _filedir 'svg|png'
            return
            ;;
        --tilt-strip)
            _filedir png
            return
            ;;
        --tilt-csv)
            _filedir csv
            return
            ;;
    esac

    if [[ $cur == -* ]] && ! $split; then
        COMPREPLY=($(compgen -W '$(_tavrine_options "$1")' -- "$cur"))
        return
    fi
    # Any other value: a file name (--out, --save-position, --export-obj) or a number, for which
    # a file name does no harm.
    _filedir
} &&
    complete -F _tavrine tavrine-render tavrine-catalogue
