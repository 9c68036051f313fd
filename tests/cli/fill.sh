#!/usr/bin/env bash
# mellifon-cli fill: a small player filled from a library of 40 songs in four
# albums to within one song of full, each song byte for byte a library file
# and none twice; the next fill brings other songs, one undo brings the
# player back, --dry-run writes nothing, --albums takes whole albums in track
# order, --keep keeps what is there.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
cli=$(realpath "$1")
work_in_scratch_folder
failures=0

for album in 1 2 3 4; do
  mkdir -p "lib/album $album"
  for track in $(seq 1 10); do
    # Named against their track order, which the tags give.
    ffmpeg -v error -f lavfi -i "sine=frequency=$((album * 300 + track * 20)):duration=$((8 + track))" -ac 2 \
      -c:a libmp3lame -b:a 128k -metadata track=$track "lib/album $album/$(printf '%c' $((107 - track))) a$album t$track.mp3"
  done
done
[ "$(ls lib/*/*.mp3 | wc -l)" -eq 40 ] || { echo "FAILED: the encoder made no library"; exit 1; }

img=p.img
songs() { "$cli" --flash $img list --tsv | sed '1d;$d' | cut -f2; }
free_bytes() { "$cli" --flash $img list --tsv | tail -n 1 | sed 's/.*Free:\([0-9]*\).*/\1/'; }
largest=$(stat -c %s lib/*/*.mp3 | sort -n | tail -n 1)
each_a_library_file() { # every song on the player is byte for byte the library file of its name, and none twice
  rm -rf down && "$cli" --flash p.img download $(seq 1 "$(songs | wc -l)") --to down >/dev/null 2>&1 || return 1
  [ -z "$(songs | sort | uniq -d)" ] || return 1
  local name
  while IFS= read -r name; do cmp -s "down/$name" lib/*/"$name" || return 1; done < <(songs)
}

"$cli" --flash p.img --flash-size 2 list >/dev/null
before=$(md5sum p.img)
"$cli" --flash p.img fill lib --dry-run >plan 2>&1
check "a dry run shows the plan" grep -q "^Fill: [0-9]* songs chosen from 40 files" plan
check "and writes nothing" [ "$(md5sum p.img)" = "$before" ]

"$cli" --flash p.img fill lib --yes >out 2>&1
check "the fill says what it did" grep -q "^filled: [0-9]* songs on Rio" out
songs >first
said_as_held() { # the closing line's songs and free memory are what the player holds
  local said held
  said=$(sed -n 's/^filled: \([0-9]*\) songs on Rio (.*), \([0-9.]*\) MB free.*/\1 \2/p' out)
  held="$(songs | wc -l) $(awk -v b="$(free_bytes)" 'BEGIN { printf "%.1f", b / 1048576 }')"
  [ -n "$said" ] && [ "$said" = "$held" ] || { echo "  said '$said', the player holds '$held'"; return 1; }
}
check "and its figures are the player's" said_as_held
check "the player is full to within one song" [ "$(free_bytes)" -lt "$largest" ]
check "each song is a library file, byte for byte, and none twice" each_a_library_file
check "one undo brings the player back as it was" \
  bash -c "'$cli' --flash p.img undo --yes | grep -q 'undone: the fill from a library'"
check "empty" [ -z "$(songs)" ]

"$cli" --flash p.img fill lib --yes >/dev/null 2>&1
songs >first
"$cli" --flash p.img fill lib --yes >out 2>&1
check "the next fill brings other songs" [ "$(songs | grep -cxFf first)" -le 1 ]
check "and says an undo cannot bring back the songs it wrote over" grep -q "as they were after the removal" out

# A player of 4 MiB holds a whole album or two.
img=a.img
"$cli" --flash a.img --flash-size 4 fill lib --albums --yes >/dev/null 2>&1
whole_albums_in_track_order() {
  local album
  [ -n "$(songs)" ] || return 1
  for album in $(songs | sed 's/.* a\([0-9]*\) t.*/\1/' | uniq); do
    [ "$(songs | grep " a$album t" | sed 's/.* t\([0-9]*\).mp3/\1/' | tr '\n' ' ')" = "1 2 3 4 5 6 7 8 9 10 " ] || return 1
  done
}
check "--albums takes whole albums in track order" whole_albums_in_track_order

songs >albums
"$cli" --flash a.img remove 1 --yes >/dev/null
"$cli" --flash a.img fill lib --keep --newest --yes >/dev/null 2>&1
check "--keep keeps the songs there, in their places" [ "$(songs | head -n "$(($(wc -l <albums) - 1))")" = "$(sed 1d albums)" ]
check "and fills the free memory" [ "$(free_bytes)" -lt "$largest" ]
check "a source that is not there changes nothing" status_is 1 "$cli" --flash p.img fill nowhere --yes

[ "$failures" -eq 0 ] && echo "all fill checks passed"
exit $((failures > 0))
