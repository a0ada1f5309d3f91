# bash completion for fetemark

# The options of the command line so far that say where the data is, so that IDs and
# setting names come from the same data directory the command will use.
_fetemark_data_options()
{
    local i
    for ((i = 1; i < ${#COMP_WORDS[@]} - 1; i++)); do
        case ${COMP_WORDS[i]} in
            --data-dir) printf '%s\n' --data-dir "${COMP_WORDS[i + 1]}" ;;
            --demo) printf '%s\n' --demo ;;
        esac
    done
}

# Asks fetemark itself: `list --json` for occasion IDs, `settings list` for setting names,
# `holidays categories` and `holidays list` for holiday categories and keys.
_fetemark_ask()
{
    local -a data
    mapfile -t data < <(_fetemark_data_options)
    case $1 in
        ids) fetemark "${data[@]}" list --json 2>/dev/null |
            grep -o '"id": *"[^"]*"' | sed 's/.*"\([^"]*\)"$/\1/' ;;
        settings) fetemark "${data[@]}" settings list 2>/dev/null | awk '{print $1}' ;;
        categories) fetemark "${data[@]}" holidays categories 2>/dev/null | awk 'NR > 2 {print $1}' ;;
        holidays) fetemark "${data[@]}" holidays list "$2" 2>/dev/null |
            sed -n 's/^\[.\] \([^ ]*\).*/\1/p' ;;
        # YES and NO for a yes-or-no setting, nothing for others
        flag) fetemark "${data[@]}" settings get "$2" 2>/dev/null | grep -x 'YES\|NO' >/dev/null &&
            echo 'YES NO' ;;
    esac
}

_fetemark()
{
    local cur prev words cword
    _init_completion || return

    local global_options='--data-dir --now --tz --locale --demo --gui --no-gui --json --help --version'
    local commands='list show custom choice notes holidays contacts export settings notifications badge provider help'

    case $prev in
        --data-dir) _filedir -d; return ;;
        --now | --search | --name | --label | --notes | --device-token) return ;;
        --tz)
            COMPREPLY=($(compgen -W "$(cd /usr/share/zoneinfo 2>/dev/null &&
                find . -type f -name '[A-Z]*' | sed 's|^\./||' | grep -v '^posix\|^right')" \
                -- "$cur"))
            return ;;
        --locale)
            COMPREPLY=($(compgen -W "$(locale -a 2>/dev/null | sed 's/\..*//' | sort -u)" -- "$cur"))
            return ;;
        --date) return ;;
        --type) COMPREPLY=($(compgen -W 'birthday anniversary other' -- "$cur")); return ;;
        --filter)
            COMPREPLY=($(compgen -W 'birthdays anniversaries others holidays facebook 0 1 2 3 4 5' \
                -- "$cur"))
            return ;;
        --alerts | --year | --upcoming) COMPREPLY=($(compgen -W 'on off' -- "$cur")); return ;;
    esac

    # The command is the first word that is neither an option nor an option's value.
    local i command='' sub='' position=0
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --data-dir | --now | --tz | --locale) [[ -z $command ]] && ((i++)) ;;
            -*) ;;
            *)
                if [[ -z $command ]]; then
                    command=${words[i]}
                else
                    [[ -z $sub ]] && sub=${words[i]}
                    ((position++))
                fi ;;
        esac
    done

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "$global_options" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi

    local words_here='' options='--help --json'
    case $command in
        help) ((position == 0)) && words_here=$commands ;;
        list) options+=' --filter --search' ;;
        show) ((position == 0)) && words_here=$(_fetemark_ask ids) ;;
        choice)
            options+=' --alerts --year --upcoming'
            ((position == 0)) && words_here=$(_fetemark_ask ids) ;;
        notes)
            case $position in
                0) words_here='get set' ;;
                1) words_here=$(_fetemark_ask ids) ;;
            esac ;;
        holidays)
            case $position in
                0) words_here='categories list subscribe unsubscribe' ;;
                1) [[ $sub != categories ]] && words_here=$(_fetemark_ask categories) ;;
                *) [[ $sub == *subscribe ]] &&
                    words_here=$(_fetemark_ask holidays "${words[cword - position + 1]}") ;;
            esac ;;
        custom)
            case $position in
                0) words_here='add edit remove' ;;
                1) [[ $sub == edit || $sub == remove ]] &&
                    words_here=$(_fetemark_ask ids | grep '^custom-') ;;
            esac
            case $sub in
                add) options+=' --name --date --type --label --no-year --once --notes' ;;
                edit) options+=' --name --date --type --label --no-year --year --once --yearly --notes' ;;
            esac ;;
        contacts)
            ((position == 0)) && words_here='import export list check recover'
            if [[ $sub == import || $sub == export ]] && ((position > 0)); then
                _filedir
                return
            fi ;;
        export)
            ((position == 0)) && words_here='csv ics'
            [[ $sub == csv ]] && options+=' --mail'
            if [[ -n $sub ]] && ((position > 0)) && [[ $cur != -* ]]; then
                _filedir
                return
            fi ;;
        notifications)
            ((position == 0)) && words_here='plan apply install-agent uninstall-agent'
            [[ $sub == *-agent ]] && options+=' --force' ;;
        settings)
            case $position in
                0) words_here='list get set' ;;
                1) [[ $sub == get || $sub == set ]] && words_here=$(_fetemark_ask settings) ;;
                2) [[ $sub == set ]] && words_here=$(_fetemark_ask flag "${words[cword - 1]}") ;;
            esac ;;
        provider)
            ((position == 0)) && words_here='url'
            [[ $sub == url ]] && options+=' --device-token' ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    else
        COMPREPLY=($(compgen -W "$words_here" -- "$cur"))
    fi
}
complete -F _fetemark fetemark
