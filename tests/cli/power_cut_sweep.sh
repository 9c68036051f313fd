#!/usr/bin/env bash
# mellifon-cli with the power cut at every few flash operations of an upload,
# of an upload that converts, and of a removal, each in a process of its own;
# then a fresh process must list every song stored before, byte for byte, and
# the change whole or absent.
set -uo pipefail
cli=$(realpath "$1")
stride=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_DATA_HOME="$work/data"
failures=0 tried=0

head -c 40000 /dev/urandom >a.mp3
head -c 32768 /dev/urandom >b.mp3
head -c 20000 /dev/urandom >c.mp3
# MPEG-1 Layer 3 frames, 128 kbit/s, 44100 Hz: stored as they are.
for ((i = 0; i < 100; i++)); do printf '\xff\xfb\x90\x64'; head -c 413 /dev/urandom; done >e.mp3
"$cli" --flash committed.img upload --as-is a.mp3 b.mp3 >/dev/null 2>&1 || { echo "FAILED: setting up"; exit 1; }
# A second of sound to convert; the MP3 it becomes, stored once without a cut.
sox -n -r 22050 -c 1 -b 16 d.wav synth 1 sine 330 || { echo "FAILED: making d.wav"; exit 1; }
XDG_DATA_HOME="$work/elsewhere" "$cli" --flash reference.img upload d.wav >/dev/null 2>&1 &&
  XDG_DATA_HOME="$work/elsewhere" "$cli" --flash reference.img download 1 --to reference >/dev/null 2>&1 && cp reference/d.mp3 d.mp3 ||
  { echo "FAILED: converting d.wav"; exit 1; }
cp -r data committed-data

names() { "$cli" --flash p.img list --tsv 2>/dev/null | sed '1d;$d' | cut -f2 | tr '\n' ' '; }

# Every song listed comes back as the file it was made from.
songs_whole() {
  rm -rf out
  "$cli" --flash p.img download $(seq 1 "$1") --to out >/dev/null 2>&1 || return 1
  for f in out/*; do cmp -s "$f" "$(basename "$f")" || return 1; done
}

sweep() { # what, the lists allowed after a cut (each song whole, "|" between lists), then the command's words
  local what=$1 allowed="|$2|"
  shift 2
  local cut=0 status=1
  while [ $status -ne 0 ]; do
    cp committed.img p.img
    rm -rf data && cp -r committed-data data
    MELLIFON_SIM_POWER_CUT_AFTER=$cut "$cli" --flash p.img "$@" >/dev/null 2>&1 </dev/null
    status=$?
    tried=$((tried + 1))
    local listed
    listed=$(names)
    local count
    count=$(echo "$listed" | wc -w)
    if [[ "$allowed" != *"|$listed|"* ]]; then
      echo "FAILED: $what, power cut after $cut flash operations: listed '$listed'"
      failures=$((failures + 1))
    elif ! songs_whole "$count"; then
      echo "FAILED: $what, power cut after $cut flash operations: a song is not whole"
      failures=$((failures + 1))
    fi
    cut=$((cut + stride))
  done
}

sweep upload "a.mp3 b.mp3 |a.mp3 b.mp3 c.mp3 " upload --as-is c.mp3
# Each song of a batch is committed on its own. Its uploads are the ones swept
# above; a third of the cuts is enough to see the batch's songs commit in turn.
single=$stride
stride=$((single * 3))
sweep "a batch with a conversion" "a.mp3 b.mp3 |a.mp3 b.mp3 d.mp3 |a.mp3 b.mp3 d.mp3 e.mp3 " upload d.wav e.mp3
stride=$single
sweep remove "a.mp3 b.mp3 |b.mp3 " remove 1 --yes

echo "power cuts tried in separate processes: $tried, failed: $failures"
exit $((failures > 0))
