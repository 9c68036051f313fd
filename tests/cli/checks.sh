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

work_in_scratch_folder() { # a folder of the script's own, removed at its exit: its current folder, and its user's data and temporary folders
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cd "$work" || exit 1
  export XDG_DATA_HOME="$work/data" TMPDIR="$work/tmp"
  mkdir -p tmp
}
