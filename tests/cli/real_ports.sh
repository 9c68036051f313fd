#!/usr/bin/env bash
# mellifon-cli on real Linux ports, as a user runs it, in its test build whose
# system calls simulated parallel ports answer (tests/cli/SimulatedSystemCalls.cpp):
# upload, list, download and remove through /dev/parport0, the search, direct
# access with and without root, and what a missing player, a failing player
# and Ctrl+C leave behind: the port released, the player out of link mode, the
# songs it held.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export MELLIFON_TEST_FLASH=$work/player.img MELLIFON_TEST_REPORT=$work/report XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
failures=0

# The port released and closed, the player out of link mode, and neither a
# breach of the kernel's rules nor a protocol error on the way.
clean_end() {
  grep -qx 'claimed at exit: no' report && grep -qx 'open at exit: no' report &&
    grep -qx 'link mode at exit: off' report && ! grep -q '^breach\|^protocol error' report ||
    { cut -c1-200 report; return 1; }
}
run() { # expected status, then the tool's arguments; output in out and err
  local want=$1
  shift
  "$cli" "$@" >out 2>err </dev/null
  local got=$?
  [ "$got" -eq "$want" ] || { echo "exit $got, not $want: $*"; cat err; return 1; }
  clean_end
}
songs() { "$cli" --port /dev/parport0 list --tsv 2>/dev/null </dev/null | sed '1d;$d' | cut -f2 | tr '\n' ' '; }

frames() { # count, header bytes as printf escapes
  for ((i = 0; i < $1; i++)); do printf "$2"; head -c 413 /dev/zero; done
}
frames 300 '\xff\xfb\x90\x64' >a.mp3
frames 1000 '\xff\xf3\xc0\x00' >b.mp3  # MPEG-2 Layer 3, 128 kbit/s, 22050 Hz

device_session='calls: open /dev/parport0, lock /dev/parport0, claim /dev/parport0, io, release /dev/parport0, unlock /dev/parport0, close /dev/parport0,'
check "upload through the device" run 0 --port /dev/parport0 upload a.mp3 b.mp3
check "one lock and one claim for the whole session" grep -qx "$device_session" report
check "listed" [ "$(songs)" = "a.mp3 b.mp3 " ]
check "download through the device" run 0 --port /dev/parport0 download 1 2 --to got
check "downloads are byte-identical" cmp -s got/a.mp3 a.mp3
check "downloads are byte-identical" cmp -s got/b.mp3 b.mp3
check "remove through the device" run 0 --port /dev/parport0 remove 1 --yes
check "removed" [ "$(songs)" = "b.mp3 " ]

# The search: the player on the second port, at 0x278; found through its
# device and remembered, so that the next search claims that one first.
export MELLIFON_TEST_PORTS=0x3BC,0x278 MELLIFON_TEST_PLAYER=1
check "the search finds the player" run 0 --port auto list
check "and says where" grep -q 'answers at 0x278' err
check "the port is remembered" grep -qx 'Rio=632' config/mellifon/mellifon.ini
check "the next search starts there" run 0 --port auto list
check "claiming that port first" grep -q '^calls: open /dev/parport0, open /dev/parport1, lock /dev/parport1, claim /dev/parport1,' report
export MELLIFON_TEST_PLAYER=9
check "no player on any port" run 1 --port auto list
check "is said" grep -q 'no player found' err
unset MELLIFON_TEST_PORTS MELLIFON_TEST_PLAYER

check "a base address needs root" run 1 --port 0x378 list
check "and says so" grep -q 'needs root' err
check "as root the port instructions reach it" env MELLIFON_TEST_ROOT=1 "$cli" --port 0x378 list --tsv >out 2>err
check "the player answered them" grep -q '^1	b.mp3' out
check "a port that is none" run 2 --port lpt1 list
check "--flash and --port together" run 2 --flash x.img --port auto list

# Another program has the device locked: the tool waits a while, says so,
# and neither claims the port nor sends the player a single cycle.
before=$(songs)
check "a device another program holds" env MELLIFON_TEST_HELD=/dev/parport0 bash -c "'$cli' --port /dev/parport0 remove 1 --yes 2>err; [ \$? -eq 1 ]"
check "is said" grep -q 'Another program is using Rio' err
check "and left alone" grep -qx 'calls: open /dev/parport0, close /dev/parport0,' report
check "with its songs" [ "$(songs)" = "$before" ]

check "no player on the named port" env MELLIFON_TEST_PLAYER=3 bash -c "! '$cli' --port /dev/parport0 list 2>err"
check "is said" grep -q 'no player answers on /dev/parport0' err
check "and leaves the port released" clean_end

# A player whose programs never complete: the upload fails, says so, and
# the port is still released and the player left out of link mode.
check "a failing upload" env MELLIFON_TEST_HANG_PROGRAMS=-1 bash -c "! '$cli' --port /dev/parport0 upload a.mp3 2>err"
check "ends cleanly" clean_end
check "and loses nothing" [ "$(songs)" = "b.mp3 " ]

# Ctrl+C in the middle of a song's blocks, and as a directory save begins:
# the tool stops with 130 and a clean port and player, and the player keeps
# a whole directory with every song stored before the stop; a save that has
# begun is finished, so its song is kept too.
ctrl_c() { # the variable that sets the moment, its value, then the songs expected after it
  local when=$1
  env "$when" "$cli" --port /dev/parport0 upload a.mp3 b.mp3 >out 2>err </dev/null
  check "Ctrl+C ($when) ends with 130" [ $? -eq 130 ]
  check "Ctrl+C ($when) is said" grep -q 'stopped by Ctrl+C' err
  check "Ctrl+C ($when) ends cleanly" clean_end
  listed=$(songs 2>&1 | cut -c1-80)
  check "Ctrl+C ($when) leaves a whole directory with the songs before it: $listed" [ "$listed" = "$2" ]
}
ctrl_c MELLIFON_TEST_SIGINT_AFTER_PROGRAMS=100 "b.mp3 "
free_now() { "$cli" --port /dev/parport0 list --tsv </dev/null | tail -1 | cut -f3 | awk -F: '{printf "%.1f MB free", $2 / 1048576}'; }
ctrl_c MELLIFON_TEST_SIGINT_AT_SAVE=1 "b.mp3 a.mp3 "
# The save that had begun is finished: the figures and the last words say so.
check "Ctrl+C at an upload's save: the figures are the player's" grep -q "^stored 1 of 2 songs, 0.1 MB, $(free_now); 1 not tried$" out
check "and the song saved is said to be held" grep -q 'the player holds the change saved' err

# Ctrl+C as a sync's one save begins: the save is finished, and the tool says
# that the player holds it, with the figures of the directory it holds.
mkdir -p list && cp b.mp3 list/
MELLIFON_TEST_SIGINT_AT_SAVE=1 "$cli" --port /dev/parport0 sync list --yes >out 2>err </dev/null
check "Ctrl+C at a sync's save ends with 130" [ $? -eq 130 ]
check "the sync is on the player" [ "$(songs)" = "b.mp3 " ]
check "its closing line gives the player's figures" grep -q "^synced: 1 song on Rio (1 kept, 0 added, 1 removed), $(free_now)$" out
check "and the stop says the player holds it" grep -q 'stopped by Ctrl+C; the player holds the change saved' err

if [ "$failures" -ne 0 ]; then
  echo "$failures checks failed"
  exit 1
fi
echo "mellifon-cli on simulated real ports: all checks passed"
