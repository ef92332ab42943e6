# bash completion for tessmark-cli
_tessmark_cli() {
    local cur prev cmd
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    if [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W "convert checksum inspect info download upload security devices --version --help" -- "$cur"))
        return
    fi
    cmd=${COMP_WORDS[1]}
    case "$prev" in
        --type) COMPREPLY=($(compgen -W "normal 720 4500 4byte 8byte" -- "$cur")); return ;;
        --kind) COMPREPLY=($(compgen -W "sum ones crc" -- "$cur")); return ;;
        --buzzer) COMPREPLY=($(compgen -W "on off" -- "$cur")); return ;;
        --unit) COMPREPLY=($(compgen -W "usb emulator:" -- "$cur")); return ;;
        --start|--end|--crc-init|--id|--count|--timeout) return ;;
    esac
    local opts="--json --help"
    case "$cmd" in
        convert) opts="$opts --type --start --end" ;;
        checksum) opts="$opts --kind --crc-init --start --end" ;;
        download) opts="$opts --verify --unit --timeout" ;;
        info|upload|devices) opts="$opts --unit --timeout" ;;
        security) opts="$opts --set --cancel --id --count --buzzer --unit --timeout" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$opts" -- "$cur"))
    elif [ "$cmd" = upload ]; then
        COMPREPLY=($(compgen -d -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}
complete -o filenames -F _tessmark_cli tessmark-cli
