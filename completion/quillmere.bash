# bash completion for quillmere: commands, each command's flags, --group values, and file
# names for SOURCE, --to and --state-dir.

_quillmere() {
    local cur prev words cword
    _init_completion -n = 2>/dev/null || {
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD-1]}
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    }
    local commands="scan list recover probe media image"
    local command="" i
    for ((i = 1; i < cword; i++)); do
        case " $commands " in *" ${words[i]} "*) command=${words[i]}; break ;; esac
    done

    local flags
    case $command in
    scan) flags="--fast --deep --resume --rescan --json --state-dir --quiet --help" ;;
    list) flags="--fast --deep --resume --rescan --type --group --path --min-size --max-size --deleted-only --all --include-damaged --utc --tree --json --state-dir --quiet --help" ;;
    recover) flags="--to --fast --deep --resume --rescan --type --group --path --min-size --max-size --deleted-only --all --include-damaged --dry-run --keep-paths --json --state-dir --quiet --help" ;;
    probe) flags="--help" ;;
    media) flags="--json --help" ;;
    image) flags="--to --json --quiet --help" ;;
    *) flags="--help --version" ;;
    esac

    case $prev in
    --to | --state-dir)
        if [[ $prev == --to && $command == image ]]; then
            COMPREPLY=($(compgen -f -- "$cur"))  # the image file to write
        else
            COMPREPLY=($(compgen -d -- "$cur"))
        fi
        return
        ;;
    --group)
        local groups="photo audio video document archive other" done_part=""
        [[ $cur == *,* ]] && done_part=${cur%,*},
        COMPREPLY=($(compgen -P "$done_part" -W "$groups" -- "${cur##*,}"))
        return
        ;;
    --type | --path | --min-size | --max-size)
        return
        ;;
    esac

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
    elif [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$flags" -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}
complete -o filenames -F _quillmere quillmere
