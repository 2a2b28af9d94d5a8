# bash completion for norvelle-cli. Installed as share/bash-completion/completions/norvelle-cli,
# where bash-completion loads it the first time norvelle-cli is completed. Needs nothing from
# bash-completion itself, so it also works when sourced by hand.

# Offers the folders and the files ending in .EXT (in either case) that begin with `cur`.
_norvelle_cli_files() {
    local ext=$1 name
    local IFS=$'\n'
    compopt -o filenames 2>/dev/null
    for name in $(compgen -f -- "$cur"); do
        if [[ -d $name || ${name,,} == *."$ext" ]]; then
            COMPREPLY+=("$name")
        fi
    done
}

_norvelle_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    # --option=value: bash splits the word at "=".
    if [[ $cur == = ]]; then
        cur=
    elif [[ $prev == = && COMP_CWORD -ge 2 ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi

    local command= word i
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
            render | check | lint | show)
                command=$word
                break
                ;;
        esac
    done

    case $prev in
        --data)
            _norvelle_cli_files sft
            return
            ;;
        --plugin)
            _norvelle_cli_files spd
            return
            ;;
        --output)
            compopt -o filenames 2>/dev/null
            local IFS=$'\n'
            COMPREPLY=($(compgen -f -- "$cur"))
            return
            ;;
        --lists-dir)
            compopt -o filenames 2>/dev/null
            local IFS=$'\n'
            COMPREPLY=($(compgen -d -- "$cur"))
            return
            ;;
        --width)
            return
            ;;
        --encoding)
            COMPREPLY=($(compgen -W 'cp932 utf-8' -- "$cur"))
            return
            ;;
    esac

    local options
    case $command in
        '')
            COMPREPLY=($(compgen -W 'render check lint show --help --version' -- "$cur"))
            return
            ;;
        render)
            options='--data --plugin --output --lists-dir --encoding --strict
                     --replace-unencodable --help'
            ;;
        show)
            options='--data --lists-dir --json --help'
            ;;
        check)
            if [[ $cur != -* ]]; then
                _norvelle_cli_files spd
                return
            fi
            options='--help'
            ;;
        lint)
            # A Readme may have any name, Readme.txt and README.md among others.
            if [[ $cur != -* ]]; then
                compopt -o filenames 2>/dev/null
                local IFS=$'\n'
                COMPREPLY=($(compgen -f -- "$cur"))
                return
            fi
            options='--width --help'
            ;;
    esac
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
}

complete -F _norvelle_cli norvelle-cli
