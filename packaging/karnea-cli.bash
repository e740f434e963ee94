# Completion of karnea-cli's commands, options and files for bash.
_karnea_cli() {
    local cur prev words cword
    _init_completion || return

    local commands="dump convert reduce heads attach analyse render fit campaign ags xlsx delivery check help"
    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi

    local command=${words[1]}
    case $prev in
        -o | --output)
            if [[ $command == delivery ]]; then
                _filedir -d
            else
                _filedir
            fi
            return
            ;;
        --settings | --png | --boring | --check)
            _filedir -d
            return
            ;;
        --site)
            _filedir '@(ini|INI)'
            return
            ;;
        --edition)
            COMPREPLY=($(compgen -W "2016 2008" -- "$cur"))
            return
            ;;
        --calibration)
            _filedir '@(kcw|KCW)'
            return
            ;;
        --format)
            COMPREPLY=($(compgen -W "pdf png ops" -- "$cur"))
            return
            ;;
        --sign)
            COMPREPLY=($(compgen -W "0 1 2 3" -- "$cur"))
            return
            ;;
        --po | --pf | --pl | --pl-value | --pages | --dpi | --recipient | --jobs)
            return
            ;;
    esac

    local options
    case $command in
        dump) options="--settings" ;;
        convert | reduce | heads | fit) options="-o --output --settings" ;;
        attach) options="-o --output --settings --calibration" ;;
        analyse) options="-o --output --settings --po --pf --pl --pl-value --sign --hide-pl --show-pl" ;;
        render) options="-o --output --settings --format --pages --dpi" ;;
        campaign) options="-o --output --settings --png --jobs" ;;
        ags) options="-o --output --recipient --settings --utf8 --jobs" ;;
        xlsx) options="-o --output --boring --settings --jobs" ;;
        delivery) options="-o --output --site --boring --edition --settings --jobs --check --xml-only --json" ;;
        check) options="--settings --json --jobs" ;;
        help)
            ((cword == 2)) && COMPREPLY=($(compgen -W "${commands% help}" -- "$cur"))
            return
            ;;
        *) return ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi
    case $command in
        campaign | ags | xlsx | delivery | check) _filedir '@(kdw|KDW)' ;;
        *) _filedir '@(kdw|kcw|df|cf|KDW|KCW|DF|CF)' ;;
    esac
}
complete -F _karnea_cli karnea-cli
