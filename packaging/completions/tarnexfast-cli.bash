# bash completion for tarnexfast-cli

_tarnexfast_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local commands="encrypt decrypt wipe encrypt-text decrypt-text"

    if [[ $COMP_CWORD -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi

    case $prev in
        --password-file)
            COMPREPLY=($(compgen -f -- "$cur"))
            compopt -o filenames 2>/dev/null
            return ;;
        --passes)
            COMPREPLY=($(compgen -W "0 1 2 3 4 5 6 7" -- "$cur"))
            return ;;
    esac

    local options
    case ${COMP_WORDS[1]} in
        encrypt | decrypt) options="--password-file" ;;
        wipe) options="--passes --yes" ;;
        encrypt-text | decrypt-text)
            COMPREPLY=($(compgen -W "--password-file --bytes" -- "$cur"))
            return ;;
        *) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --" -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
        compopt -o filenames 2>/dev/null
    fi
}
complete -F _tarnexfast_cli tarnexfast-cli
