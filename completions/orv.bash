# bash completion for orv                                  -*- shell-script -*-
#
# Completes the global options, the command words, each group's subcommands,
# each subcommand's options and, where they can be read cheaply, names: the
# service directories of the scan directory for `orv process ...` and the
# saved sets of the repository for `orv set load|delete`. It only reads
# directories and never runs a program. It needs no bash-completion helpers.

# The option table of a command: sets _orv_bool and _orv_arg to entries
# "LETTER LONG" ("-" for no letter); _orv_arg's options take a value.
_orv_table() {
  _orv_bool=() _orv_arg=()
  case $1 in
    '') _orv_bool=("h help" "V version")
        _orv_arg=("v verbosity" "s scandir" "l livedir" "r repodir" "c bootdb"
                  "- stmpdir" "- storelist" "- color") ;;
    live/start | live/stop | live/restart)
        _orv_bool=("n dry-run") _orv_arg=("t timeout") ;;
    live/status)
        _orv_bool=("e without-essentials" "E with-essentials" "- json") ;;
    live/install)
        _orv_bool=("b block" "K keep-old" "- init" "e force-essentials" "E no-force-essentials")
        _orv_arg=("f conversion-file") ;;
    live/start-everything)
        _orv_bool=("n dry-run") _orv_arg=("t timeout" "D default-bundle") ;;
    live/stop-everything)
        _orv_bool=("n dry-run" "e without-essentials" "E with-essentials")
        _orv_arg=("t timeout") ;;
    process/start | process/stop)
        _orv_bool=("P no-permanent" "p permanent" "W no-wait" "w wait")
        _orv_arg=("t timeout") ;;
    process/restart)
        _orv_bool=("W no-wait" "w wait") _orv_arg=("t timeout") ;;
    process/kill)
        _orv_bool=("W no-wait" "w wait") _orv_arg=("s signal" "t timeout") ;;
    process/status)
        _orv_bool=("L without-logs" "l with-logs" "- json") ;;
    set/enable | set/disable | set/mask | set/unmask | set/make-essential)
        _orv_bool=("f ignore-dependencies" "n dry-run") _orv_arg=("I if-dependencies-found") ;;
    set/check | repository/check)
        _orv_bool=("E no-force-essential" "e force-essential" "d down" "u up" "F fix") ;;
    set/commit)
        _orv_bool=("f force" "K keep-old") _orv_arg=("D default-bundle" "h fdholder-user") ;;
    set/save)
        _orv_bool=("f force") ;;
    set/list | set/status)
        _orv_bool=("E with-essentials" "e without-essentials") ;;
    repository/init)
        _orv_bool=("f force" "U update-stores") _orv_arg=("h fdholder-user") ;;
    repository/sync)
        _orv_arg=("h fdholder-user") ;;
    system/boot)
        _orv_bool=("n dry-run") _orv_arg=("p prefix" "t timeout" "D default-bundle") ;;
  esac
}

_orv_subcommands() {
  case $1 in
    live) echo help install restart start start-everything status stop stop-everything ;;
    process) echo help kill restart start status stop ;;
    set) echo check commit delete disable enable help list load make-essential mask save \
      status unmask ;;
    repository) echo check help init list sync ;;
    system) echo boot halt help poweroff reboot shutdown ;;
  esac
}

