# bash completion for quillon: commands, each command's options, then .dat archives, and after
# the archive the names of its entries, one folder level at a time (create: files and folders).
_quillon()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local command="" word i
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
            list | extract | test | create | update | delete) command=$word; break ;;
        esac
    done
    COMPREPLY=()

    if [[ -z $command ]]; then
        mapfile -t COMPREPLY < <(compgen -W "list extract test create update delete --help --version" -- "$cur")
        return
    fi
    if [[ $prev == -C || $prev == --directory ]]; then
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        compopt -o filenames 2>/dev/null
        return
    fi
    if [[ $prev == -T || $prev == --files-from || $prev == --exclude ]]; then
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        compopt -o filenames 2>/dev/null
        return
    fi
    # The archive: the first operand after the command, past options and their values. After
    # it, the names of its entries: what extract and delete select, and the files update takes.
    local archive="" value=""
    for ((i = i + 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ -n $value ]]; then
            value=""
        elif [[ $word == @(-C|--directory|-T|--files-from|-j|--jobs|--exclude) ]]; then
            value=1
        elif [[ $word != -* ]]; then
            archive=$word
            break
        fi
    done
    # After create's archive, the files and folders to add.
    if [[ -n $archive && $command == create && $cur != -* ]]; then
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        compopt -o filenames 2>/dev/null
        return
    fi
    if [[ -n $archive && $cur != -* ]]; then
        # The entry names that start with what is typed (quotes and backslashes taken off),
        # each cut after the next "/" so a folder is offered once, quoted for the shell.
        local typed=${cur//\\/} name item
        typed=${typed//[\'\"]/}
        local -A offered=()
        archive=${archive//[\'\"]/}
        while IFS= read -r -d '' name; do
            [[ $name == "$typed"* ]] || continue
            item=${name:${#typed}}
            [[ $item == */* ]] && name=$typed${item%%/*}/
            offered[$name]=1
        done < <("${1:-quillon}" list -0 -- "${archive/#\~/$HOME}" 2>/dev/null)
        for name in "${!offered[@]}"; do
            # A folder's own entry, "d", beside "d/" cut from the names below it.
            [[ -n ${offered[$name/]} ]] && continue
            printf -v item '%q' "$name"
            COMPREPLY+=("$item")
        done
        [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == */ ]] && compopt -o nospace 2>/dev/null
        return
    fi
    if [[ $cur == -* ]]; then
        local options
        case $command in
            list) options="-l --long -0 --null" ;;
            extract) options="-C --directory -k --keep-old-files -O --to-stdout -v --verbose" ;;
            test) options="-v --verbose" ;;
            create) options="-C --directory -0 -1 -2 -3 -4 -5 -6 -7 -8 -9 -j --jobs -v --verbose
                             -T --files-from --null --exclude" ;;
            update) options="-C --directory -0 -1 -2 -3 -4 -5 -6 -7 -8 -9 -j --jobs -v --verbose" ;;
            delete) options="-v --verbose" ;;
        esac
        # Exact names, for every command that reads entries.
        case $command in
            list) options+=" -T --files-from --no-wildcards" ;;
            extract | test | delete) options+=" -T --files-from -0 --null --no-wildcards" ;;
        esac
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    # Folders on the way, and archives.
    mapfile -t COMPREPLY < <(compgen -d -- "$cur"; compgen -f -X '!*.[dD][aA][tT]' -- "$cur")
    compopt -o filenames 2>/dev/null
}
complete -F _quillon quillon
