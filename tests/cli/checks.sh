# What the tool's test scripts share: a check that counts its failures in
# the script's `failures`, and a command's exit status. Sourced.

check() { # description, then a command that must succeed
  local what=$1
  shift
  if ! "$@"; then
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}

status_is() { # expected status, then the command, its output and input away
  local want=$1
  shift
  "$@" >/dev/null 2>&1 </dev/null
  [ $? -eq "$want" ]
}
