# bash completion for brelvano-cli
# Installed as share/bash-completion/completions/brelvano-cli; works without
# the bash-completion package too (source it from ~/.bashrc).

_brelvano_cli_files() {
  # Files with the given extension pattern, and folders to walk into.
  local cur=$1 pattern=$2
  local IFS=$'\n'
  compopt -o filenames 2>/dev/null
  COMPREPLY+=($(compgen -d -- "$cur"))
  COMPREPLY+=($(compgen -f -X "!$pattern" -- "$cur"))
}

_brelvano_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD-1]}
  local commands="info convert new show publish add remove move track set players"
  local shared="--progress --quiet --verbose --help"
  COMPREPLY=()

  # The command is the first word that is not an option (nor --progress's value).
  local i command= position=0
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      --progress) ((i++)) ;;
      -*) ;;
      *)
        if [[ -z $command ]]; then command=${COMP_WORDS[i]}; else ((position++)); fi
        ;;
    esac
  done

  case $prev in
    --progress) COMPREPLY=($(compgen -W "auto always never" -- "$cur")); return ;;
    --format)
      if [[ $command == track ]]; then
        COMPREPLY=($(compgen -W "default swf flv" -- "$cur"))
      else
        COMPREPLY=($(compgen -W "swf flv" -- "$cur"))
      fi
      return ;;
    --dest) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -d -- "$cur")); return ;;
    --fps | --truncate | --title | --artist | --album | --player) return ;;
  esac

  if [[ -z $command ]]; then
    if [[ $cur == -* ]]; then
      COMPREPLY=($(compgen -W "$shared --help-all --version" -- "$cur"))
    else
      COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    fi
    return
  fi

  local options
  case $command in
    info) options="--tsv --json --null" ;;
    convert) options="--dest --format --fps --truncate --spectrum --force --json --null" ;;
    new)
      options="--dest --player --format --fps --truncate --no-spectrum --no-html --template
        --shuffle --no-autostart --no-playall --no-loop --overwrite --null" ;;
    set)
      options="--dest --player --format --fps --truncate --no-truncate --spectrum --no-spectrum
        --html --no-html --template --no-template --shuffle --no-shuffle --autostart --no-autostart
        --playall --no-playall --loop --no-loop" ;;
    show) options="--json" ;;
    publish) options="--force --json" ;;
    add) options="--null" ;;
    track) options="--format --title --artist --album --restore-tags" ;;
    *) options="" ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options $shared" -- "$cur"))
    return
  fi

  case $command in
    info | convert) _brelvano_cli_files "$cur" '*.[mM][pP]3' ;;
    new | add)
      if ((position == 0)); then _brelvano_cli_files "$cur" '*.brv'
      else _brelvano_cli_files "$cur" '*.mp3'; fi ;;
    show | publish | set | remove | track)
      ((position == 0)) && _brelvano_cli_files "$cur" '*.brv' ;;
    move)
      if ((position == 0)); then _brelvano_cli_files "$cur" '*.brv'
      elif ((position == 2)); then COMPREPLY=($(compgen -W "up down" -- "$cur")); fi ;;
  esac
}

complete -F _brelvano_cli brelvano-cli