# The command line as the shell will split it: bash breaks "--color=yes" into
# "--color" "=" "yes"; pieces that touch in the line are joined again.
_orv_words() {
  local line=${COMP_LINE:0:COMP_POINT} i w ws n=0
  _orv_w=() _orv_cw=0
  for ((i = 0; i < ${#COMP_WORDS[@]}; i++)); do
    w=${COMP_WORDS[i]}
    ws=${line%%[![:space:]]*}
    line=${line#"$ws"}
    if ((n > 0)) && [[ -z $ws ]] && [[ $w == [=:]* || ${_orv_w[n - 1]} == *[=:] ]]; then
      _orv_w[n - 1]+=$w
    else
      _orv_w[n]=$w
      ((n++))
    fi
    line=${line#"$w"}
    ((i == COMP_CWORD)) && _orv_cw=$((n - 1))
  done
  ((COMP_CWORD < ${#COMP_WORDS[@]})) || { _orv_w[n]=; _orv_cw=$n; }
}

# A word as the shell will pass it, for the simple quoting people type.
_orv_unquote() {
  local v=$1
  case $v in
    \'*\') v=${v:1:${#v}-2} ;;
    \"*\") v=${v:1:${#v}-2} ;;
    *) v=${v//\\ / } ;;
  esac
  # shellcheck disable=SC2088 # a literal tilde, expanded here
  [[ $v == "~" || $v == "~/"* ]] && v=$HOME${v:1}
  _orv_v=$v
}

# Walks the options from word $1 on, as the program's option parser does:
# stops at the first word that is not an option, at "-", or after "--".
# Sets _orv_stop (index of the first operand, or the current word),
# _orv_pending (long name of the option whose value is the current word)
# and _orv_vals[long name] for the values seen.
_orv_walk() {
  local i=$1 w j c e long
  _orv_pending=
  while ((i < _orv_cw)); do
    w=${_orv_w[i]}
    case $w in
      --) ((i++)); break ;;
      - | '' | [!-]*) break ;;
      --*=*) long=${w%%=*}; _orv_vals[${long#--}]=${w#*=} ;;
      --*) ;;
      *)
        for ((j = 1; j < ${#w}; j++)); do
          c=${w:j:1} long=
          for e in "${_orv_arg[@]}"; do
            [[ ${e%% *} == "$c" ]] && long=${e#* } && break
          done
          [[ -n $long ]] || continue
          if ((j + 1 < ${#w})); then
            _orv_vals[$long]=${w:j+1}
          elif ((i + 1 == _orv_cw)); then
            _orv_pending=$long _orv_stop=$_orv_cw
            return
          elif [[ ${_orv_w[i + 1]} != -- ]]; then
            ((i++))
            _orv_vals[$long]=${_orv_w[i]}
          fi
          break
        done ;;
    esac
    ((i++))
  done
  _orv_stop=$i
}

# Sets COMPREPLY to those of the candidates that begin with the current
# word, less the part of it before the last "=" or ":", which bash keeps.
_orv_reply() {
  local cur=$1 keep c q
  shift
  keep=${cur%"${cur##*[=:]}"}
  COMPREPLY=()
  for c in "$@"; do
    [[ $c == "$cur"* ]] || continue
    c=${c#"$keep"}
    if [[ $c == *[!A-Za-z0-9._+,@%/=:-]* ]]; then printf -v q %q "$c"; c=$q; fi
    COMPREPLY+=("$c")
  done
}

# Directories and files, as the shell would complete them.
_orv_dirs() {
  compopt -o filenames 2>/dev/null
  mapfile -t COMPREPLY < <(compgen -d -- "${1##*[=:]}")
}

_orv_files() {
  compopt -o filenames 2>/dev/null
  mapfile -t COMPREPLY < <(compgen -f -- "${1##*[=:]}")
}

# The entries of a directory, leaving out hidden ones; with "d", only the
# directories and the links to them.
_orv_entries() {
  local dir=$1 kind=$2 e restore
  _orv_names=()
  [[ -n $dir && -d $dir && -r $dir ]] || return
  restore=$(shopt -p nullglob dotglob failglob)
  shopt -s nullglob
  shopt -u dotglob failglob
  for e in "$dir"/*; do
    [[ $kind != d || -d $e ]] || continue
    _orv_names+=("${e##*/}")
  done
  eval "$restore"
}

# The value of option $1 (long name), the current word being $2 (after the
# "=" of a long option).
_orv_value() {
  local long=$1 cur=$2 full=$3
  case $long in
    color) _orv_reply "$full" "${full%"$cur"}"{yes,no,auto} ;;
    verbosity) _orv_reply "$full" "${full%"$cur"}"{0,1,2,3} ;;
    scandir | livedir | repodir | bootdb | stmpdir | storelist) _orv_dirs "$full" ;;
    conversion-file) _orv_files "$full" ;;
    if-dependencies-found) _orv_reply "$full" "${full%"$cur"}"{fail,warn,pull} ;;
    signal)
      _orv_reply "$full" "${full%"$cur"}"{ABRT,ALRM,BUS,CHLD,CONT,FPE,HUP,ILL,INT,KILL,PIPE} \
        "${full%"$cur"}"{PROF,QUIT,SEGV,STOP,SYS,TERM,TRAP,TSTP,TTIN,TTOU,URG,USR1,USR2} \
        "${full%"$cur"}"{VTALRM,XCPU,XFSZ} ;;
    fdholder-user)
      local -a users
      mapfile -t users < <(compgen -u -- "$cur")
      _orv_reply "$full" "${users[@]/#/"${full%"$cur"}"}" ;;
    *) COMPREPLY=() ;;
  esac
}

# The options of the table in force that begin with the current word; a long
# option that takes a value is offered with its "=" and no space after it.
_orv_options() {
  local cur=$1 e l
  local -a cands=()
  if [[ $cur == --*=* ]]; then
    l=${cur%%=*}
    l=${l#--}
    for e in "${_orv_arg[@]}"; do
      [[ ${e#* } == "$l" ]] && { _orv_value "$l" "${cur#*=}" "$cur"; return; }
    done
    COMPREPLY=()
    return
  fi
  for e in "${_orv_bool[@]}" "${_orv_arg[@]}"; do
    l=${e%% *}
    [[ $l == - ]] || cands+=("-$l")
  done
  for e in "${_orv_bool[@]}"; do cands+=("--${e#* }"); done
  for e in "${_orv_arg[@]}"; do cands+=("--${e#* }="); done
  _orv_reply "$cur" "${cands[@]}"
  [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
}

# A configuration value: the global option's, else the exported variable's,
# else the default.
_orv_setting() {
  local name=$1 def=$2 attrs
  if [[ -n ${_orv_globals[$name]+set} ]]; then
    _orv_unquote "${_orv_globals[$name]}"
    return
  fi
  attrs=${!name@a}
  if [[ -n ${!name+set} && $attrs == *x* ]]; then _orv_v=${!name}; else _orv_v=$def; fi
}

_orv() {
  local _orv_w _orv_cw _orv_stop _orv_pending _orv_v _orv_bool _orv_arg _orv_names
  local -A _orv_vals=() _orv_globals=()
  local cur group sub i n
  COMPREPLY=()
  _orv_words
  cur=${_orv_w[_orv_cw]}

  _orv_table ''
  _orv_walk 1
  if [[ -n $_orv_pending ]]; then
    _orv_value "$_orv_pending" "$cur" "$cur"
    return
  fi
  if ((_orv_stop == _orv_cw)); then
    if [[ $cur == -* && ${_orv_w[_orv_stop - 1]} != -- ]]; then
      _orv_options "$cur"
    else
      _orv_reply "$cur" help live process repository set system version
    fi
    return
  fi
  for i in "${!_orv_vals[@]}"; do _orv_globals[$i]=${_orv_vals[$i]}; done

  group=${_orv_w[_orv_stop]}
  i=$((_orv_stop + 1))
  # A group takes no option before its subcommand word, but "--" is skipped.
  [[ ${_orv_w[i]} == -- ]] && ((i < _orv_cw)) && ((i++))
  if ((i == _orv_cw)); then
    # shellcheck disable=SC2046
    _orv_reply "$cur" $(_orv_subcommands "$group")
    return
  fi
  sub=${_orv_w[i]}
  _orv_table "$group/$sub"
  _orv_walk $((i + 1))
  if [[ -n $_orv_pending ]]; then
    _orv_value "$_orv_pending" "$cur" "$cur"
    return
  fi
  if ((_orv_stop == _orv_cw)) && [[ $cur == -* && ${_orv_w[_orv_stop - 1]} != -- ]]; then
    _orv_options "$cur"
    return
  fi
  n=$((_orv_cw - _orv_stop)) # operands before the current word

  case $group/$sub in
    process/start | process/stop | process/restart | process/kill | process/status)
      _orv_setting scandir /run/service
      _orv_entries "$_orv_v" d
      _orv_reply "$cur" "${_orv_names[@]}" ;;
    set/load | set/delete)
      [[ $sub == load ]] && ((n > 0)) && return
      _orv_setting repodir /var/lib/tuvo/repository
      _orv_entries "$_orv_v/sets"
      local -a sets=()
      local s w seen
      for s in "${_orv_names[@]}"; do
        [[ $s == current ]] && continue
        seen=0
        for w in "${_orv_w[@]:_orv_stop:n}"; do [[ $w == "$s" ]] && seen=1; done
        ((seen)) || sets+=("$s")
      done
      _orv_reply "$cur" "${sets[@]}" ;;
  esac
}

complete -F _orv orv
