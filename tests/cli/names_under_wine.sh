#!/usr/bin/env bash
# The Windows build of mellifon-cli under Wine, whose code page here is
# Windows-1252: names on its command line and in its output are in the code
# page; on the player they are Windows-1252 when they fit and UTF-8 when not;
# a download names its file in the code page.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
exe=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_DATA_HOME="$work/data"
failures=0

cli() { wine "$exe" --flash p.img "$@" </dev/null; }
status_is() { # expected status, then the command
  local want=$1
  shift
  "$@" >/dev/null 2>&1
  [ $? -eq "$want" ]
}
field() { # row (1-based), column (1-based) of list --tsv, without the line's CR
  cli list --tsv | sed -n "$(($1 + 1))p" | tr -d '\r' | cut -f"$2"
}
name_bytes() { # slot (0-based), bytes: the stored name in hex
  od -An -tx1 -v -j $((528 + 128 * $1 + 28)) -N "$2" p.img | tr -d ' \n'
}

for ((i = 0; i < 100; i++)); do printf '\xff\xfb\x90\x64'; head -c 413 /dev/zero; done >"Café.mp3"

check "upload of Café.mp3" status_is 0 cli upload "Café.mp3"
check "stored in Windows-1252" [ "$(name_bytes 0 9)" = "436166e92e6d703300" ]
check "listed in the code page" [ "$(field 1 2)" = "$(printf 'Caf\xe9.mp3')" ]
check "rename in the code page" status_is 0 cli rename 1 "Señor €"
check "stored in Windows-1252" [ "$(name_bytes 0 8)" = "5365f16f72208000" ]
check "rename beyond the code page" status_is 0 cli rename 1 "日本"
check "stored in UTF-8" [ "$(name_bytes 0 7)" = "e697a5e69cac00" ]
check "listed as the code page can" [ "$(field 1 2)" = "??" ]
check "download of 日本" status_is 0 cli download 1 --to out
check "named as the code page can, made safe" cmp -s out/__ "Café.mp3"
check "rename back" status_is 0 cli rename 1 "Café.mp3"
check "download of Café.mp3" status_is 0 cli download 1 --to out
check "named in the code page" cmp -s "out/Café.mp3" "Café.mp3"
check "a song number that is none is a usage error" status_is 2 cli rename abc x

[ $failures -eq 0 ] && echo "all checks passed"
exit $((failures > 0))
