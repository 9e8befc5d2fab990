# bash completion for quillon: commands, each command's options, then .dat archives.
_quillon()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local command="" word i
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
            list | extract | test) command=$word; break ;;
        esac
    done
    COMPREPLY=()

    if [[ -z $command ]]; then
        mapfile -t COMPREPLY < <(compgen -W "list extract test --help --version" -- "$cur")
        return
    fi
    if [[ $prev == -C || $prev == --directory ]]; then
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        compopt -o filenames 2>/dev/null
        return
    fi
    if [[ $cur == -* ]]; then
        local options
        case $command in
            list) options="-l --long -0 --null" ;;
            extract) options="-C --directory -k --keep-old-files -O --to-stdout -v --verbose" ;;
            test) options="-v --verbose" ;;
        esac
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    # Folders on the way, and archives.
    mapfile -t COMPREPLY < <(compgen -d -- "$cur"; compgen -f -X '!*.[dD][aA][tT]' -- "$cur")
    compopt -o filenames 2>/dev/null
}
complete -F _quillon quillon
