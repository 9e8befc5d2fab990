# bash completion for quillon: commands, each command's options, then .dat archives.
_quillon()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local command="" word i
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
            list | extract | test | create) command=$word; break ;;
        esac
    done
    COMPREPLY=()

    if [[ -z $command ]]; then
        mapfile -t COMPREPLY < <(compgen -W "list extract test create --help --version" -- "$cur")
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
            create) options="-C --directory -0 -1 -2 -3 -4 -5 -6 -7 -8 -9 -j --jobs -v --verbose" ;;
        esac
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    # After create's archive, the files and folders to add.
    if [[ $command == create ]]; then
        local operands=0
        for ((i = i + 1; i < COMP_CWORD; i++)); do
            case ${COMP_WORDS[i]} in
                -C | --directory | -j | --jobs) ((i++)) ;;
                -*) ;;
                *) ((operands++)) ;;
            esac
        done
        if ((operands > 0)); then
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            compopt -o filenames 2>/dev/null
            return
        fi
    fi
    # Folders on the way, and archives.
    mapfile -t COMPREPLY < <(compgen -d -- "$cur"; compgen -f -X '!*.[dD][aA][tT]' -- "$cur")
    compopt -o filenames 2>/dev/null
}
complete -F _quillon quillon
