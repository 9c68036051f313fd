#!/usr/bin/env bash
# Two runs of mellifon-cli on one player image at once. The one that starts
# second waits a short while for the first; if it is still busy, it says that
# another program is using Rio and changes nothing (exit 1), and the first
# stores its song whole. A second command that the first lets in time goes ahead.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
export XDG_DATA_HOME="$work/data"
failures=0

songs() { "$cli" --flash p.img list --tsv </dev/null 2>/dev/null | sed '1d;$d' | cut -f2 | tr '\n' ' '; }
# The lock a running tool holds on the image (flock, as the tool takes it).
held() { ! flock -n p.img true; }
wait_until_held() {
  for _ in $(seq 400); do
    held && return 0
    sleep 0.02
  done
  return 1
}

frames() { # count, header bytes as printf escapes
  for ((i = 0; i < $1; i++)); do printf "$2"; head -c 413 /dev/zero; done
}
frames 230 '\xff\xfb\x90\x64' >a.mp3 # three blocks
frames 100 '\xff\xfb\x90\x64' >b.mp3 # MPEG-1 Layer 3 frames of the length their headers give
"$cli" --flash p.img list >/dev/null 2>&1 </dev/null

# Each page the player programs takes 20 ms: the first upload runs for seconds.
MELLIFON_SIM_SLOW_PROGRAMS=20 "$cli" --flash p.img upload a.mp3 >first.out 2>first.err </dev/null &
first=$!
check "the first upload holds the player" wait_until_held
"$cli" --flash p.img upload b.mp3 >second.out 2>second.err </dev/null
check "the second upload gives up with exit 1" [ $? -eq 1 ]
check "and says why" grep -q "Another program is using Rio" second.err
check "while the first still runs" kill -0 $first
wait $first
check "the first upload is stored" [ $? -eq 0 ]
check "as the only song" [ "$(songs)" = "a.mp3 " ]
check "with its own bytes" "$cli" --flash p.img download 1 --to got
check "byte for byte" cmp -s got/a.mp3 a.mp3

# A short command: the second waits for it and goes ahead.
MELLIFON_SIM_SLOW_PROGRAMS=5 "$cli" --flash p.img rename 1 renamed >first.out 2>first.err </dev/null &
first=$!
check "the rename holds the player" wait_until_held
check "an upload meanwhile waits and is stored" "$cli" --flash p.img upload b.mp3
wait $first
check "the rename is stored" [ $? -eq 0 ]
check "both changes are there" [ "$(songs)" = "renamed b.mp3 " ]

if [ "$failures" -ne 0 ]; then
  echo "$failures checks failed"
  exit 1
fi
echo "two programs on one player: all checks passed"
